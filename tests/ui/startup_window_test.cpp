// The window driven by name, as kestrel's command line drives it: the steps read from the
// arguments in their order, menu entries found by their shown text, project items by their
// path; the answers of the prompts a pictured window uses; and Help "Kestrel Manual", with the
// desktop's opening of files intercepted.
#include <QAction>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFile>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

#include "model/model_editing.h"
#include "ui/window/main_window.h"
#include "ui/window/manual_places.h"
#include "ui/window/startup.h"
#include "window_harness.h"

using namespace kestrel;
using namespace kestrel::ui;
using namespace kestrel::ui::test;

using Kind = StartupStep::Kind;

class StartupWindowTest : public QObject {
    Q_OBJECT
public Q_SLOTS:
    // The desktop's "open this file", as the tests see it.
    void opened(const QUrl& url) { openedUrls << url; }

private:
    QList<QUrl> openedUrls;

private Q_SLOTS:
    void stepsComeInTheOrderGivenAndStopAtTheEndOfOptions() {
        const QStringList arguments{
            "kestrel",  "--grab",   "x.png",          "--pane",   "4",  "--menu=View/Movement Timeline",
            "dog.rsd",  "--select", "walk/walk_pass", "--pane=1", "--", "--menu",
            "File/Exit"};
        const std::vector<StartupStep> expected{{Kind::Pane, "4"},
                                                {Kind::Menu, "View/Movement Timeline"},
                                                {Kind::Select, "walk/walk_pass"},
                                                {Kind::Pane, "1"}};
        QCOMPARE(startupSteps(arguments), expected);
        // An option without its value at the end is no step (the parser refuses the line).
        QVERIFY(startupSteps({"kestrel", "--menu"}).empty());
    }

    void menuEntriesAreFoundByTheTextTheyShow() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/dog.rsd"));
        QVERIFY(runStartupStep(w, {Kind::Pane, "4"}));
        QVERIFY(w.runMenuEntry("View/Movement Timeline"));
        QCOMPARE(w.pane(3)->view().mode, render::DisplayMode::MovementTimeline);
        QCOMPARE(w.pane(0)->view().mode, render::DisplayMode::Textured);
        // Through a submenu, and with the entry's '&' mark left out ("Standard &Toolbar").
        QVERIFY(!w.projectToolsBar()->isHidden());
        QVERIFY(w.runMenuEntry("View/View Toolbars/Project Tools"));
        QVERIFY(w.projectToolsBar()->isHidden());
        QVERIFY(w.runMenuEntry("View/View Toolbars/Standard Toolbar"));
        QVERIFY(w.toolBar(59392)->isHidden());

