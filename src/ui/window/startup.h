#pragma once
// What kestrel's command line asks the window to do once the file is open: make a pane the
// active one (--pane), choose a project window item (--select) and run menu entries (--menu),
// in the order they are given, so that a picture (--grab) can show any state the menus reach.
#include <QString>
#include <QStringList>
#include <expected>
#include <vector>

class QWidget;

namespace kestrel::ui {

class MainWindow;

struct StartupStep {
    enum class Kind { Pane, Select, Menu };
    Kind kind;
    QString value;
    bool operator==(const StartupStep&) const = default;
};

// The --pane, --select and --menu options of a command line (the program's name first), in
// their order, as "--menu X" or "--menu=X"; nothing after "--".
std::vector<StartupStep> startupSteps(const QStringList& arguments);

// Does one step; says why when it cannot be done: a pane other than 1 to 4, an item or entry
// that is not there, an entry that is disabled. A step whose entry opens a dialog returns
// once the dialog is closed.
std::expected<void, QString> runStartupStep(MainWindow& window, const StartupStep& step);

// What --grab pictures: the modal dialog open now, else the main window (on a screen, with
// whatever other windows of the program lie over it).
QWidget* grabbedWidget(MainWindow& window);

}  // namespace kestrel::ui
