#pragma once
// The window's script host: the script pane and the twelve function buttons of the project
// window, the console window where the script's lines appear, and runs that keep the window
// painting (and listening for Escape) while they go, with the user's input held off.
#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <expected>
#include <functional>
#include <memory>

#include "app/script_session.h"
#include "formats/error.h"
#include "ui/window/input_hold.h"

class QDialog;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace kestrel::ui {

class WindowScripts final : public QObject {
    Q_OBJECT
public:
    WindowScripts(app::Document& document, QWidget* window, QPlainTextEdit* pane,
                  const std::array<QPushButton*, app::kFunctionSlots>& buttons);
    ~WindowScripts() override;

    app::ScriptSession& session() { return *session_; }
    QPlainTextEdit* pane() const { return pane_; }
    QDialog* console() const { return console_; }
    QListWidget* consoleList() const { return consoleList_; }
    bool running() const { return running_; }

    // "Run": the pane's text. Function N: the slot's function.
    void run();
    void callSlot(int slot);
    // Releases the loaded script and shows the leak report in the console.
    void unload();
    // A script file into the pane, run; false (and nothing changed) when it cannot be read.
    std::expected<void, formats::Error> open(const QString& path);
    void showConsole();
    // Adds a line to the console.
    void write(const QString& line);

Q_SIGNALS:
    // The slots changed: the menu's function entries follow them.
    void slotsChanged();
    // A run or call ended: what the status bar says.
    void finished(const QString& message);

private:
    // Runs one job of the session with the window held: input goes nowhere but to dialogs the
    // script opens, Escape stops it, and the window repaints a few times a second.
    void hold(const QString& what, const std::function<std::optional<app::ScriptRun>()>& job);
    void updateButtons();

    app::Document& document_;
    QWidget* window_;
    QPlainTextEdit* pane_;
    std::array<QPushButton*, app::kFunctionSlots> buttons_;
    std::unique_ptr<app::ScriptSession> session_;
    QDialog* console_ = nullptr;
    QListWidget* consoleList_ = nullptr;
    std::atomic<bool> stop_{false};
    bool running_ = false;
    std::unique_ptr<InputHold> hold_;  // while a script runs
};

}  // namespace kestrel::ui
