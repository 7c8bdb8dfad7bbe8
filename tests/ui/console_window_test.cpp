// The console in the window, against the emulated console: each bar button and menu entry
// reaches the console with its letters and payloads, a console that does not answer is asked
// about and given up in bounded (simulated) time, View Track follows a view command, and the
// window goes on answering while a slow transfer runs.
#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "link/previewer.h"
#include "link/simulated.h"
#include "ui/window/main_window.h"
#include "ui/window/project_tree.h"
#include "ui/window/window_console.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::ui::test;

namespace {

// The robot open, with the emulated console chosen in Options.
struct Emulated {
    Harness h;
    MainWindow& w = *h.window;
    Emulated() {
        app::Settings settings = h.document.settings();
        settings.emulatedConsole = true;
        h.document.setSettings(settings);
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        QVERIFY(w.console()->open());
    }
    const link::EmulatedConsole::Received& got() { return w.console()->emulated()->received(); }
    QPushButton* control(int id) { return w.consoleBar()->findChild<QPushButton*>(QString("control%1").arg(id)); }
};

QTreeWidgetItem* itemNamed(QTreeWidget* tree, const QString& text) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == text) return *it;
    return nullptr;
}

}  // namespace

class ConsoleWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theBarAndTheMenuReachTheConsole() {
        Emulated e;
        MainWindow& w = e.w;
        QVERIFY(w.action(command::kViewConsoleBar)->isEnabled());
        e.control(command::kSendAll)->click();
        QCOMPARE(e.got().textures.size(), std::size_t{2});
        QCOMPARE(e.got().modelBlocks, 1);
        QCOMPARE(e.got().letters, (std::vector<char>{'T', 'T', 'M'}));
        const auto tmd = w.document().consoleModel();
        QVERIFY(tmd && e.got().model == *tmd);
        QCOMPARE(w.consoleBar()->findChild<QProgressBar*>("control1102")->value(), 2);
        const QListWidget* log = w.console()->logList();
        QVERIFY(log->findItems("AR Send All:", Qt::MatchExactly).size() == 1);
        QVERIFY(!log->findItems("  model block:", Qt::MatchStartsWith).isEmpty());

        // Send MIMe wants a movement chosen in the project window.
        QVERIFY(!w.action(command::kSendMime)->isEnabled() && !e.control(command::kSendMime)->isEnabled());
        w.projectTree()->setCurrentItem(itemNamed(w.projectTree(), "nod"));
        QVERIFY(e.control(command::kSendMime)->isEnabled());
        w.action(command::kSendMime)->trigger();
        QCOMPARE(e.got().mimeBlocks, 1);
        QCOMPARE(e.got().mime, *w.document().consoleMime());

        w.action(32881)->trigger();  // 368x256
        QCOMPARE(e.got().videoWidth, 368);
        QVERIFY(w.action(32881)->isChecked() && !w.action(32883)->isChecked());
        w.action(command::kCpuProfiler)->trigger();
        QVERIFY(e.got().cpuProfiler && w.action(command::kCpuProfiler)->isChecked());
        QVERIFY(!w.action(command::kGpuProfiler)->isChecked());