        const auto why = [&w](const QString& path) {
            const auto ran = w.runMenuEntry(path);
            return ran ? QString() : ran.error();
        };
        QCOMPARE(why("View/Movement Speed"), QString("the menus have no entry \"View/Movement Speed\""));
        QCOMPARE(why("Veiw/Side"), QString("the menus have no entry \"Veiw\""));
        QCOMPARE(why("View/View Toolbars"), QString("\"View/View Toolbars\" is a menu, not an entry"));
        QCOMPARE(why("View/Side/Top"), QString("\"View/Side\" is an entry, not a menu"));
        // Play Preview needs a movement chosen: a disabled entry is refused, not run quietly.
        QCOMPARE(why("Animation/Play Preview"), QString("\"Animation/Play Preview\" is not available now"));
        QVERIFY(!w.preview());
    }

    void projectItemsAreChosenByTheirPathBelowTheModel() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/dog.rsd"));
        QVERIFY(w.selectProjectItem("torso"));
        QCOMPARE(h.document.selection().kind, app::ProjectItem::Group);
        // The same vertices as the document selects for the group: the torso's.
        app::Document direct;
        QVERIFY(direct.openFile((sampleDir() + "/dog.rsd").toStdString()));
        direct.select(h.document.selection());
        QVERIFY(model::countSelectedVertices(h.document.model()) > 0);
        QCOMPARE(model::countSelectedVertices(h.document.model()), model::countSelectedVertices(direct.model()));
        QVERIFY(w.selectProjectItem("walk/walk_pass_left"));
        QCOMPARE(h.document.selection().kind, app::ProjectItem::Keyframe);
        QCOMPARE(h.document.selection().name, std::string("walk_pass_left"));
        // A chosen movement enables what needs one, as a click does.
        QVERIFY(w.selectProjectItem("wave"));
        QVERIFY(w.action(command::kPlayAnimation)->isEnabled());
        QVERIFY(w.selectProjectItem("dog_face.tim"));
        QCOMPARE(h.document.selection().kind, app::ProjectItem::Texture);
        QCOMPARE(h.document.selection().index, 1);

        for (const QString& missing : QStringList{"walk_pass_left", "walk/wave_up", "dog.rsd", ""}) {
            const auto chosen = w.selectProjectItem(missing);
            QVERIFY2(!chosen, qPrintable(missing));
            QCOMPARE(chosen.error(), QString("the project window has no item \"%1\"").arg(missing));
        }
        QCOMPARE(h.document.selection().kind, app::ProjectItem::Texture);  // a missing item changes nothing

        for (const QString& pane : QStringList{"0", "5", "two"}) {
            const auto made = runStartupStep(w, {Kind::Pane, pane});
            QVERIFY(!made);
            QVERIFY2(made.error().startsWith("--pane takes 1 to 4"), qPrintable(made.error()));
        }
    }

    void anOpenedScriptComesToTheFront() {
        Harness h;
        MainWindow& w = *h.window;
        QVERIFY(w.openPath(sampleDir() + "/robot.rsd"));
        auto* tabs = w.projectBar()->findChild<QTabWidget*>("projectTabs");
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(w.openPath(sampleDir() + "/stand.ks"));
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY(h.document.modified());  // it ran on the model
    }

    void anUnattendedWindowLosesNothingAndTellsItsProblems() {
        UnattendedPrompts prompts;
        QStringList told;
        prompts.tell = [&told](const QString& line) { told << line; };
        prompts.showProblems(nullptr, "Open", "Kestrel could not open x.rsd.", {"x.rsd: no such file", "and more"},
                             true);
        QCOMPARE(told, (QStringList{"Open: Kestrel could not open x.rsd.", "  x.rsd: no such file", "  and more"}));
        QCOMPARE(prompts.askSaveChanges(nullptr, "dog.rsd"), SaveChoice::Discard);
        QCOMPARE(prompts.askUnstoredKeyframe(nullptr, "walk_pass_left"), UnstoredChoice::Cancel);
        QVERIFY(!prompts.openPath(nullptr, "Open", ""));
        QVERIFY(!prompts.savePath(nullptr, "Save As", "", "RSD", ""));
        QVERIFY(!prompts.askCommsRetry(nullptr));
        QVERIFY(prompts.askRecover(nullptr, "dog.rsd", {}));  // kept, not thrown away
        QCOMPARE(prompts.askAseImport(nullptr), std::optional<bool>(false));
    }

    void helpOpensTheFirstManualThereIs() {
        QDesktopServices::setUrlHandler("file", this, "opened");
        openedUrls.clear();
        Harness h;
        MainWindow& w = *h.window;
        // The Help menu, still the last one, has the manual first, on F1.
        QMenu* help = w.menuBar()->actions().last()->menu();
        QCOMPARE(w.menuBar()->actions().last()->text(), QString("&Help"));
        QCOMPARE(help->actions().first()->text(), QString("Kestrel Manual"));
        QCOMPARE(help->actions().last()->text(), QString("&About Kestrel..."));
        QCOMPARE(help->actions().first()->shortcut(), QKeySequence(QKeySequence::HelpContents));

        const QString present = h.dir.filePath("manual.md");
        QFile file(present);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# Kestrel Manual\n");
        file.close();
        h.window.reset();
        WindowOptions options;
        options.manualPlaces = {h.dir.filePath("share/doc/kestrel/manual.md"), present};
        MainWindow window(h.document, *h.store, h.prompts, options);
        window.runMenuEntry("Help/Kestrel Manual").value();
        QCOMPARE(openedUrls, (QList<QUrl>{QUrl::fromLocalFile(present)}));
        QVERIFY(h.prompts.told.empty());

        // None there: the user is told where Kestrel looked, and nothing is opened.
        QFile::remove(present);
        window.runMenuEntry("Help/Kestrel Manual").value();
        QCOMPARE(openedUrls.size(), 1);
        QCOMPARE(h.prompts.told.size(), std::size_t{1});
        QCOMPARE(h.prompts.told[0].headline, QString("The manual was not found. Kestrel looked for it here:"));
        QCOMPARE(h.prompts.told[0].problems, options.manualPlaces);
        QVERIFY(h.prompts.told[0].error);
        QDesktopServices::unsetUrlHandler("file");
    }

    void theManualIsLookedForBesideTheProgramThenInTheCheckout() {
        const QStringList places = manualPlaces("/opt/kestrel/bin");
        QCOMPARE(places.size(), 2);
        QCOMPARE(places[0], QString("/opt/kestrel/share/doc/kestrel/manual.md"));
        // This build's checkout holds the manual.
        QVERIFY2(QFile::exists(places[1]), qPrintable(places[1]));
        QVERIFY(places[1].endsWith("/docs/manual.md"));
    }
};

QTEST_MAIN(StartupWindowTest)
#include "startup_window_test.moc"
