#pragma once
// A name to change: one line edit under the title the caller gives.
//
// Widgets by object name: "nameEdit" (QLineEdit), "buttons" (QDialogButtonBox, OK and Cancel;
// OK is disabled while the name is blank).
#include "ui/dialogs/name_dialog.h"

namespace kestrel::ui {

class RenameDialog : public NameDialog {
    Q_OBJECT

public:
    // The title is "Rename" when given empty; a label, when given, stands before the edit.
    RenameDialog(const QString& title, const QString& name, QWidget* parent = nullptr, const QString& label = {});
};

}  // namespace kestrel::ui
