#pragma once
// "Model Information": the extent, size and centre of the selection, and the two changes
// made from here: re-scaling the model and moving it. Either button closes the dialog as
// accepted and action() says which was pressed; "Cancel" closes it with no action.
//
// Widgets by object name:
//   "minX", "maxX", "minY", "maxY", "minZ", "maxZ"  read-only QLineEdit, "Selected Object
//       Extents"; empty when nothing is selected
//   "scale"          QDoubleSpinBox  "Scale:", 0.0001 to 10000, first 1
//   "selectedOnly"   QCheckBox       "Selected Only", first on
//   "rescaleButton"  QPushButton     "ReScale"
//   "polygonCount", "vertexCount"   read-only QLineEdit, "Polygons:" and "Vertices:" under
//       "Selected"
//   "offsetX", "offsetY", "offsetZ"  QDoubleSpinBox, -32767 to 32767, first 0, under
//       "Re-Centre Object (all frames)"
//   "moveSkeleton"   QCheckBox       "Re-centre Skeleton", first on
//   "allFrames"      QCheckBox       "Change All Frames", first off; re-scaling uses it too
//   "recentreButton" QPushButton     "Re-Centre"
//   "centreX", "centreY", "centreZ"  read-only QLineEdit, "Selected Object Centre"
//   "cancelButton"   QPushButton     "Cancel"
#include <QDialog>

#include "app/document.h"
#include "model/model_editing.h"

class QCheckBox;
class QDoubleSpinBox;

namespace kestrel::ui {

class ModelInfoDialog : public QDialog {
    Q_OBJECT

public:
    enum class Action { None, ReScale, ReCentre };

    explicit ModelInfoDialog(const model::SelectionInfo& info, QWidget* parent = nullptr);

    // The button that closed the dialog; None when it closed any other way.
    Action action() const { return action_; }
    app::RescaleParams rescale() const;
    app::RecentreParams recentre() const;

private:
    void finish(Action action);

    Action action_ = Action::None;
    QDoubleSpinBox* scale_ = nullptr;
    QCheckBox* selectedOnly_ = nullptr;
    QDoubleSpinBox* offset_[3] = {};
    QCheckBox* moveSkeleton_ = nullptr;
    QCheckBox* allFrames_ = nullptr;
};

}  // namespace kestrel::ui
