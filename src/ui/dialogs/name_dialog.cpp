#include "ui/dialogs/name_dialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel::ui {

NameDialog::NameDialog(const QString& title, const QString& name, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    name_ = new QLineEdit(name, this);
    name_->setObjectName(QStringLiteral("nameEdit"));
    name_->selectAll();
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->setObjectName(QStringLiteral("buttons"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &NameDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &NameDialog::reject);
    QPushButton* ok = buttons_->button(QDialogButtonBox::Ok);
    connect(name_, &QLineEdit::textChanged, this, [this, ok] { ok->setEnabled(!blank()); });
    ok->setEnabled(!blank());
    setMinimumWidth(320);
}

std::string NameDialog::name() const { return name_->text().trimmed().toStdString(); }

bool NameDialog::blank() const { return name_->text().trimmed().isEmpty(); }

void NameDialog::accept() {
    if (!blank()) QDialog::accept();
}

}  // namespace kestrel::ui
