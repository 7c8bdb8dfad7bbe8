// The project window over the sample: the tree as a view of the document, the selection it
// makes, the commands its menus and bars reach with their undo steps, the keyframe drag, and
// MIMe output from the window.
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include "model/view_projection.h"
#include "ui/dialogs/keyframe_dialogs.h"
#include "ui/dialogs/object_creator.h"
#include "ui/window/main_window.h"
#include "ui/window/project_tree.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::ui::test;

namespace {

// The tree's items in order, children indented by two spaces.
QStringList treeText(QTreeWidget* tree) {
    QStringList lines;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        int depth = 0;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
        lines << QString(2 * depth, ' ') + (*it)->text(0);
    }
    return lines;
}

QTreeWidgetItem* itemNamed(QTreeWidget* tree, const QString& text) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == text) return *it;
    return nullptr;
}

// Answers the next modal dialog: sets a line edit and presses OK.
void answerNextDialog(const char* edit, const QString& text) {
    QTimer::singleShot(0, [edit = QString(edit), text] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (auto* line = dialog->findChild<QLineEdit*>(edit)) line->setText(text);
        dialog->accept();
    });
}

}  // namespace

class ProjectWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theTreeShowsTheSetAndFollowsEveryCommand() {
        Harness h;
        MainWindow& w = *h.window;
        QCOMPARE(treeText(w.projectTree()), QStringList{"none"});
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        const QStringList opened{
            "robot.rsd", "  body",         "  head",         "  hat",          "  Skeleton",       "  BaseFrame",
            "  nod",     "    Keyframe_1", "    Keyframe_2", "    Keyframe_3", "  robot_body.tim", "  robot_face.tim"};
        QCOMPARE(treeText(w.projectTree()), opened);
        QVERIFY(!w.openPath(sampleDir() + "/no_such_set.rsd"));  // a failed open keeps the tree
        QCOMPARE(treeText(w.projectTree()), opened);
        QCOMPARE(w.dockWidgetArea(w.projectBar()), Qt::LeftDockWidgetArea);
        QCOMPARE(w.dockWidgetArea(w.projectToolsBar()), Qt::BottomDockWidgetArea);
        QVERIFY(!itemNamed(w.projectTree(), "robot_body.tim")->icon(0).isNull());

        // Choosing a keyframe shows its pose; a movement enables its commands.
        w.projectTree()->setCurrentItem(itemNamed(w.projectTree(), "Keyframe_2"));
        QCOMPARE(w.document().selection().name, std::string("Keyframe_2"));
        const auto& nod = w.document().animation().movements[0];
        QCOMPARE(w.document().model().vertices, nod.keyframes[1].model.vertices);
        QVERIFY(w.action(command::kReplaceKeyframe)->isEnabled());
        QVERIFY(!w.action(command::kGenerateMime)->isEnabled());
        w.projectTree()->setCurrentItem(itemNamed(w.projectTree(), "nod"));
        QVERIFY(w.action(command::kGenerateMime)->isEnabled() && w.action(command::kAddKeyframe)->isEnabled());

        // New Movement through its dialog, then undo and redo: the tree follows.
        answerNextDialog("nameEdit", "wave");
        w.action(command::kNewMovement)->trigger();
        QVERIFY(itemNamed(w.projectTree(), "wave"));
        w.action(command::kUndo)->trigger();
        QVERIFY(!itemNamed(w.projectTree(), "wave"));
        w.action(command::kRedo)->trigger();
        QVERIFY(itemNamed(w.projectTree(), "wave"));

        // Rename a group through the Edit menu's Rename; a name the MOVE file cannot hold is
        // refused and said.
        w.projectTree()->setCurrentItem(itemNamed(w.projectTree(), "hat"));
        answerNextDialog("nameEdit", "cap");
        w.action(command::kRenameItem)->trigger();
        QVERIFY(itemNamed(w.projectTree(), "cap"));
        answerNextDialog("nameEdit", "#cap");
        w.action(command::kRenameItem)->trigger();
        QVERIFY(itemNamed(w.projectTree(), "cap"));
        QVERIFY(w.document().selection().kind == app::ProjectItem::Group);

