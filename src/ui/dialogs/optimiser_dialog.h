#pragma once
// "Optimiser": three clean-up passes over the current model, each run at once by its button
// with the fields of its group. A pass drives its group's progress bar while it runs and then
// says what it did beside it. "OK" and "Cancel" only close the dialog: what the passes did
// stays done.
//
// The window learns of each change through the document's onChange, which the document calls
// after a pass that changed the model; the dialog has no notification of its own.
//
// While a pass runs the dialog keeps painting but takes no input: the buttons are disabled and
// closing is refused until the pass returns, so no second pass can start on a model that the
// first is still changing.
//
// Widgets by object name:
//   "radius"               QDoubleSpinBox  "Radius:", 0 to 1000, first 0
//   "selectedVerticesOnly" QCheckBox       "Selected Vertices Only", first off
//   "selectedStayInPlace"  QCheckBox       "Selected stay in place", first off
//   "vertexButton"         QPushButton     "Do Vertex Optimisation"
//   "vertexProgress"       QProgressBar    one step per vertex
//   "vertexResult"         QLabel          what the last vertex optimisation did; empty before
//   "polygonButton"        QPushButton     "Do Polygon Reduction"
//   "polygonProgress"      QProgressBar    one step per polygon
//   "polygonResult"        QLabel          what the last polygon reduction did
//   "uniformity"           QDoubleSpinBox  "Required Uniformity", 0 to 2 (the most two unit
//                                          normals' components can differ by), first 0
//   "selectedPolygonsOnly" QCheckBox       "Selected Polygons Only", first off
//   "conversionButton"     QPushButton     "Do Conversion"
//   "conversionProgress"   QProgressBar    one step per pair joined, out of the triangles
//   "conversionResult"     QLabel          what the last conversion did
//   "buttons"              QDialogButtonBox  OK and Cancel
#include <QDialog>
#include <functional>

#include "app/document.h"
#include "model/optimise.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QDialogButtonBox;

namespace kestrel::ui {

class OptimiserDialog : public QDialog {
    Q_OBJECT

public:
    explicit OptimiserDialog(app::Document& document, QWidget* parent = nullptr);

    // The fields as the passes read them.
    model::VertexMergeOptions vertexOptions() const;
    model::QuadConversionOptions conversionOptions() const;

    // The three buttons' passes; each reads the fields when it starts.
    void doVertexOptimisation();
    void doPolygonReduction();
    void doConversion();

    // Whether a pass is running (the dialog then refuses to close: Cancel, Escape and the
    // window's close stop the pass instead, and the model stays as it was).
    bool busy() const { return busy_; }

    // The longest a pass holds the event loop before the dialog repaints, in milliseconds
    // (50 at first). Checked as the progress bar moves, so a pass may hold it longer between
    // its steps.
    void setRepaintInterval(int milliseconds) { repaintInterval_ = milliseconds; }

    // OK refuses while a pass runs; Cancel stops the pass.
    void accept() override;
    void reject() override;

private:
    // Runs a pass with `bar` reset to `items` steps, following the pass's progress; the bar
    // ends full. Returns false, doing nothing, while another pass runs, and when the pass was
    // cancelled (which `result` then says).
    bool run(QProgressBar* bar, QLabel* result, int items, const std::function<void(const model::Progress&)>& pass);
    // The fields and buttons a pass holds still while it runs (all but Cancel).
    void holdInputs(bool held);

    app::Document& document_;
    bool busy_ = false;
    bool cancelRequested_ = false;
    int repaintInterval_ = 50;

    QDoubleSpinBox* radius_ = nullptr;
    QCheckBox* selectedVerticesOnly_ = nullptr;
    QCheckBox* selectedStayInPlace_ = nullptr;
    QProgressBar* vertexProgress_ = nullptr;
    QLabel* vertexResult_ = nullptr;
    QProgressBar* polygonProgress_ = nullptr;
    QLabel* polygonResult_ = nullptr;
    QDoubleSpinBox* uniformity_ = nullptr;
    QCheckBox* selectedPolygonsOnly_ = nullptr;
    QProgressBar* conversionProgress_ = nullptr;
    QLabel* conversionResult_ = nullptr;
    QPushButton* actions_[3] = {};
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace kestrel::ui
