#include "ui/dialogs/rename_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrel::ui {

RenameDialog::RenameDialog(const QString& title, const QString& name, QWidget* parent, const QString& label)
    : QDialog(parent) {
    setWindowTitle(title.isEmpty() ? QStringLiteral("Rename") : title);

    name_ = new QLineEdit(name, this);
    name_->setObjectName(QStringLiteral("nameEdit"));
    name_->selectAll();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &RenameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RenameDialog::reject);
    connect(name_, &QLineEdit::textChanged, this, &RenameDialog::updateOk);
    updateOk();

    auto* layout = new QVBoxLayout(this);
    if (!label.isEmpty()) layout->addWidget(new QLabel(label, this));
    layout->addWidget(name_);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

std::string RenameDialog::name() const { return name_->text().trimmed().toStdString(); }

void RenameDialog::accept() {
    if (name_->text().trimmed().isEmpty()) return;
    QDialog::accept();
}

void RenameDialog::updateOk() { ok_->setEnabled(!name_->text().trimmed().isEmpty()); }

}  // namespace kestrel::ui
