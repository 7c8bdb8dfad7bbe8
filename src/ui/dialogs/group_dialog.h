#pragma once
// "Group Polygons": the name of the new group made of the selected polygons.
//
// Widgets by object name: "nameEdit" (QLineEdit, "Name:"), "polygonCount" (read-only
// QLineEdit, "Number of polygons:" under "Details"), "buttons" (QDialogButtonBox, OK and
// Cancel; OK is disabled while the name is blank).
#include <QDialog>
#include <string>

#include "app/document.h"

class QLineEdit;
class QPushButton;

namespace kestrel::ui {

class GroupDialog : public QDialog {
    Q_OBJECT

public:
    explicit GroupDialog(const app::GroupProposal& proposal, QWidget* parent = nullptr);

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
