#include "ui/dialogs/group_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_fields.h"

namespace kestrel::ui {

GroupDialog::GroupDialog(const app::GroupProposal& proposal, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Group Polygons"));

    name_ = new QLineEdit(QString::fromStdString(proposal.name), this);
    name_->setObjectName(QStringLiteral("nameEdit"));
    name_->selectAll();
    auto* nameForm = new QFormLayout;
    nameForm->addRow(QStringLiteral("Name:"), name_);

    auto* details = new QGroupBox(QStringLiteral("Details"), this);
    auto* detailsForm = new QFormLayout(details);
    detailsForm->addRow(QStringLiteral("Number of polygons:"),
                        readOnlyField(QString::number(proposal.polygons), "polygonCount", details));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &GroupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GroupDialog::reject);
    connect(name_, &QLineEdit::textChanged, this, &GroupDialog::updateOk);
    updateOk();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameForm);
    layout->addWidget(details);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

std::string GroupDialog::name() const { return name_->text().trimmed().toStdString(); }

void GroupDialog::accept() {
    if (name_->text().trimmed().isEmpty()) return;
    QDialog::accept();
}

void GroupDialog::updateOk() { ok_->setEnabled(!name_->text().trimmed().isEmpty()); }

}  // namespace kestrel::ui
