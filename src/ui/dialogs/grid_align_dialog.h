#pragma once
// "Align To Grid": the grid size of each axis, whether that axis snaps, and whether every
// vertex or only the selected ones move. The window snaps the model with options() on OK.
//
// A grid size of 0 on an axis that snaps has no cells to snap to, so OK stays disabled (and
// accept() refuses) while any ticked axis has one; the reason shows under the fields. An
// axis's field is disabled while its box is off and its size then does not matter.
//
// Widgets by object name:
//   "xEnabled", "yEnabled", "zEnabled"  QCheckBox       "X Grid", "Y Grid", "Z Grid", first on
//   "xGrid", "yGrid", "zGrid"           QDoubleSpinBox  the axis's grid size, 0 to 32767,
//                                                       first 1.0
//   "allVertices"                       QRadioButton    "All", first chosen
//   "selectedOnly"                      QRadioButton    "Selected Only"
//   "problemLabel"                      QLabel          why OK is disabled; hidden otherwise
//   "buttons"                           QDialogButtonBox  OK and Cancel
#include <QDialog>
#include <QString>
#include <optional>

#include "model/optimise.h"

class QCheckBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QRadioButton;

namespace kestrel::ui {

class GridAlignDialog : public QDialog {
    Q_OBJECT

public:
    explicit GridAlignDialog(QWidget* parent = nullptr);

    // The fields as the grid alignment takes them.
    model::GridAlignOptions options() const;

    // Why OK cannot close the dialog, as the dialog shows it; nothing when the fields are good.
    std::optional<QString> problem() const;

    // OK: closes the dialog only when problem() is clear.
    void accept() override;

private:
    void updateProblem();

    QCheckBox* enabled_[3] = {};
    QDoubleSpinBox* size_[3] = {};
    QRadioButton* all_ = nullptr;
    QRadioButton* selectedOnly_ = nullptr;
    QLabel* problem_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace kestrel::ui
