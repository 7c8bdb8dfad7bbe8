// The window over the document's history: Undo and Redo by name and by key, shortcuts that
// reach the model wherever the focus is, the unsaved marker, the question about an edit frame
// that its keyframe lacks, and the recovery copies that outlive a crash.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include "app/recovery.h"
#include "ui/window/main_window.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::ui::test;

namespace {

// A copy of the sample in the harness's folder, so that saving leaves the repository alone.
QString copySample(const Harness& h) {
    for (const char* name : {"robot.rsd", "robot.ply", "robot.mat", "robot.xgrp", "robot.bone", "robot.move",
                             "robot_body.tim", "robot_face.tim"})
        if (!QFile::copy(sampleDir() + "/" + name, h.dir.filePath(name))) return {};
    return h.dir.filePath("robot.rsd");
}

void showActive(MainWindow& w) {
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

}  // namespace

class WindowDocumentTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void undoAndRedoWalkTheHistoryByNameAndKey() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(copySample(h)));
        showActive(w);
        QAction* undo = w.action(command::kUndo);
        QAction* redo = w.action(command::kRedo);
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        QCOMPARE(undo->text(), QString("Undo"));
        QVERIFY(!w.windowTitle().endsWith(" *"));

        const model::Model opened = h.document.model();
        QTest::keyClick(&w, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!undo->isEnabled());  // selecting is no step
        w.action(command::kInvertNormals)->trigger();
        w.action("Centre Object")->trigger();
        const model::Model centred = h.document.model();
        QCOMPARE(undo->text(), QString("Undo Centre Object"));
        QVERIFY(w.windowTitle().endsWith(" *"));

        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undo->text(), QString("Undo Invert Normals"));
        QCOMPARE(redo->text(), QString("Redo Centre Object"));
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.document.model().polygons[0].vId, opened.polygons[0].vId);
        QVERIFY(!undo->isEnabled());
        QVERIFY(!w.windowTitle().endsWith(" *"));  // back to what the files hold
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(h.document.model().vertices, centred.vertices);
        QVERIFY(!redo->isEnabled());
        auto* info = w.findChild<QLineEdit*>("infoText");
        QCOMPARE(info->text(), QString("Redo Centre Object"));

        // "New" leaves nothing of the document before: no history, no message.
        h.prompts.saveChoice = SaveChoice::Discard;
        w.action(command::kNew)->trigger();
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        QVERIFY(info->text().isEmpty());
        QCOMPARE(w.windowTitle(), QString("Kestrel: Using Software Rasteriser"));
    }

    void shortcutsReachTheModelWhereverTheFocusIs() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(copySample(h)));
        showActive(w);
        // A click in the Info bar's text, as a new user might make, leaves the focus alone.
        auto* info = w.findChild<QLineEdit*>("infoText");
        QVERIFY(info);
        QTest::mouseClick(info, Qt::LeftButton);
        QVERIFY(!info->hasFocus());
        for (QLineEdit* field : w.findChildren<QLineEdit*>())
            if (field->isReadOnly()) QCOMPARE(field->focusPolicy(), Qt::NoFocus);
        QVERIFY(!w.action(command::kGroupPolygons)->isEnabled());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(h.document.modelInformation().vertices, h.document.model().vertexCount());
        QVERIFY(w.action(command::kGroupPolygons)->isEnabled());
    }

    void saveAsksAboutAnEditFrameItsKeyframeLacks() {
        Harness h;
        MainWindow& w = *h.window;
        const QString path = copySample(h);
        QVERIFY(w.openPath(path));
        const std::string key = h.document.animation().movements[0].keyframes[0].name;
        h.document.select({app::ProjectItem::Keyframe, key, -1});
        h.document.edit("Pose", [](model::Model& m) { m.vertices[0].x += 50; });
        QFile move(h.dir.filePath("robot.move"));
        QVERIFY(move.open(QIODevice::ReadOnly));
        const QByteArray before = move.readAll();
        move.close();

        h.prompts.unstoredChoice = UnstoredChoice::Cancel;
        w.action(command::kSave)->trigger();
        QCOMPARE(h.prompts.unstoredAsked, QStringList{QString::fromStdString(key)});
        QVERIFY(move.open(QIODevice::ReadOnly));
        QCOMPARE(move.readAll(), before);  // Cancel writes nothing
        move.close();
        QVERIFY(h.document.modified());

        h.prompts.unstoredChoice = UnstoredChoice::ReplaceKeyframe;
        w.action(command::kSave)->trigger();
        QVERIFY(!h.document.modified());
        QCOMPARE(w.action(command::kUndo)->text(), QString("Undo Replace Keyframe"));
        QVERIFY(move.open(QIODevice::ReadOnly));
        QVERIFY(move.readAll() != before);
    }

    void aCrashedSessionsWorkIsOfferedBackOnTheNextStart() {
        Harness crashed;
        QVERIFY(crashed.window->openPath(copySample(crashed)));
        crashed.document.selectAll();
        QVERIFY(crashed.document.invertNormals());
        crashed.window->keepRecoveryCopy();
        const QString own = crashed.window->recoveryPath();
        QVERIFY(QFile::exists(own));
        QVERIFY(!QFile::exists(crashed.dir.filePath("robot.rsd_backup")));  // the user's files are untouched
        // The process dies without closing: its copy stays, under a process no longer running.
        Harness next;
        QDir().mkpath(next.recoveryFolder());
        const QString left = QString::fromStdString(app::recoveryPathFor(next.recoveryFolder().toStdString(), 999999));
        QVERIFY(QFile::copy(own, left));

        next.window->offerRecoveries();
        QCOMPARE(next.prompts.recoverAsked, QStringList{crashed.dir.filePath("robot.rsd")});
        QVERIFY(next.document.modified());
        const auto& now = next.document.model().polygons;
        const auto& was = crashed.document.model().polygons;
        QCOMPARE(now.size(), was.size());
        for (std::size_t p = 0; p < now.size(); ++p) QCOMPARE(now[p].vId, was[p].vId);
        QCOMPARE(QString::fromStdString(next.document.path()), crashed.dir.filePath("robot.rsd"));
        QVERIFY(next.window->windowTitle().endsWith(" *"));
        QVERIFY(!QFile::exists(left));  // taken over by the new session's copy
        QVERIFY(QFile::exists(next.window->recoveryPath()));

        // Saving leaves nothing to recover; neither does a clean close.
        next.window->action(command::kSave)->trigger();
        QVERIFY(!QFile::exists(next.window->recoveryPath()));
        crashed.prompts.saveChoice = SaveChoice::Discard;
        QVERIFY(crashed.window->close());
        QVERIFY(!QFile::exists(own));
    }

    void declinedAndDamagedCopiesAreNotOfferedAgain() {
        Harness h;
        QDir().mkpath(h.recoveryFolder());
        const auto path = [&](int pid) {
            return QString::fromStdString(app::recoveryPathFor(h.recoveryFolder().toStdString(), pid));
        };
        app::Document other;
        QVERIFY(other.openFile((sampleDir() + "/robot.rsd").toStdString()));
        other.selectAll();
        QVERIFY(other.invertNormals());
        formats::HostFileSystem disk;
        QVERIFY(app::writeRecovery(disk, path(999998).toStdString(), other, 100));
        QFile damaged(path(999997));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("KESTREL RECOVERY 1\nrsd\t/gone.rsd\ntime\t50\npart\t/recovered/base.rsd\t99999\n");
        damaged.close();

        // The damaged copy (the older) is reported and set aside; the other is declined.
        h.prompts.recoverAnswer = true;
        h.window->offerRecoveries();
        QCOMPARE(h.prompts.recoverAsked.size(), 2);
        QVERIFY(!h.prompts.told.empty() && h.prompts.told.back().error);
        QVERIFY(QFile::exists(path(999997) + ".bad"));
        QVERIFY(h.document.modified());  // the second one was recovered
        h.prompts.recoverAsked.clear();
        h.window->offerRecoveries();
        QVERIFY(h.prompts.recoverAsked.isEmpty());

        QVERIFY(app::writeRecovery(disk, path(999996).toStdString(), other, 100));
        h.prompts.recoverAnswer = false;
        h.window->offerRecoveries();
        QCOMPARE(h.prompts.recoverAsked.size(), 1);
        QVERIFY(!QFile::exists(path(999996)));  // declining deletes it
    }
};

QTEST_MAIN(WindowDocumentTest)
#include "window_document_test.moc"
