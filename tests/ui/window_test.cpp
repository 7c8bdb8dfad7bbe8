// The main window under the offscreen platform: its bars and panes, the view commands against
// the renderer's own pictures, the settings that outlive a run, and the file commands'
// reports, with the user's answers given by the test.
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include "app/settings.h"
#include "app/version.h"
#include "model/model_editing.h"
#include "model/vector.h"
#include "render/software_device.h"
#include "render/view_textures.h"
#include "ui/window/device_choice.h"
#include "ui/window/main_window.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::ui::test;

namespace {

// What the renderer draws for a pane's scene, drawn afresh.
QImage rendered(const PaneScene& scene, QSize size) {
    render::SoftwareDevice device(size.width(), size.height());
    const auto textures = render::viewTextures(device, scene.document->textureSlots());
    drawScene(device, scene, textures);
    const auto& pixels = device.pixels();
    return QImage(reinterpret_cast<const uchar*>(pixels.data()), size.width(), size.height(), size.width() * 4,
                  QImage::Format_RGB32)
        .copy();
}

QImage paintedPicture(ViewPane* pane) {
    pane->surface().widget()->repaint();
    return pane->surface().picture();
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void barsPanesAndModes() {
        Harness h;
        MainWindow& w = *h.window;
        QCOMPARE(w.windowTitle(), QString("Kestrel: Using Software Rasteriser"));
        const std::pair<int, const char*> bars[] = {
            {59392, "Standard"}, {59396, "View"}, {59397, "Vertex Edit"}, {59398, "Model Edit"}, {59402, "Polygon"}};
        for (const auto& [id, caption] : bars) {
            QToolBar* bar = w.toolBar(id);
            QVERIFY2(bar, caption);
            QCOMPARE(bar->windowTitle(), QString(caption));
            QCOMPARE(w.toolBarArea(bar), Qt::TopToolBarArea);
        }
        QCOMPARE(w.toolBar(command::kModelEditBarId)->iconSize(), QSize(32, 32));
        // The View bar's buttons in their order, separators as 0.
        QList<int> order;
        for (QAction* a : w.toolBar(command::kViewBarId)->actions())
            order << (a->isSeparator() ? 0 : a->data().toInt());
        QCOMPARE(order, (QList<int>{32774, 32775, 32778, 32779, 0, 32772, 32771, 32817, 32852, 32854, 32921}));
        const auto buttons = [&w](int bar) {
            QList<int> ids;
            for (QAction* a : w.toolBar(bar)->actions()) ids << (a->isSeparator() ? 0 : a->data().toInt());
            return ids;
        };
        QCOMPARE(buttons(59398), (QList<int>{32795, 32806, 0, 32790, 32837, 32907, 32909, 32815, 32923, 0, 32814, 0,
                                             32869, 32870, 32901, 0, 32902}));
        QCOMPARE(buttons(59397).mid(4),
                 (QList<int>{0, 32868, 32873, 0, 32801, 32796, 32799, 32800, 32802, 32803, 32804}));
        // Pick starts checked; a tool keeps the locks, Pick clears them.
        QVERIFY(w.action(32795)->isChecked());
        w.action(32802)->trigger();  // "Move X"
        w.action(32790)->trigger();
        QVERIFY(w.action(32790)->isChecked() && w.action(32802)->isChecked() && !w.action(32795)->isChecked());
        w.action(32795)->trigger();
        QVERIFY(w.action(32801)->isChecked() && !w.action(32790)->isChecked());
        QCOMPARE(w.action(32800)->toolTip(), QString("Move in ZX"));
        QVERIFY(!w.action(32869)->isEnabled());  // the joint tools wait for a skeleton
        QCOMPARE(w.action(command::kRotateYDown)->toolTip(), QString("Y-axis rotate"));
        QCOMPARE(w.action(command::kRotateYDown)->statusTip(), QString("Rotate view about the Y axis"));
        QCOMPARE(w.infoBar()->windowTitle(), QString("Info"));
        QCOMPARE(w.dockWidgetArea(w.infoBar()), Qt::TopDockWidgetArea);

        QCOMPARE(w.pane(0)->view().mode, render::DisplayMode::Textured);
        for (int i = 1; i < 4; ++i) QCOMPARE(w.pane(i)->view().mode, render::DisplayMode::Wireframe);
        QVERIFY(w.pane(0)->isActive());
        // Backface Removal is offered in wireframe panes only.
        QVERIFY(!w.action(command::kBackfaceRemoval)->isEnabled());
        w.setActivePane(w.pane(2));
        QVERIFY(w.action(command::kBackfaceRemoval)->isEnabled());
        QVERIFY(w.action(command::kWireframe)->isChecked());
        QVERIFY(!w.pane(0)->isActive());
    }

    void viewCommandsChangeWhatThePaneDraws() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ViewPane* pane = w.pane(1);
        w.setActivePane(pane);
        const QImage before = paintedPicture(pane);
        QVERIFY(!before.isNull());
        QCOMPARE(before, rendered(pane->scene(), pane->clientSize()));

        w.action(command::kShowGrid)->trigger();
        w.action(command::kTop)->trigger();
        w.action(command::kScaleUp)->trigger();
        QVERIFY(pane->view().showGrid);
        QCOMPARE(pane->view().rotationX, render::kQuarterTurn);
        const QImage after = paintedPicture(pane);
        QVERIFY(after != before);
        QCOMPARE(after, rendered(pane->scene(), pane->clientSize()));
        // The other panes kept their cameras.
        QCOMPARE(w.pane(3)->view().rotationX, 0.0);
        QVERIFY(!w.pane(3)->view().showGrid);

        w.action(command::kTextured)->trigger();
        QCOMPARE(pane->view().mode, render::DisplayMode::Textured);
        QCOMPARE(paintedPicture(pane), rendered(pane->scene(), pane->clientSize()));

        // Switching the model off leaves the axes alone on a black ground.
        w.action(command::kShowModel)->trigger();
        w.action(command::kShowGrid)->trigger();
        const QImage bare = paintedPicture(pane);
        QCOMPARE(bare, rendered(pane->scene(), pane->clientSize()));
        QVERIFY(bare != after);
    }

