#pragma once
// "Setup View Lighting": which colours of the view's X, Y and Z lights are on. A light's mask
// holds red in bit 0, green in bit 1 and blue in bit 2.
//
// Widgets by object name: "xRed", "xGreen", "xBlue", "yRed", "yGreen", "yBlue", "zRed",
// "zGreen", "zBlue" (QCheckBox, "R", "G", "B" in the groups "X", "Y" and "Z"), and "buttons"
// (QDialogButtonBox, OK and Cancel).
#include <QDialog>
#include <array>

class QCheckBox;

namespace kestrel::ui {

class LightingDialog : public QDialog {
    Q_OBJECT

public:
    explicit LightingDialog(std::array<int, 3> masks, QWidget* parent = nullptr);

    // The X, Y and Z masks as checked. Bits above the three colours keep what they were given.
    std::array<int, 3> masks() const;

private:
    std::array<int, 3> initial_;
    std::array<std::array<QCheckBox*, 3>, 3> colours_{};  // [light][bit]
};

}  // namespace kestrel::ui
