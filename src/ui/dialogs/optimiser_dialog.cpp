#include "ui/dialogs/optimiser_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/dialogs/dialog_fields.h"

namespace kestrel::ui {

namespace {

constexpr double kLargestRadius = 1000.0;
// Face normals are unit vectors, so no component of two of them differs by more than 2.
constexpr double kLargestUniformity = 2.0;
// The most positions a progress bar takes during a pass.
constexpr int kBarPositions = 1000;

QDoubleSpinBox* numberField(double high, const char* objectName, QWidget* parent) {
    auto* field = new QDoubleSpinBox(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setDecimals(4);
    field->setRange(0.0, high);
    field->setSingleStep(0.1);
    field->setValue(0.0);
    return field;
}

QProgressBar* progressBar(const char* objectName, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(objectName));
    bar->setRange(0, 1);
    bar->setValue(0);
    return bar;
}

QLabel* resultLabel(const char* objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// "1 vertex", "3 vertices".
QString counted(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

int triangleCount(const model::Model& m) {
    return static_cast<int>(std::count_if(m.polygons.begin(), m.polygons.end(),
                                          [](const auto& p) { return model::polygonCornerCount(p) == 3; }));
}

// The wait cursor for the length of a pass, restored however the pass ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

OptimiserDialog::OptimiserDialog(app::Document& document, QWidget* parent) : QDialog(parent), document_(document) {
    setWindowTitle(QStringLiteral("Optimiser"));

    // Merging vertices that lie closer together than the radius.
    auto* vertexGroup = new QGroupBox(QStringLiteral("Vertex Reduction"), this);
    radius_ = numberField(kLargestRadius, "radius", vertexGroup);
    selectedVerticesOnly_ = checkBox(QStringLiteral("Selected Vertices Only"), "selectedVerticesOnly", vertexGroup);
    selectedStayInPlace_ = checkBox(QStringLiteral("Selected stay in place"), "selectedStayInPlace", vertexGroup);
    actions_[0] = actionButton(QStringLiteral("Do Vertex Optimisation"), "vertexButton", vertexGroup);
    vertexProgress_ = progressBar("vertexProgress", vertexGroup);
    vertexResult_ = resultLabel("vertexResult", vertexGroup);
    auto* vertexForm = new QFormLayout(vertexGroup);
    vertexForm->addRow(QStringLiteral("Radius:"), radius_);
    vertexForm->addRow(selectedVerticesOnly_);
    vertexForm->addRow(selectedStayInPlace_);
    vertexForm->addRow(actions_[0]);
    vertexForm->addRow(vertexProgress_);
    vertexForm->addRow(vertexResult_);

    // Removing degenerate polygons and the vertices no polygon uses.
    auto* polygonGroup = new QGroupBox(QStringLiteral("Polygon Reduction (Redundant Poly Delete)"), this);
    actions_[1] = actionButton(QStringLiteral("Do Polygon Reduction"), "polygonButton", polygonGroup);
    polygonProgress_ = progressBar("polygonProgress", polygonGroup);
    polygonResult_ = resultLabel("polygonResult", polygonGroup);
    auto* polygonLayout = new QVBoxLayout(polygonGroup);
    polygonLayout->addWidget(actions_[1]);
    polygonLayout->addWidget(polygonProgress_);
    polygonLayout->addWidget(polygonResult_);

    // Joining pairs of triangles that share an edge and face the same way.
    auto* conversionGroup = new QGroupBox(QStringLiteral("Triangle To Quad Conversion"), this);
    uniformity_ = numberField(kLargestUniformity, "uniformity", conversionGroup);
    uniformity_->setSingleStep(0.01);
    selectedPolygonsOnly_ = checkBox(QStringLiteral("Selected Polygons Only"), "selectedPolygonsOnly", conversionGroup);
    actions_[2] = actionButton(QStringLiteral("Do Conversion"), "conversionButton", conversionGroup);
    conversionProgress_ = progressBar("conversionProgress", conversionGroup);
    conversionResult_ = resultLabel("conversionResult", conversionGroup);
    auto* conversionForm = new QFormLayout(conversionGroup);
    conversionForm->addRow(QStringLiteral("Required Uniformity"), uniformity_);
    conversionForm->addRow(selectedPolygonsOnly_);
    conversionForm->addRow(actions_[2]);
    conversionForm->addRow(conversionProgress_);
    conversionForm->addRow(conversionResult_);

    connect(actions_[0], &QPushButton::clicked, this, &OptimiserDialog::doVertexOptimisation);
    connect(actions_[1], &QPushButton::clicked, this, &OptimiserDialog::doPolygonReduction);
    connect(actions_[2], &QPushButton::clicked, this, &OptimiserDialog::doConversion);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->setObjectName(QStringLiteral("buttons"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &OptimiserDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &OptimiserDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(vertexGroup);
    layout->addWidget(polygonGroup);
    layout->addWidget(conversionGroup);
    layout->addWidget(buttons_);
    setMinimumWidth(320);
}

model::VertexMergeOptions OptimiserDialog::vertexOptions() const {
    return {.radius = radius_->value(),
            .selectedOnly = selectedVerticesOnly_->isChecked(),
            .selectedStayInPlace = selectedStayInPlace_->isChecked()};
}

model::QuadConversionOptions OptimiserDialog::conversionOptions() const {
    return {.uniformity = uniformity_->value(), .selectedOnly = selectedPolygonsOnly_->isChecked()};
}

void OptimiserDialog::doVertexOptimisation() {
    const model::VertexMergeOptions options = vertexOptions();
    int merged = 0;
    const bool ran = run(vertexProgress_, vertexResult_, document_.model().vertexCount(),
                         [&](const model::Progress& progress) { merged = document_.mergeVertices(options, progress); });
    if (!ran) return;
    vertexResult_->setText(QStringLiteral("%1 merged; %2 left.")
                               .arg(counted(merged, "vertex", "vertices"),
                                    counted(document_.model().vertexCount(), "vertex", "vertices")));
}

void OptimiserDialog::doPolygonReduction() {
    model::PolygonReduction done;
    const bool ran = run(polygonProgress_, polygonResult_, document_.model().polygonCount(),
                         [&](const model::Progress& progress) { done = document_.reducePolygons(progress); });
    if (!ran) return;
    polygonResult_->setText(
        QStringLiteral("%1 removed, %2, %3 removed; %4 left.")
            .arg(counted(done.polygonsRemoved, "polygon", "polygons"),
                 counted(done.trianglesMade, "quadrilateral made a triangle", "quadrilaterals made triangles"),
                 counted(done.verticesRemoved, "unused vertex", "unused vertices"),
                 counted(document_.model().polygonCount(), "polygon", "polygons")));
}

void OptimiserDialog::doConversion() {
    const model::QuadConversionOptions options = conversionOptions();
    int joined = 0;
    const bool ran =
        run(conversionProgress_, conversionResult_, triangleCount(document_.model()),
            [&](const model::Progress& progress) { joined = document_.convertToQuads(options, progress); });
    if (!ran) return;
    conversionResult_->setText(QStringLiteral("%1; %2 left.")
                                   .arg(counted(joined, "pair of triangles joined into a quadrilateral",
                                                "pairs of triangles joined into quadrilaterals"),
                                        counted(document_.model().polygonCount(), "polygon", "polygons")));
}

void OptimiserDialog::holdInputs(bool held) {
    for (QWidget* input : std::initializer_list<QWidget*>{radius_, selectedVerticesOnly_, selectedStayInPlace_,
                                                          uniformity_, selectedPolygonsOnly_})
        input->setEnabled(!held);
    for (QPushButton* button : actions_) button->setEnabled(!held);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!held);
}

bool OptimiserDialog::run(QProgressBar* bar, QLabel* result, int items,
                          const std::function<void(const model::Progress&)>& pass) {
    if (busy_) return false;
    busy_ = true;
    cancelRequested_ = false;
    holdInputs(true);
    // A bar whose range is empty shows as busy rather than empty: keep at least one step.
    bar->setRange(0, std::max(items, 1));
    bar->setValue(0);

    // The bar moves in steps of a thousandth at the finest: a pass over a large model reports
    // far more steps than the bar has pixels, and each move costs more than the step itself.
    int shown = 0;
    int stride = std::max(items / kBarPositions, 1);
    QElapsedTimer sinceRepaint;
    sinceRepaint.start();
    struct Cancelled {};
    const model::Progress progress = [&](int step, int steps) {
        if (steps > 0 && steps != bar->maximum()) {
            bar->setMaximum(steps);
            stride = std::max(steps / kBarPositions, 1);
        }
        if (step - shown < stride) return;
        shown = step;
        bar->setValue(std::clamp(step, 0, bar->maximum()));
        if (sinceRepaint.elapsed() >= repaintInterval_) {
            // Paint, serve the window system and hear Cancel. The pass works on a copy of the
            // model, and only Cancel takes input meanwhile; a dialog that is not modal takes
            // none, so that the window cannot change the model under the pass.
            QCoreApplication::processEvents(isModal() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
            sinceRepaint.restart();
        }
        // Leaving the pass by an exception drops its copy: the model stays as it was.
        if (cancelRequested_) throw Cancelled{};
    };

    // Whatever the pass does, the dialog comes back usable.
    struct Restore {
        OptimiserDialog& dialog;
        ~Restore() {
            dialog.busy_ = false;
            dialog.cancelRequested_ = false;
            dialog.holdInputs(false);
        }
    } restore{*this};
    try {
        const WaitCursor wait;
        pass(progress);
    } catch (const Cancelled&) {
        bar->setValue(0);
        result->setText(QStringLiteral("Cancelled; the model is as it was."));
        return false;
    }
    // The pass is over, however many of its steps it reported (none, when there was nothing
    // to do).
    bar->setValue(bar->maximum());
    return true;
}

void OptimiserDialog::accept() {
    if (!busy_) QDialog::accept();
}

// Closing the window and Escape come here too: during a pass they stop it.
void OptimiserDialog::reject() {
    if (busy_)
        cancelRequested_ = true;
    else
        QDialog::reject();
}

}  // namespace kestrel::ui
