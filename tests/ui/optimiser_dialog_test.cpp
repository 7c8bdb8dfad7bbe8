// The Optimiser and Align To Grid dialogs driven as a user would: fill the fields, press the
// buttons, and look at the document, the progress bars and what the dialog says it did. The
// passes themselves are the model's, tested there.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "app/document.h"
#include "dialog_probe.h"
#include "formats/file_system.h"
#include "ui/dialogs/grid_align_dialog.h"
#include "ui/dialogs/optimiser_dialog.h"

using namespace kestrel;
using namespace kestrel::ui;
using model::makeVector;

namespace {
void press(const QWidget& dialog, const char* name) {
    QTest::mouseClick(child<QPushButton>(dialog, name), Qt::LeftButton);
}
QString said(const QWidget& dialog, const char* name) { return child<QLabel>(dialog, name)->text(); }

// A document over files in memory holding these vertices, counting its model-change reports.
struct Fixture {
    app::Document document{std::make_unique<formats::MemoryFileSystem>()};
    const model::Model& m = document.model();
    int changes = 0;
    std::function<void()> onChange;  // what a test does while the document tells of a change
    explicit Fixture(std::vector<model::ModelVertex> vertices) {
        document.edit("Vertices", [&](model::Model& edited) {
            edited.vertices = std::move(vertices);
            edited.normals.resize(edited.vertices.size());
        });
        document.subscribe([this](const app::ChangeNotice& notice) {
            changes += (notice.what & app::kModelChanged) != 0;
            if (onChange) onChange();
        });
        changes = 0;
    }
    void addPolygon(int a, int b, int c, int d) {
        document.edit("Polygon", [&](model::Model& edited) { edited.addPolygon(a, b, c, d); });
        changes = 0;
    }
    Fixture(const Fixture&) = delete;  // the subscription holds this one
    Fixture& operator=(const Fixture&) = delete;
};

// Vertices 0 and 1 lie 0.5 apart.
std::vector<model::ModelVertex> closePair() {
    return {makeVector(0, 0, 0), makeVector(0.5, 0, 0), makeVector(10, 0, 0), makeVector(0, 10, 0)};
}

}  // namespace

class OptimiserDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void vertexOptimisationReadsTheFields_data();
    void vertexOptimisationReadsTheFields();
    void polygonReductionAndConversionChangeTheModel();
    void nothingStartsOrClosesWhileAPassRuns();
    void cancelStopsAPassAndLeavesTheModelAsItWas();
    void gridAlignReadsTheFieldsAndRefusesAZeroGrid();
};

void OptimiserDialogTest::vertexOptimisationReadsTheFields_data() {
    QTest::addColumn<double>("radius");
    QTest::addColumn<bool>("selectedOnly");
    QTest::addColumn<bool>("stayInPlace");
    QTest::addColumn<bool>("firstSelected");  // the second always is
    QTest::addColumn<int>("merged");
    QTest::newRow("as far apart as the radius") << 0.5 << false << false << false << 0;
    QTest::newRow("closer than the radius") << 0.6 << false << false << false << 1;
    QTest::newRow("no radius: no steps reported") << 0.0 << false << false << false << 0;
    QTest::newRow("selected only") << 0.6 << true << false << true << 1;
    QTest::newRow("selected only, first not") << 0.6 << true << false << false << 0;
    QTest::newRow("selected stay in place") << 0.6 << false << true << true << 0;
}

void OptimiserDialogTest::vertexOptimisationReadsTheFields() {
    QFETCH(double, radius);
    QFETCH(bool, selectedOnly);
    QFETCH(bool, stayInPlace);
    QFETCH(bool, firstSelected);
    QFETCH(int, merged);
    Fixture f(closePair());
    f.addPolygon(1, 2, 3, -1);
    QVERIFY(f.document.selectVertices(firstSelected ? std::vector<int>{0, 1} : std::vector<int>{1}));
    f.changes = 0;
    OptimiserDialog dialog(f.document);
    dialog.show();
    child<QDoubleSpinBox>(dialog, "radius")->setValue(radius);
    child<QCheckBox>(dialog, "selectedVerticesOnly")->setChecked(selectedOnly);
    child<QCheckBox>(dialog, "selectedStayInPlace")->setChecked(stayInPlace);

    press(dialog, "vertexButton");

    QCOMPARE(f.m.vertexCount(), 4 - merged);
    QCOMPARE(f.changes, merged);
    // One step per vertex of the model as it was; full at the end, however many were reported.
    auto* bar = child<QProgressBar>(dialog, "vertexProgress");
    QCOMPARE(bar->maximum(), 4);
    QCOMPARE(bar->value(), 4);
    QCOMPARE(said(dialog, "vertexResult"), merged ? QStringLiteral("1 vertex merged; 3 vertices left.")
                                                  : QStringLiteral("0 vertices merged; 4 vertices left."));
}

