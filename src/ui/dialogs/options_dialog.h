#pragma once
// "Options": the previewer's port and program, the largest viewport the panes draw, whether
// the panes draw with OpenGL hardware, and the MIMe file version to generate.
//
// Widgets by object name:
//   "portEdit"        QLineEdit       "AR IO PORT:", hexadecimal ("0x320", "$320" or "320")
//   "previewerEdit"   QLineEdit       "Previewer program:"; empty for ps.pxe beside the program
//   "browseButton"    QPushButton     "Browse...", chooses the previewer program
//   "viewportWidth"   QSpinBox        "W=", 1 to 8192
//   "viewportHeight"  QSpinBox        "H=", 1 to 8192
//   "hardwareCheck"   QCheckBox       "Use OpenGL hardware acceleration (from the next start)"
//   "mimeType1"       QRadioButton    "Type 1 (KESTRELLIB v1 && v2)"
//   "mimeType2"       QRadioButton    "Type 2 (KESTRELLIB v3)"
//   "minimumMovement" QDoubleSpinBox  "Minimum Registered Movement:", 0 or more
//   "autosaveMinutes" QSpinBox        minutes between recovery copies, 0 ("Off") to 120
//   "scriptMemory"    QSpinBox        megabytes a script may hold at once, 1 to 65536
//   "buttons"         QDialogButtonBox  OK and Cancel
#include <QDialog>
#include <QString>
#include <optional>

#include "app/settings.h"

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kestrel::ui {

class OptionsDialog : public QDialog {
    Q_OBJECT

public:
    OptionsDialog(const app::Settings& settings, bool useHardware, QWidget* parent = nullptr);

    // Why OK cannot close the dialog, as the user is told it; nothing when every field is
    // good. Only the port text can be wrong: the other fields hold nothing out of range.
    std::optional<QString> problem() const;

    // The settings the dialog was given with its fields applied; the light masks stay as they
    // were, and so does the port while its text is not a port.
    app::Settings settings() const;
    bool useHardware() const;

    // OK: closes the dialog only when problem() is clear; otherwise warns and stays open with
    // the port text selected.
    void accept() override;

private:
    void browse();

    app::Settings initial_;
    double shownMovement_ = 0.0;  // the minimum movement as the field first showed it

    QLineEdit* port_ = nullptr;
    QLineEdit* previewer_ = nullptr;
    QSpinBox* autosave_ = nullptr;
    QSpinBox* scriptMemory_ = nullptr;
    class QCheckBox* emulated_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QCheckBox* hardware_ = nullptr;
    QRadioButton* mimeType1_ = nullptr;
    QRadioButton* mimeType2_ = nullptr;
    QDoubleSpinBox* movement_ = nullptr;
};

}  // namespace kestrel::ui
