#include "ui/dialogs/rename_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestrel::ui {

RenameDialog::RenameDialog(const QString& title, const QString& name, QWidget* parent, const QString& label)
    : NameDialog(title.isEmpty() ? QStringLiteral("Rename") : title, name, parent) {
    auto* layout = new QVBoxLayout(this);
    if (!label.isEmpty()) layout->addWidget(new QLabel(label, this));
    layout->addWidget(nameEdit());
    layout->addWidget(buttons());
}

}  // namespace kestrel::ui
