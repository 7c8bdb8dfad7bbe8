#pragma once
// "Group Polygons": the name of the new group made of the selected polygons.
//
// Widgets by object name: "nameEdit" (QLineEdit, "Name:"), "polygonCount" (read-only
// QLineEdit, "Number of polygons:" under "Details"), "buttons" (QDialogButtonBox, OK and
// Cancel; OK is disabled while the name is blank).
#include "app/document.h"
#include "ui/dialogs/name_dialog.h"

namespace kestrel::ui {

class GroupDialog : public NameDialog {
    Q_OBJECT

public:
    explicit GroupDialog(const app::GroupProposal& proposal, QWidget* parent = nullptr);
};

}  // namespace kestrel::ui
