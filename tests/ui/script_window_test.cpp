// The script host in the window: a script written in the pane runs as one undo step, its
// functions reach the buttons and the Script menu, Escape stops an endless run while the
// window goes on answering, and script files open into the pane.
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "ui/window/main_window.h"
#include "ui/window/window_scripts.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::ui::test;

namespace {

QStringList consoleLines(MainWindow& w) {
    QStringList lines;
    QListWidget* list = w.scripts()->consoleList();
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

QPushButton* button(MainWindow& w, int n) {
    return w.projectBar()->findChild<QPushButton*>(QString("function%1").arg(n));
}

}  // namespace

class ScriptWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aScriptInThePaneRunsAsOneStepAndItsFunctionsReachTheButtons() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        const model::Model before = w.document().model();
        w.scripts()->pane()->setPlainText(
            "var lift = 10.0;\n"
            "function Raise() { var m = new KSmodel(1); for (var i = 0; i < m.n_vert; i++) m.vert[i].y = m.vert[i].y - "
            "lift;\n"
            "  m.PutEditFrame(); KSkestrel.writeln(\"raised\"); }\n"
            "function Report() { KSkestrel.writeln(lift); }\n"
            "Raise();\n");
        QVERIFY(!button(w, 1)->isEnabled());
        w.action(command::kRunScript)->trigger();
        QCOMPARE(w.document().model().vertices[0].y, before.vertices[0].y - 10);
        QCOMPARE(QString::fromStdString(w.document().undoName()), QString("Run script"));
        QCOMPARE(button(w, 1)->text(), QString("Raise"));
        QCOMPARE(button(w, 2)->text(), QString("Report"));
        QVERIFY(button(w, 2)->isEnabled() && !button(w, 3)->isEnabled());
        QCOMPARE(w.action(command::kFunctionFirst + 1)->text(), QString("Report"));
        QVERIFY(!w.action(command::kFunctionFirst + 2)->isEnabled());
        QCOMPARE(w.action(command::kFunctionFirst + 2)->text(), QString("Function3"));
        QVERIFY(w.scripts()->console()->isVisible());
        QCOMPARE(consoleLines(w), QStringList{"raised"});

        w.action(command::kUndo)->trigger();
        QCOMPARE(w.document().model(), before);
        button(w, 1)->click();
        QCOMPARE(w.document().model().vertices[0].y, before.vertices[0].y - 10);
        QCOMPARE(QString::fromStdString(w.document().undoName()), QString("Function1: Raise"));
        w.action(command::kFunctionFirst + 1)->trigger();
        QCOMPARE(consoleLines(w).last(), QString("10.0"));

        w.action("Unload")->trigger();
        QVERIFY(consoleLines(w).contains("No memory leaks detected :)"));
        QVERIFY(!button(w, 1)->isEnabled() && !w.action("Unload")->isEnabled());
        w.scripts()->console()->findChild<QPushButton*>("consoleClear")->click();
        QCOMPARE(w.scripts()->consoleList()->count(), 0);

        // A fatal error: the model as it was, the reason in the console, the script unloaded.
        const model::Model raised = w.document().model();
        w.scripts()->pane()->setPlainText("var m = new KSmodel(1); m.n_vert = 0; m.PutEditFrame();\nx = 1 / 0;\n");
        w.action(command::kRunScript)->trigger();
        QCOMPARE(w.document().model(), raised);
        QVERIFY(consoleLines(w).last().contains("division by zero at line 2"));
        QVERIFY(!button(w, 1)->isEnabled());
    }

    // Escape stops a script that would run for ever; while it runs the window answers its
    // timers and paints, and takes no other input.
    void escapeStopsAnEndlessRunAndTheWindowKeepsAnswering() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const model::Model before = w.document().model();
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        bool gridToggled = false;
        QTimer::singleShot(150, &w, [&] {
            // Input other than Escape goes nowhere while the script runs.
            QTest::keyClick(w.pane(0)->surface().widget(), Qt::Key_Delete);
            gridToggled = w.pane(0)->view().showGrid != 0;
        });
        QTimer::singleShot(400, &w, [&] { QTest::keyClick(w.pane(0)->surface().widget(), Qt::Key_Escape); });
        w.scripts()->pane()->setPlainText(
            "var m = new KSmodel(1); m.n_vert = 3; m.n_poly = 0; m.PutEditFrame();\nwhile (1) { }");
        w.action(command::kRunScript)->trigger();
        QVERIFY2(ticks >= 3, qPrintable(consoleLines(w).join("|") + QString(" ticks %1").arg(ticks)));
        QVERIFY(!gridToggled);
        QCOMPARE(w.document().model(), before);
        QVERIFY(consoleLines(w).last().contains("interrupted"));
        QVERIFY(!w.scripts()->running());
    }

    void scriptFilesOpenIntoThePaneAndDefaultKsRunsAtStartUp() {
        Harness h;
        MainWindow& w = *h.window;
        const QString path = h.dir.filePath("default.ks");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("function Hello() { KSkestrel.writeln(\"hello\"); }\nfunction Bye() {}\n");
        file.close();
        w.loadStartupScript(h.dir.filePath("none.ks"));  // no such file: nothing happens
        QVERIFY(!w.scripts()->session().loaded());
        w.loadStartupScript(path);
        QVERIFY(w.scripts()->session().loaded());
        QCOMPARE(button(w, 1)->text(), QString("Hello"));
        QCOMPARE(button(w, 2)->text(), QString("Bye"));
        QVERIFY(w.scripts()->pane()->toPlainText().startsWith("function Hello()"));

        // Opened as a file: a name ending in "ks", with or without a dot, is a script.
        const QString tracks = h.dir.filePath("Tracks");
        QVERIFY(QFile::copy(path, tracks));
        w.scripts()->pane()->clear();
        QVERIFY(w.openPath(tracks));
        QVERIFY(w.scripts()->pane()->toPlainText().startsWith("function Hello()"));
        QCOMPARE(w.document().model().vertexCount(), 0);  // the model is not replaced
    }
};

QTEST_MAIN(ScriptWindowTest)
#include "script_window_test.moc"
