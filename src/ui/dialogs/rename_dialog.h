#pragma once
// A name to change: one line edit under the title the caller gives.
//
// Widgets by object name: "nameEdit" (QLineEdit), "buttons" (QDialogButtonBox, OK and Cancel;
// OK is disabled while the name is blank).
#include <QDialog>
#include <QString>
#include <string>

class QLineEdit;
class QPushButton;

namespace kestrel::ui {

class RenameDialog : public QDialog {
    Q_OBJECT

public:
    // The title is "Rename" when given empty; a label, when given, stands before the edit.
    RenameDialog(const QString& title, const QString& name, QWidget* parent = nullptr, const QString& label = {});

    // The name without leading or trailing white space, in UTF-8.
    std::string name() const;

    // Refuses to close while the name is blank.
    void accept() override;

private:
    void updateOk();

    QLineEdit* name_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace kestrel::ui
