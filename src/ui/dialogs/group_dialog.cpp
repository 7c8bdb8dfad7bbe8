#include "ui/dialogs/group_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_fields.h"

namespace kestrel::ui {

GroupDialog::GroupDialog(const app::GroupProposal& proposal, QWidget* parent)
    : NameDialog(QStringLiteral("Group Polygons"), QString::fromStdString(proposal.name), parent) {
    auto* nameForm = new QFormLayout;
    nameForm->addRow(QStringLiteral("Name:"), nameEdit());

    auto* details = new QGroupBox(QStringLiteral("Details"), this);
    auto* detailsForm = new QFormLayout(details);
    detailsForm->addRow(QStringLiteral("Number of polygons:"),
                        readOnlyField(QString::number(proposal.polygons), "polygonCount", details));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameForm);
    layout->addWidget(details);
    layout->addWidget(buttons());
}

}  // namespace kestrel::ui
