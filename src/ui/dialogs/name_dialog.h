#pragma once
// The base of the dialogs that ask for a name: a line edit with the name selected, and OK
// and Cancel, OK disabled while the name is blank. The dialog lays the two out as it likes.
//
// Widgets by object name: "nameEdit" (QLineEdit), "buttons" (QDialogButtonBox).
#include <QDialog>
#include <QString>
#include <string>

class QDialogButtonBox;
class QLineEdit;

namespace kestrel::ui {

class NameDialog : public QDialog {
    Q_OBJECT

public:
    // The name without leading or trailing white space, in UTF-8.
    std::string name() const;
    // Refuses to close while the name is blank.
    void accept() override;

protected:
    NameDialog(const QString& title, const QString& name, QWidget* parent);
    QLineEdit* nameEdit() const { return name_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    bool blank() const;

    QLineEdit* name_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace kestrel::ui