void OptimiserDialogTest::polygonReductionAndConversionChangeTheModel() {
    // A square in two triangles sharing the edge 1-2, a degenerate triangle and an unused vertex.
    Fixture f(
        {makeVector(0, 0, 0), makeVector(10, 0, 0), makeVector(0, 10, 0), makeVector(10, 10, 0), makeVector(5, 5, 5)});
    f.addPolygon(0, 1, 2, -1);
    f.addPolygon(0, 0, 1, -1);
    f.addPolygon(2, 1, 3, -1);
    OptimiserDialog dialog(f.document);
    dialog.show();
    auto* polygonBar = child<QProgressBar>(dialog, "polygonProgress");
    QSignalSpy moves(polygonBar, &QProgressBar::valueChanged);

    press(dialog, "polygonButton");
    QCOMPARE(f.m.polygonCount(), 2);
    QCOMPARE(f.m.vertexCount(), 4);
    QCOMPARE(moves.size(), 3);  // one per polygon
    QCOMPARE(polygonBar->value(), 3);
    QCOMPARE(said(dialog, "polygonResult"), QStringLiteral("1 polygon removed, 0 quadrilaterals made triangles, "
                                                           "1 unused vertex removed; 2 polygons left."));

    child<QDoubleSpinBox>(dialog, "uniformity")->setValue(0.01);
    child<QCheckBox>(dialog, "selectedPolygonsOnly")->setChecked(true);  // and none is
    press(dialog, "conversionButton");
    QCOMPARE(f.m.polygonCount(), 2);
    child<QCheckBox>(dialog, "selectedPolygonsOnly")->setChecked(false);
    press(dialog, "conversionButton");
    QCOMPARE(f.m.polygonCount(), 1);
    QCOMPARE(model::polygonCornerCount(f.m.polygons[0]), 4);
    QCOMPARE(child<QProgressBar>(dialog, "conversionProgress")->value(), 2);  // of two triangles
    QCOMPARE(said(dialog, "conversionResult"),
             QStringLiteral("1 pair of triangles joined into a quadrilateral; 1 polygon left."));
    QCOMPARE(f.changes, 2);  // the conversion that joined nothing changed nothing
}

void OptimiserDialogTest::nothingStartsOrClosesWhileAPassRuns() {
    Fixture f(closePair());
    f.addPolygon(1, 2, 3, -1);
    f.addPolygon(0, 0, 1, -1);
    OptimiserDialog dialog(f.document);
    dialog.show();
    dialog.setRepaintInterval(0);  // serve the event loop at every move of the bar
    child<QDoubleSpinBox>(dialog, "radius")->setValue(0.6);

    // A timer runs while the pass lets the dialog paint, and the window's repaint runs from
    // the document's change report with the pass still on the stack. Neither may start a
    // second pass on the half-changed model, nor close the dialog.
    int barDuringPass = -1, polygonsAfterReentry = -1;
    bool busyInTimer = false, buttonsDisabled = false, refusedClose = false;
    QTimer::singleShot(0, &dialog, [&] {
        barDuringPass = child<QProgressBar>(dialog, "vertexProgress")->value();
        busyInTimer = dialog.busy();
        dialog.accept();
    });
    f.onChange = [&] {
        buttonsDisabled = !child<QPushButton>(dialog, "polygonButton")->isEnabled() && !okButton(dialog)->isEnabled();
        dialog.doPolygonReduction();
        polygonsAfterReentry = f.m.polygonCount();
        dialog.accept();
        QCloseEvent close;
        QCoreApplication::sendEvent(&dialog, &close);
        refusedClose = dialog.isVisible() && !close.isAccepted();
    };
    press(dialog, "vertexButton");
    QVERIFY(busyInTimer);
    QVERIFY2(barDuringPass > 0 && barDuringPass < 4, qPrintable(QString::number(barDuringPass)));
    QVERIFY(buttonsDisabled);
    QCOMPARE(polygonsAfterReentry, 2);
    QVERIFY(refusedClose);

    // Afterwards the buttons work again, and OK only closes.
    f.onChange = nullptr;
    press(dialog, "polygonButton");
    QCOMPARE(f.m.polygonCount(), 1);
    const model::Model before = f.m;
    QTest::mouseClick(okButton(dialog), Qt::LeftButton);
    QVERIFY(!dialog.isVisible() && f.m == before);
}