        // Delete removes the selected movement; New empties the tree.
        w.projectTree()->setCurrentItem(itemNamed(w.projectTree(), "wave"));
        w.action(command::kDeleteItem)->trigger();
        QVERIFY(!itemNamed(w.projectTree(), "wave"));
        w.document().newModel();
        QCOMPARE(treeText(w.projectTree()), QStringList{"none"});
    }

    void theKeyframeDragReordersAndIsOneStep() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ProjectTree* tree = w.projectTree();
        const QRect from = tree->visualItemRect(itemNamed(tree, "Keyframe_3"));
        const QRect onto = tree->visualItemRect(itemNamed(tree, "Keyframe_1"));
        QWidget* viewport = tree->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from.center());
        for (const QPoint at : {from.center() - QPoint(0, 8), onto.center()}) {
            QMouseEvent move(QEvent::MouseMove, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
        }
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, onto.center());
        QStringList order;
        for (const auto& k : w.document().animation().movements[0].keyframes) order << QString::fromStdString(k.name);
        QCOMPARE(order, (QStringList{"Keyframe_3", "Keyframe_1", "Keyframe_2"}));
        QCOMPARE(itemNamed(tree, "nod")->child(0)->text(0), QString("Keyframe_3"));
        QCOMPARE(w.document().undoName(), std::string("Move Keyframe"));
    }

    // What a user does in the window alone: a movement of three keyframes posed with the joint
    // tools, saved, opened again with the same tree, and its MIMe written.
    void aMovementMadeInTheWindowSurvivesASaveAndExports() {
        Harness h;
        MainWindow& w = *h.window;
        for (const char* name : {"robot.rsd", "robot.ply", "robot.mat", "robot.xgrp", "robot.bone", "robot.move",
                                 "robot_body.tim", "robot_face.tim"})
            QVERIFY(QFile::copy(sampleDir() + "/" + name, h.dir.filePath(name)));
        QVERIFY(w.openPath(h.dir.filePath("robot.rsd")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ProjectTree* tree = w.projectTree();
        answerNextDialog("nameEdit", "wave");
        w.action(command::kNewMovement)->trigger();

        ViewPane* pane = w.pane(3);  // wireframe, from the front
        QWidget* surface = pane->surface().widget();
        const auto turnHead = [&] {
            // The joint at the top of the head, where the first bone ends, dragged through a
            // tenth of the pane's width.
            const auto& skeleton = w.document().model().skeleton;
            const model::ScreenPoint at =
                pane->view()
                    .projection(pane->clientSize().width(), pane->clientSize().height())
                    .project(skeleton.joints[static_cast<std::size_t>(skeleton.bones[0].endJoint)].position);
            const QPoint from(static_cast<int>(at.x), static_cast<int>(at.y)),
                to = from + QPoint(surface->width() / 10, 0);
            QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, from);
            QMouseEvent move(QEvent::MouseMove, QPointF(to), surface->mapToGlobal(QPointF(to)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(surface, &move);
            QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, to);
        };
        w.action(32870)->trigger();  // Rotate Joint
        for (int k = 0; k < 3; ++k) {
            tree->setCurrentItem(itemNamed(tree, "wave"));
            answerNextDialog("nameEdit", QString("wave_%1").arg(k));
            w.action(command::kAddKeyframe)->trigger();
            if (k < 2) turnHead();
        }
        const auto& wave = w.document().animation().movements[0];
        QCOMPARE(wave.name, std::string("wave"));
        QCOMPARE(wave.keyframes.size(), std::size_t{3});
        QVERIFY(wave.keyframes[0].model.vertices != wave.keyframes[1].model.vertices);
        QVERIFY(wave.keyframes[1].model.vertices != wave.keyframes[2].model.vertices);

        const QStringList before = treeText(tree);
        h.prompts.unstoredChoice = UnstoredChoice::SaveWithout;
        w.action(command::kSave)->trigger();
        QVERIFY(w.openPath(h.dir.filePath("robot.rsd")));
        QCOMPARE(treeText(tree), before);

        tree->setCurrentItem(itemNamed(tree, "wave"));
        h.prompts.nextPath = h.dir.filePath("wave.MIM");
        w.action(command::kSaveBinaryMime)->trigger();
        QVERIFY(QFileInfo(h.dir.filePath("wave.MIM")).size() > 0);
    }

    // The object creator adds its primitive as one step the project tree shows; one counter
    // names them across the tabs; a refused one changes nothing.
    void theObjectCreatorAddsNamedPrimitives() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        QAction* show = w.action(command::kObjectCreator);
        QVERIFY(!show->isChecked());
        show->trigger();
        ObjectCreator* creator = w.objectCreator();
        QVERIFY(creator->isVisible() && show->isChecked());
        auto* kinds = creator->findChild<QTabWidget*>("kinds");
        auto* name = creator->findChild<QLineEdit*>("nameEdit");
        auto* add = creator->findChild<QPushButton*>("add");
        QCOMPARE(name->text(), QString("Pyramid0"));
        kinds->setCurrentIndex(1);
        QCOMPARE(name->text(), QString("Cube0"));
        const int vertices = w.document().model().vertexCount();
        add->click();
        QCOMPARE(w.document().model().vertexCount(), vertices + 8);
        QVERIFY(itemNamed(w.projectTree(), "Cube0"));
        QCOMPARE(name->text(), QString("Cube1"));
        kinds->setCurrentIndex(0);
        QCOMPARE(name->text(), QString("Pyramid1"));

        kinds->setCurrentIndex(3);
        creator->findChild<QSpinBox*>("subdivisions")->setValue(15);
        add->click();
        QCOMPARE(name->text(), QString("Sphere1"));  // refused: the counter stays
        QCOMPARE(w.document().model().vertexCount(), vertices + 8);
        QCOMPARE(w.document().undoName(), std::string("Add Cube"));
        w.action(command::kUndo)->trigger();
        QCOMPARE(w.document().model().vertexCount(), vertices);
        QVERIFY(!itemNamed(w.projectTree(), "Cube0"));
        show->trigger();
        QVERIFY(!creator->isVisible() && !show->isChecked());
    }

    // Play Preview draws the movement's frames in the panes on a timer and leaves the edit
    // frame alone; Escape or any command stops it, and so does its end.
    void playPreviewShowsTheFramesAndLeavesTheEditFrame() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.action(command::kPlayAnimation)->isEnabled());
        w.projectTree()->setCurrentItem(itemNamed(w.projectTree(), "nod"));
        const model::Model edit = w.document().model();
        w.action(command::kPlayAnimation)->trigger();
        QVERIFY(w.preview());
        QTRY_VERIFY(w.preview() && w.preview()->frame() >= 3);
        QVERIFY(w.pane(1)->scene().shownModel == &w.preview()->pose());
        QCOMPARE(w.document().model(), edit);
        QTest::keyClick(w.pane(1)->surface().widget(), Qt::Key_Escape);
        QVERIFY(!w.preview());
        QVERIFY(!w.pane(1)->scene().shownModel);

        w.action(command::kPlayAnimation)->trigger();
        const int frames = w.preview()->frameCount();
        QVERIFY(frames > 3);
        QTRY_VERIFY_WITH_TIMEOUT(!w.preview(), 16 * frames + 5000);
        QCOMPARE(w.document().model(), edit);
        QVERIFY(!w.pane(0)->scene().shownModel);

        w.action(command::kPlayAnimation)->trigger();
        QVERIFY(w.preview());
        w.action(command::kShowGrid)->trigger();  // any command stops it
        QVERIFY(!w.preview());
    }

    // "Movement Timeline" turns the active pane to the motion-speed graph of the selected
    // movement, redrawn as the selection changes; the tools leave the model alone there.
    void theTimelineShowsTheSelectedMovementsGraph() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setActivePane(w.pane(0));
        QVERIFY(w.action(command::kMovementTimeline)->isEnabled());
        w.action(command::kMovementTimeline)->trigger();
        QVERIFY(w.pane(0)->view().mode == render::DisplayMode::MovementTimeline);
        QVERIFY(w.action(command::kMovementTimeline)->isChecked());
        const auto axisShown = [&] {
            const QImage picture = w.pane(0)->surface().picture();
            return !picture.isNull() && (picture.pixel(20, picture.height() / 2) & 0xFFFFFF) == 0xFFFFFF;
        };
        QTRY_VERIFY(!w.pane(0)->surface().picture().isNull());
        QVERIFY(!axisShown());  // "No Movement Selected"
        w.projectTree()->setCurrentItem(itemNamed(w.projectTree(), "nod"));
        QTRY_VERIFY(axisShown());
        const model::Model before = w.document().model();
        QWidget* surface = w.pane(0)->surface().widget();
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(surface->width() / 2, surface->height() / 2));
        QCOMPARE(w.document().model(), before);
        w.action(command::kWireframe)->trigger();
        QVERIFY(!w.action(command::kMovementTimeline)->isChecked());
        QTRY_VERIFY(!axisShown());
    }

    void binaryMimeFromTheWindowIsTheCommandsBytes() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        w.projectTree()->setCurrentItem(itemNamed(w.projectTree(), "nod"));
        const QString path = h.dir.filePath("nod.MIM");
        h.prompts.nextPath = path;
        w.action(command::kSaveBinaryMime)->trigger();
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(!bytes.isEmpty());

        app::Document again{std::make_unique<formats::HostFileSystem>()};
        QVERIFY(again.openFile((sampleDir() + "/robot.rsd").toStdString()));
        again.select({app::ProjectItem::Movement, "nod", -1});
        const QString other = h.dir.filePath("other.MIM");
        QVERIFY(again.saveBinaryMime(other.toStdString()));
        QFile expected(other);
        QVERIFY(expected.open(QIODevice::ReadOnly));
        QCOMPARE(bytes, expected.readAll());
    }
};

QTEST_MAIN(ProjectWindowTest)
#include "project_window_test.moc"