    void aRightDragTurnsTheCameraOfThePaneUnderIt() {
        Harness h;
        MainWindow& w = *h.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget* surface = w.pane(3)->surface().widget();
        QTest::mousePress(surface, Qt::RightButton, Qt::NoModifier, QPoint(50, 50));
        QVERIFY(w.pane(3)->isActive());
        QMouseEvent move(QEvent::MouseMove, QPointF(60, 70), surface->mapToGlobal(QPointF(60, 70)), Qt::NoButton,
                         Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
        QTest::mouseRelease(surface, Qt::RightButton, Qt::NoModifier, QPoint(60, 70));
        QCOMPARE(w.pane(3)->view().rotationX, 0.2);
        QCOMPARE(w.pane(3)->view().rotationY, model::TWO_PI - 0.1);
        QCOMPARE(paintedPicture(w.pane(3)), rendered(w.pane(3)->scene(), w.pane(3)->clientSize()));
        // After the release, moving turns nothing; the other panes never turned.
        QMouseEvent after(QEvent::MouseMove, QPointF(90, 90), surface->mapToGlobal(QPointF(90, 90)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &after);
        QCOMPARE(w.pane(3)->view().rotationX, 0.2);
        QCOMPARE(w.pane(0)->view().rotationX, 0.0);
    }

    // The panes pass the pointer to the tools: a band selects, a Move drag is one undo step,
    // Escape in the middle of a drag puts the model back.
    void dragsInAPaneReachTheToolsAndRepaint() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ViewPane* pane = w.pane(3);
        QWidget* surface = pane->surface().widget();
        const auto drag = [surface](QPoint from, QPoint to) {
            QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, from);
            QMouseEvent move(QEvent::MouseMove, QPointF(to), surface->mapToGlobal(QPointF(to)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(surface, &move);
            QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, to);
        };
        const QImage before = paintedPicture(pane);
        drag(QPoint(1, 1), QPoint(surface->width() - 2, surface->height() - 2));
        const model::Model& m = w.document().model();
        QCOMPARE(model::countSelectedVertices(m), m.vertexCount());
        QVERIFY(paintedPicture(pane) != before);
        QCOMPARE(paintedPicture(pane), rendered(pane->scene(), pane->clientSize()));

        const model::ModelVertex first = m.vertices[0];
        w.action(32790)->trigger();
        drag(QPoint(50, 50), QPoint(60, 50));
        QVERIFY(w.document().model().vertices[0].x > first.x);
        QCOMPARE(w.document().undoName(), std::string("Move"));
        w.action(command::kUndo)->trigger();
        QCOMPARE(w.document().model().vertices[0], first);

        QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        QMouseEvent move(QEvent::MouseMove, QPointF(80, 50), surface->mapToGlobal(QPointF(80, 50)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
        QVERIFY(w.document().model().vertices[0].x > first.x);
        QTest::keyClick(surface, Qt::Key_Escape);
        QCOMPARE(w.document().model().vertices[0], first);
        QCOMPARE(w.document().redoName(), std::string("Move"));  // the cancelled drag left no step
        QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, QPoint(80, 50));
        QCOMPARE(w.document().model().vertices[0], first);
    }

    void documentChangesRepaintAndUpdateCounts() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        const model::Model& m = h.document.model();
        QCOMPARE(w.shownCounts(), (std::array<int, 3>{m.polygonCount(), m.vertexCount(), m.normalCount()}));
        QVERIFY(!w.action(command::kDeleteVertices)->isEnabled());
        QVERIFY(!w.action("Point Lighting")->isEnabled());  // it lights from one selected vertex
        w.action("Select All")->trigger();
        QVERIFY(w.action(command::kDeleteVertices)->isEnabled());
        QVERIFY(!w.action(command::kCreatePolygon)->isEnabled());  // more than three vertices selected
        w.action(command::kDeleteVertices)->trigger();
        QCOMPARE(w.shownCounts()[0], 0);
        QCOMPARE(w.shownCounts()[1], 0);
        QVERIFY(!w.action(command::kDeleteVertices)->isEnabled());
        QVERIFY(w.action(command::kCreatePolygon)->isEnabled());
    }

    void configurationFileRoundTrip() {
        Harness h;
        h.window.reset();  // the first window wrote the defaults; replace them
        app::Settings written;
        written.lightMasks = {{{1, 2, 4}, {7, 7, 7}, {0, 0, 0}, {4, 2, 1}}};
        written.portBase = 0x378;
        written.maxViewportWidth = 800;
        written.maxViewportHeight = 600;
        written.mimeVersion = 7;  // not a version: read as Type 1
        written.minimumMovement = 2.5;
        QFile file(h.configPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const std::string bytes = app::configBytes(written);
        QCOMPARE(bytes.size(), std::size_t{70});
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        file.close();

        h.open();
        MainWindow& w = *h.window;
        QCOMPARE(h.document.settings().mimeVersion, 1);
        QCOMPARE(h.document.settings().portBase, std::uint16_t{0x378});
        QCOMPARE(h.document.settings().minimumMovement, 2.5);
        QCOMPARE(w.pane(1)->view().lightMasks, (std::array<int, 3>{7, 7, 7}));
        QCOMPARE(w.pane(0)->scene().maxViewport, QSize(800, 600));
        // Lighting changed in a pane is what the file holds after the window goes.
        w.pane(3)->view().lightMasks = {2, 4, 1};
        h.window.reset();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QCOMPARE(saved.size(), 70);
        app::Settings expected = written;
        expected.mimeVersion = 1;
        expected.lightMasks[3] = {2, 4, 1};
        QCOMPARE(saved, QByteArray::fromStdString(app::configBytes(expected)));
    }

    void placementAndBarLayoutSurviveARestart() {
        Harness h;
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        h.window->action(command::kViewModelEditBar)->trigger();
        QVERIFY(h.window->toolBar(command::kModelEditBarId)->isHidden());
        QVERIFY(!h.window->action(command::kViewModelEditBar)->isChecked());
        h.window->showMaximized();
        QTRY_VERIFY(h.window->isMaximized());
        h.restart();
        MainWindow& w = *h.window;
        const auto placement = h.store->placement();
        QVERIFY(placement);
        QCOMPARE(placement->flags, kRestoreMaximised);
        w.show();
        QVERIFY(w.isMaximized());
        QVERIFY(w.toolBar(command::kModelEditBarId)->isHidden());
        QVERIFY(!w.toolBar(command::kViewBarId)->isHidden());
        QVERIFY(!w.action(command::kViewModelEditBar)->isChecked());
        w.action(command::kViewModelEditBar)->trigger();
        QVERIFY(!w.toolBar(command::kModelEditBarId)->isHidden());
    }

    void theDeviceQuestionIsAskedOnceAndOnlyWithOpenGl() {
        QTemporaryDir dir;
        UiStore store(dir.filePath("kestrel.ini"));
        ScriptedPrompts prompts;
        int probes = 0;
        const auto withGl = [&probes]() -> std::optional<std::string> {
            ++probes;
            return "OpenGL test renderer";
        };
        const auto withoutGl = []() -> std::optional<std::string> { return std::nullopt; };

        // No OpenGL: software, silently, and nothing kept, so a later start still asks.
        DeviceChoice choice = chooseDevice("", store, prompts, withoutGl);
        QVERIFY(!choice.openGl);
        QCOMPARE(choice.name, std::string("Software Rasteriser"));
        QCOMPARE(prompts.hardwareQuestions, 0);
        QVERIFY(!store.useHardware());

        prompts.hardwareAnswer = true;
        choice = chooseDevice("", store, prompts, withGl);
        QVERIFY(choice.openGl);
        QCOMPARE(choice.name, std::string("OpenGL test renderer"));
        QCOMPARE(prompts.hardwareQuestions, 1);
        choice = chooseDevice("", store, prompts, withGl);
        QVERIFY(choice.openGl);
        QCOMPARE(prompts.hardwareQuestions, 1);  // the answer was kept

        // "NO" kept: no question, and the display is not even looked at.
        store.setUseHardware(false);
        probes = 0;
        QVERIFY(!chooseDevice("", store, prompts, withGl).openGl);
        QCOMPARE(probes, 0);
        // The command line overrides the kept answer without changing it.
        QVERIFY(chooseDevice("opengl", store, prompts, withGl).openGl);
        QCOMPARE(store.useHardware(), std::optional<bool>(false));
        choice = chooseDevice("opengl", store, prompts, withoutGl);
        QVERIFY(!choice.openGl);
        QVERIFY(!choice.warning.empty());
        QCOMPARE(prompts.hardwareQuestions, 1);
    }

    void aPaneWhoseOpenGlFailsDrawsInSoftware() {
        QTemporaryDir dir;
        app::Document document;
        ScriptedPrompts prompts;
        UiStore store(dir.filePath("kestrel.ini"));
        WindowOptions options;
        options.openGl = true;
        options.deviceName = "OpenGL test renderer";
        MainWindow w(document, store, prompts, options);
        QCOMPARE(w.windowTitle(), QString("Kestrel: Using OpenGL test renderer"));
        w.pane(2)->fallBackToSoftware("no shaders");
        QCOMPARE(w.pane(2)->surface().deviceName(), std::string("Software Rasteriser"));
        QCOMPARE(w.windowTitle(), QString("Kestrel: Using Software Rasteriser"));
        QVERIFY(w.statusBar()->currentMessage().contains("no shaders"));
        // The new surface is the pane's: a click in it still makes the pane active.
        QTest::mouseClick(w.pane(2)->surface().widget(), Qt::LeftButton);
        QVERIFY(w.pane(2)->isActive());
        QVERIFY(!w.pane(0)->isActive());
    }

    void aPlaceOffEveryScreenKeepsOnlyTheSize() {
        Harness h;
        h.window.reset();
        h.store->setPlacement(*parseWindowPlacement("0,1,-1,-1,-1,-1,50000,50000,50700,50500"));
        h.open();
        QCOMPARE(h.window->size(), QSize(700, 500));
        QVERIFY(h.window->x() < 50000);
    }

    void placementText() {
        const auto parsed = parseWindowPlacement("2,3,-1,-1,-8,-31,10,20,810,620");
        QVERIFY(parsed);
        QCOMPARE(parsed->right, 810);
        QCOMPARE(formatWindowPlacement(*parsed), QString("2,3,-1,-1,-8,-31,10,20,810,620"));
        for (const char* bad : {"", "1,2,3", "2,3,-1,-1,-8,-31,10,20,810,620,5", "2,3,x,-1,-8,-31,10,20,810,620",
                                "-2,3,-1,-1,-8,-31,10,20,810,620"})
            QVERIFY2(!parseWindowPlacement(bad), bad);
    }

    void failedLoadKeepsTheModelAndSaysWhy() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        const int polygons = h.document.model().polygonCount();
        const QString title = w.windowTitle();
        QVERIFY(title.startsWith("Kestrel - ") && title.endsWith("robot.rsd"));

        QFile broken(h.dir.filePath("broken.rsd"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("@RSD940102\nPLY=missing.ply\n");
        broken.close();
        QVERIFY(!w.openPath(broken.fileName()));
        QCOMPARE(h.document.model().polygonCount(), polygons);
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(h.prompts.told.size(), std::size_t{1});
        QVERIFY(h.prompts.told[0].error);
        QVERIFY(h.prompts.told[0].headline.contains("broken.rsd"));
        QVERIFY2(h.prompts.told[0].problems.join(' ').contains("missing.ply"),
                 qPrintable(h.prompts.told[0].problems.join(' ')));
        QCOMPARE(h.store->recentFiles().size(), 1);
        // The next start lists the file opened, and only that one.
        h.restart();
        const QAction* first = h.window->action(command::kRecentFirst);
        QVERIFY(first->isVisible());
        QVERIFY(first->text().startsWith("&1 ") && first->text().endsWith("robot.rsd"));
        QVERIFY(!h.window->action(command::kRecentFirst + 1)->isVisible());
    }

    void aDroppedFileOpens() {
        Harness h;
        MainWindow& w = *h.window;
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(sampleDir() + "/robot.rsd")});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(&w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        QVERIFY(w.windowTitle().endsWith("robot.rsd"));
        QVERIFY(h.document.model().polygonCount() > 0);
        // Two files at once are not taken.
        QMimeData two;
        two.setUrls({QUrl::fromLocalFile("/a.rsd"), QUrl::fromLocalFile("/b.rsd")});
        QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(&w, &refused);
        QVERIFY(!refused.isAccepted());
    }

    void aseScenesAskAboutTexturesFirst() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        const int polygons = h.document.model().polygonCount();
        h.prompts.told.clear();
        // Cancel imports nothing and is no failure to report.
        QVERIFY(!w.openPath(sampleDir() + "/scene.ase"));
        QCOMPARE(h.prompts.aseQuestions, 1);
        QCOMPARE(h.document.model().polygonCount(), polygons);
        QVERIFY(h.prompts.told.empty());
        h.prompts.aseAnswer = true;
        QVERIFY(w.openPath(sampleDir() + "/scene.ase"));
        QVERIFY(h.document.importAseTextures);
        QVERIFY(w.windowTitle().endsWith("scene.rsd"));  // the set Save would write
        // Other scenes are read without the question.
        QVERIFY(w.openPath(sampleDir() + "/object.asc"));
        QCOMPARE(h.prompts.aseQuestions, 2);
    }

    void unsavedChangesAreAskedAbout() {
        Harness h;
        MainWindow& w = *h.window;
        // A copy of the sample, so that saving does not touch the repository's files.
        for (const char* name : {"robot.rsd", "robot.ply", "robot.mat", "robot.xgrp", "robot.bone", "robot.move"})
            QVERIFY(QFile::copy(sampleDir() + "/" + name, h.dir.filePath(name)));
        QVERIFY(w.openPath(h.dir.filePath("robot.rsd")));
        h.prompts.told.clear();  // the copy has no textures beside it
        w.action(command::kNew)->trigger();
        QCOMPARE(h.prompts.saveQuestions, 0);  // nothing changed yet

        QVERIFY(w.openPath(h.dir.filePath("robot.rsd")));
        w.action("Select All")->trigger();
        w.action(command::kInvertNormals)->trigger();
        const model::Model edited = h.document.model();
        h.prompts.saveChoice = SaveChoice::Cancel;
        w.action(command::kNew)->trigger();
        QCOMPARE(h.prompts.saveQuestions, 1);
        QCOMPARE(h.document.model(), edited);  // still the edited model
        QVERIFY(!w.close());                   // Cancel keeps the window too

        h.prompts.saveChoice = SaveChoice::Save;
        w.action(command::kNew)->trigger();
        QVERIFY(!h.document.modified());
        QVERIFY(h.document.model().rsdFileName.empty());
        QVERIFY(QFile::exists(h.dir.filePath("robot.rsd_backup")));
        // What was saved is the edit, movements and all.
        QVERIFY(w.openPath(h.dir.filePath("robot.rsd")));
        QCOMPARE(h.document.model().polygons[0].vId, edited.polygons[0].vId);
        QCOMPARE(h.document.animation().movements.size(), std::size_t{1});
    }

    void failedSaveIsReported() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        h.prompts.told.clear();
        h.prompts.nextPath = h.dir.filePath("no/such/folder/robot.rsd");
        w.action(command::kSaveAs)->trigger();
        QCOMPARE(h.prompts.told.size(), std::size_t{1});
        QVERIFY(h.prompts.told[0].error);
        // A name that is neither RSD nor TMD writes nothing, and says so.
        h.prompts.nextPath = h.dir.filePath("robot.obj");
        w.action(command::kSaveAs)->trigger();
        QCOMPARE(h.prompts.told.size(), std::size_t{2});
        QVERIFY(!QFile::exists(h.dir.filePath("robot.obj")));
        // A TMD is written, and the title keeps naming the RSD set.
        const QString title = w.windowTitle();
        h.prompts.nextPath = h.dir.filePath("robot.tmd");
        w.action(command::kSaveAs)->trigger();
        QVERIFY(QFile::exists(h.dir.filePath("robot.tmd")));
        QCOMPARE(w.windowTitle(), title);
    }

    void backgroundColourAndMarker() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        w.action(command::kBackgroundColour)->trigger();
        for (int i = 0; i < 4; ++i) QCOMPARE(w.pane(i)->scene().background, 0x000040u);
        QVERIFY(!w.action("Restore Marker")->isEnabled());
        w.action("Set Marker")->trigger();
        QVERIFY(w.action("Restore Marker")->isEnabled());
        const int vertices = h.document.model().vertexCount();
        w.action("Select All")->trigger();
        w.action(command::kDeleteVertices)->trigger();
        w.action("Restore Marker")->trigger();
        QCOMPARE(w.shownCounts()[1], vertices);
    }

    void aboutBoxShowsTheVersion() {
        Harness h;
        QString shown;
        QTimer::singleShot(0, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        h.window->action(command::kAbout)->trigger();
        QVERIFY2(shown.contains("Version " + QString::fromStdString(app::versionText())), qPrintable(shown));
        QVERIFY(!app::versionNumber().empty());
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