void OptimiserDialogTest::cancelStopsAPassAndLeavesTheModelAsItWas() {
    // A row of pairs 0.5 apart, so that the merge reports many steps.
    std::vector<model::ModelVertex> row;
    for (int i = 0; i < 2000; ++i) row.push_back(makeVector(10.0 * (i / 2) + 0.5 * (i % 2), 0, 0));
    Fixture f(row);
    const model::Model before = f.m;
    OptimiserDialog dialog(f.document);
    dialog.setModal(true);
    dialog.show();
    dialog.setRepaintInterval(0);
    child<QDoubleSpinBox>(dialog, "radius")->setValue(0.6);
    auto* cancel = child<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Cancel);

    // Cancel is the one control that takes input while the pass runs.
    bool fieldsHeld = false;
    QTimer::singleShot(0, &dialog, [&] {
        fieldsHeld = !child<QDoubleSpinBox>(dialog, "radius")->isEnabled() && !okButton(dialog)->isEnabled() &&
                     cancel->isEnabled();
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    press(dialog, "vertexButton");
    QVERIFY(fieldsHeld);
    QVERIFY(!dialog.busy() && dialog.isVisible());
    QCOMPARE(f.changes, 0);
    QVERIFY(f.m == before);
    QVERIFY(!f.document.canUndo() || f.document.undoName() == "Vertices");
    QCOMPARE(said(dialog, "vertexResult"), QStringLiteral("Cancelled; the model is as it was."));
    QCOMPARE(child<QProgressBar>(dialog, "vertexProgress")->value(), 0);

    // Escape stops a pass the same way; a pass left alone then does its work.
    QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    press(dialog, "vertexButton");
    QVERIFY(f.m == before && dialog.isVisible());
    press(dialog, "vertexButton");
    QCOMPARE(f.m.vertexCount(), 1000);
    QCOMPARE(f.changes, 1);
    QVERIFY(child<QDoubleSpinBox>(dialog, "radius")->isEnabled());
}

void OptimiserDialogTest::gridAlignReadsTheFieldsAndRefusesAZeroGrid() {
    GridAlignDialog dialog;
    dialog.show();
    const model::GridAlignOptions first = dialog.options();
    QCOMPARE(first.size, (std::array{1.0, 1.0, 1.0}));
    QCOMPARE(first.enabled, (std::array{true, true, true}));
    QVERIFY(!first.selectedOnly);

    // Typed as a user would: OK follows each key, and accept() refuses too.
    auto* ok = okButton(dialog);
    auto* label = child<QLabel>(dialog, "problemLabel");
    auto* x = child<QDoubleSpinBox>(dialog, "xGrid");
    x->selectAll();
    QTest::keyClicks(x, QStringLiteral("0"));
    QVERIFY(!ok->isEnabled());
    QVERIFY(label->isVisible() && label->text().contains(QStringLiteral("X grid size")));
    dialog.accept();
    QVERIFY(dialog.isVisible());

    // An unticked axis's size does not matter.
    child<QDoubleSpinBox>(dialog, "yGrid")->setValue(0);
    child<QCheckBox>(dialog, "yEnabled")->setChecked(false);
    child<QCheckBox>(dialog, "xEnabled")->setChecked(false);
    QVERIFY(ok->isEnabled() && !label->isVisible() && !x->isEnabled());
    child<QCheckBox>(dialog, "xEnabled")->setChecked(true);
    QVERIFY(!ok->isEnabled());
    x->selectAll();
    QTest::keyClicks(x, QStringLiteral("10"));
    child<QDoubleSpinBox>(dialog, "zGrid")->setValue(2.5);
    child<QRadioButton>(dialog, "selectedOnly")->setChecked(true);
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const model::GridAlignOptions set = dialog.options();
    QCOMPARE(set.size, (std::array{10.0, 0.0, 2.5}));
    QCOMPARE(set.enabled, (std::array{true, false, true}));
    QVERIFY(set.selectedOnly);
}

QTEST_MAIN(OptimiserDialogTest)
#include "optimiser_dialog_test.moc"