        // No previewer program: Send Viewer sends nothing. Reset reaches the cartridge.
        w.action(command::kSendViewer)->trigger();
        QCOMPARE(e.got().resets, 0);
        w.action(command::kResetConsole)->trigger();
        QCOMPARE(e.got().resets, 1);
    }

    // A console that never answers: the comms error is asked (Retry once, then Cancel), each
    // try gives up within the link's few seconds of simulated time, and Send All still goes
    // on to the model, which is asked about too.
    void aSilentConsoleIsAskedAboutAndGivenUp() {
        Emulated e;
        MainWindow& w = e.w;
        link::SimulatedClock clock;
        w.console()->setClock(&clock);
        QVERIFY(w.console()->open());
        w.console()->emulated()->setFault(link::EmulatedConsole::Fault::Silent);
        e.h.prompts.commsAnswers = {true};
        w.action(command::kSendTextures)->trigger();
        QCOMPARE(e.h.prompts.commsQuestions, 2);
        QVERIFY(clock.elapsedSeconds() < 12);
        QVERIFY(e.got().textures.empty());
        // Cancelled is no success: the status says so.
        const QString said = w.infoBar()->findChild<QLineEdit*>("infoText")->text();
        QVERIFY2(said.contains("did not answer"), qPrintable(said));

        e.h.prompts.commsAnswers.clear();
        e.h.prompts.commsQuestions = 0;
        w.action(command::kSendAll)->trigger();
        QCOMPARE(e.h.prompts.commsQuestions, 2);  // the textures, then the model
        QVERIFY(!w.console()->busy());
    }

    void viewTrackSendsTheCameraAfterAViewCommand() {
        Emulated e;
        MainWindow& w = e.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setActivePane(w.pane(0));
        w.consoleBar()->findChild<QCheckBox*>("control1101")->setChecked(true);
        QVERIFY(w.console()->viewTrack());
        w.action(command::kSide)->trigger();
        QTRY_COMPARE(e.got().angleY, link::angleUnits(render::kQuarterTurn));
        QCOMPARE(e.got().scale, static_cast<std::int16_t>(link::scaleUnits(w.pane(0)->view().scale)));
        // A Cancel in View Track turns it off, box and all.
        w.console()->emulated()->setFault(link::EmulatedConsole::Fault::Silent);
        link::SimulatedClock clock;
        w.console()->setClock(&clock);
        QVERIFY(w.console()->open());
        w.console()->emulated()->setFault(link::EmulatedConsole::Fault::Silent);
        w.action(command::kTop)->trigger();
        QTRY_VERIFY(!w.console()->viewTrack());
        QVERIFY(!w.consoleBar()->findChild<QCheckBox*>("control1101")->isChecked());
    }

    // A console that answers each byte a second late: the window keeps running its timers
    // during the transfer, and Escape ends it (answered Cancel).
    void theWindowAnswersDuringASlowTransferAndEscapeEndsIt() {
        Emulated e;
        MainWindow& w = e.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.console()->emulated()->lateSeconds = 1;
        w.console()->emulated()->setFault(link::EmulatedConsole::Fault::Late);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);
        QTimer::singleShot(600, &w, [&] { QTest::keyClick(w.pane(0)->surface().widget(), Qt::Key_Escape); });
        QElapsedTimer took;
        took.start();
        w.action(command::kSendModel)->trigger();
        QVERIFY2(
            ticks >= 3,
            qPrintable(
                QString("%1 ticks in %2 ms, asked %3").arg(ticks).arg(took.elapsed()).arg(e.h.prompts.commsQuestions)));
        QVERIFY2(took.elapsed() < 8000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(e.got().modelBlocks, 0);
        QVERIFY(!w.console()->busy());

        // The bar's Cancel does the same, and is the one control that takes a click meanwhile.
        auto* cancel = w.consoleBar()->findChild<QPushButton*>("consoleCancel");
        QVERIFY(!cancel->isEnabled());
        bool enabledDuring = false;
        QTimer::singleShot(300, &w, [&] {
            enabledDuring = cancel->isEnabled();
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        took.restart();
        QVERIFY(!w.console()->session()->link().aborted());  // stopped by the user: nothing left to report
        const int asked = e.h.prompts.commsQuestions;
        w.action(command::kSendModel)->trigger();
        QVERIFY(enabledDuring);
        QVERIFY(took.elapsed() < 8000);
        QVERIFY(e.h.prompts.commsQuestions <= asked + 1);
        QVERIFY(!cancel->isEnabled());
    }
};

QTEST_MAIN(ConsoleWindowTest)
#include "console_window_test.moc"
