#pragma once
// The window's console: the link to the card at the configured port, or to an emulated
// console whose log window lists what it received; the bar's and the menu's commands run
// with the window held (Escape stops a transfer at its next byte) and painting, the comms
// error asked through the prompts, and View Track's camera sent after a repaint when no
// transfer is under way.
#include <QObject>
#include <QString>
#include <expected>
#include <memory>
#include <string>

#include "app/console_session.h"
#include "ui/window/input_hold.h"

class QDialog;
class QListWidget;
class QWidget;

namespace kestrel::link {
class LinuxPortIo;
class SteadyClock;
class ThreadPriority;
}  // namespace kestrel::link

namespace kestrel::ui {

class Prompts;

class WindowConsole final : public QObject {
    Q_OBJECT
public:
    WindowConsole(app::Document& document, QWidget* window, Prompts& prompts);
    ~WindowConsole() override;

    // Each opens the link first when it is not open (or the settings chose another); an error
    // says why nothing could be sent (the card refused, no model, no previewer program).
    std::expected<void, std::string> run(app::ConsoleCommand command, const QString& what);
    std::expected<void, std::string> setVideoMode(int width, int height);
    std::expected<void, std::string> toggleProfiler(bool gpu);
    // View Track: the camera, unless a transfer is under way or View Track is off.
    void trackView(double rotationX, double rotationY, double scale);

    bool busy() const { return hold_ != nullptr; }
    // Stops the transfer under way at its next byte, as Escape does.
    void cancel();
    // The button that cancels, which takes clicks while the window's other input is held.
    void setCancelButton(QWidget* button) { cancelButton_ = button; }
    bool viewTrack() const { return viewTrack_; }
    void setViewTrack(bool on);
    // What was last set on the console; the defaults until a link is open.
    int videoWidth() const;
    int videoHeight() const;
    bool cpuProfiler() const;
    bool gpuProfiler() const;

    // Opens the link the settings choose, unless it is open already.
    std::expected<void, std::string> open();
    // The open session and its emulated console, when those are what it talks to.
    app::ConsoleSession* session() { return session_.get(); }
    link::EmulatedConsole* emulated() { return emulated_.get(); }
    QDialog* log() const { return log_; }
    QListWidget* logList() const { return logList_; }
    // The link's clock from now on (a test's); the system's when null.
    void setClock(link::Clock* clock);

Q_SIGNALS:
    void progress(int position, int range);
    // The settings shown in the bar and the menu changed (View Track, video mode, profilers).
    void stateChanged();

private:
    // A port that lets the window paint every so many accesses during a transfer.
    class PumpingPort;
    // Runs a job on the open session with the window held, then logs what an emulated console got.
    std::expected<void, std::string> hold(const QString& what,
                                          const std::function<std::expected<void, std::string>()>& job);
    void logLine(const QString& line);

    app::Document& document_;
    QWidget* window_;
    Prompts& prompts_;
    std::unique_ptr<link::SteadyClock> steady_;
    link::Clock* clock_ = nullptr;
    std::unique_ptr<link::ThreadPriority> priority_;
    std::unique_ptr<link::EmulatedConsole> emulated_;
    std::unique_ptr<link::LinuxPortIo> card_;
    std::unique_ptr<PumpingPort> pumping_;
    std::unique_ptr<app::ConsoleSession> session_;
    bool openEmulated_ = false;
    std::uint16_t openPort_ = 0;
    bool viewTrack_ = false;
    std::unique_ptr<InputHold> hold_;  // while a command runs
    QWidget* cancelButton_ = nullptr;
    bool cancelled_ = false;  // the user stopped the command under way
    bool declined_ = false;   // the user answered the comms error with Cancel
    QDialog* log_ = nullptr;
    QListWidget* logList_ = nullptr;
};

}  // namespace kestrel::ui
