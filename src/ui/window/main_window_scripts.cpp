// The Script menu: Run, the twelve function entries that follow the loaded script's functions,
// Unload and the console window.
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "ui/window/main_window.h"
#include "ui/window/window_scripts.h"

namespace kestrel::ui {

using namespace command;

void MainWindow::createScriptCommands() {
    auto* tabs = projectBar_->findChild<QTabWidget*>("projectTabs");
    std::array<QPushButton*, app::kFunctionSlots> buttons{};
    for (int i = 0; i < app::kFunctionSlots; ++i)
        buttons[static_cast<std::size_t>(i)] = tabs->findChild<QPushButton*>(QString("function%1").arg(i + 1));
    scripts_ = new WindowScripts(document_, this, tabs->findChild<QPlainTextEdit*>("scriptText"), buttons);
    app::ScriptSession& session = scripts_->session();
    session.redraw = [this] {
        for (ViewPane* pane : panes_)
            if (pane) pane->surface().redrawNow();
    };
    session.about = [this](bool scriptLanguage) {
        if (!scriptLanguage) return action(kAbout)->trigger();
        QMessageBox::about(this, "About K-Script",
                           "K-Script: Kestrel's own small JavaScript, for automating work on models.\n\n"
                           "Its classes KSkestrel, KSvertex, KSpolygon, KSmodel and ActionReplay reach the "
                           "model, the views and the console.");
    };
    connect(scripts_, &WindowScripts::slotsChanged, this, [this] { updateScriptActions(); });
    connect(scripts_, &WindowScripts::finished, this, [this](const QString& message) { showMessage(message); });

    QMenu* menu = menuBar()->addMenu("&Script");
    menu->addAction(addCommand(
        kRunScript, "Run", [this] { scripts_->run(); }, QKeySequence("F5")));
    menu->addSeparator();
    for (int i = 0; i < app::kFunctionSlots; ++i)
        menu->addAction(
            addCommand(kFunctionFirst + i, QString("Function%1").arg(i + 1), [this, i] { scripts_->callSlot(i); }));
    menu->addSeparator();
    menu->addAction(addCommand(kUnnumbered, "Unload", [this] { scripts_->unload(); }));
    menu->addAction(addCommand(kUnnumbered, "Console", [this] { scripts_->showConsole(); }));
    keepHelpLast();
    updateScriptActions();
}

void MainWindow::updateScriptActions() {
    const auto& slots = scripts_->session().slots();
    for (int i = 0; i < app::kFunctionSlots; ++i) {
        const std::string& name = slots[static_cast<std::size_t>(i)];
        const bool used = name != app::kEmptySlot;
        QAction* entry = action(kFunctionFirst + i);
        entry->setText(used ? QString::fromStdString(name) : QString("Function%1").arg(i + 1));
        entry->setEnabled(used);
    }
    action("Unload")->setEnabled(scripts_->session().loaded());
}

void MainWindow::loadStartupScript(const QString& path) {
    if (QFileInfo::exists(path)) scripts_->open(path);
}

}  // namespace kestrel::ui
