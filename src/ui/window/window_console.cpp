#include "ui/window/window_console.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/linux_port_io.h"
#include "ui/window/line_log.h"
#include "ui/window/prompts.h"

namespace kestrel::ui {

namespace {
// How many port accesses pass between looks at the clock for the window: few enough that a
// wait sleeping between its looks still lets the window paint.
constexpr int kAccessesBetweenPumps = 8;
}  // namespace

class WindowConsole::PumpingPort final : public link::PortIo {
public:
    PumpingPort(link::PortIo& port, std::function<void()> onPump) : inner(port), pump(std::move(onPump)) {}
    void out8(std::uint16_t port, std::uint8_t value) override { inner.out8(port, value); }
    std::uint8_t in8(std::uint16_t port) override {
        if (++accesses % kAccessesBetweenPumps == 0) pump();
        return inner.in8(port);
    }

private:
    link::PortIo& inner;
    std::function<void()> pump;
    unsigned accesses = 0;
};

WindowConsole::WindowConsole(app::Document& document, QWidget* window, Prompts& prompts)
    : QObject(window),
      document_(document),
      window_(window),
      prompts_(prompts),
      steady_(std::make_unique<link::SteadyClock>()),
      clock_(steady_.get()),
      priority_(std::make_unique<link::ThreadPriority>()) {
    const LineLog log = makeLineLog(window, "consoleLog", "Emulated Console", {460, 300});
    log_ = log.dialog;
    logList_ = log.list;
}

WindowConsole::~WindowConsole() = default;

void WindowConsole::setClock(link::Clock* clock) {
    clock_ = clock ? clock : steady_.get();
    session_.reset();  // the link keeps its clock: the next command opens it again
}

void WindowConsole::logLine(const QString& line) { addLine(logList_, line); }

std::expected<void, std::string> WindowConsole::open() {
    const app::Settings& settings = document_.settings();
    if (session_ && openEmulated_ == settings.emulatedConsole && openPort_ == settings.portBase) return {};
    session_.reset();
    pumping_.reset();
    emulated_.reset();
    card_.reset();
    link::PortIo* port = nullptr;
    if (settings.emulatedConsole) {
        emulated_ = std::make_unique<link::EmulatedConsole>(*clock_, settings.portBase);
        // Without the hardware there is nothing to upload the previewer to: it is taken as
        // running, as on a console that was sent it before.
        emulated_->startPreviewer();
        logLine("emulated console at port " + QString("0x%1").arg(settings.portBase, 0, 16) + ", previewer running");
        port = emulated_.get();
    } else {
        auto opened = link::LinuxPortIo::open(settings.portBase);
        if (!opened) return std::unexpected(opened.error());
        card_ = std::move(*opened);
        port = card_.get();
    }
    pumping_ = std::make_unique<PumpingPort>(*port, [this] {
        if (hold_) hold_->pump();
    });
    session_ =
        std::make_unique<app::ConsoleSession>(document_, *pumping_, *clock_, *priority_, settings.portBase, [this] {
            const bool retry = prompts_.askCommsRetry(window_);
            declined_ = declined_ || !retry;
            return retry;
        });
    session_->setViewTrack(viewTrack_);
    session_->progress = [this](int position, int range) { Q_EMIT progress(position, range); };
    openEmulated_ = settings.emulatedConsole;
    openPort_ = settings.portBase;
    return {};
}

std::expected<void, std::string> WindowConsole::hold(const QString& what,
                                                     const std::function<std::expected<void, std::string>()>& job) {
    if (busy()) return std::unexpected("the console is busy with another command");
    if (auto opened = open(); !opened) return opened;
    const link::EmulatedConsole::Received before =
        emulated_ ? emulated_->received() : link::EmulatedConsole::Received{};
    cancelled_ = false;
    declined_ = false;
    hold_ = std::make_unique<InputHold>([this] { cancel(); });
    hold_->allow(cancelButton_);
    if (cancelButton_) cancelButton_->setEnabled(true);
    const auto done = job();
    hold_.reset();
    if (cancelButton_) cancelButton_->setEnabled(false);
    // A transfer the user stopped is no failure for the next command to report.
    if (cancelled_) session_->link().clearAborted();
    // A Cancel in View Track, the video mode or a profiler turns View Track off.
    const bool tracking = session_->viewTrack();
    if (tracking != viewTrack_) viewTrack_ = tracking;
    if (emulated_) {
        const auto lines = app::receivedSince(before, emulated_->received());
        if (!lines.empty() && !what.isEmpty()) logLine(what + ":");
        for (const std::string& line : lines) logLine("  " + QString::fromStdString(line));
        if (!lines.empty() && !what.isEmpty()) log_->show();
    }
    Q_EMIT stateChanged();
    // What the user chose is no success: the status bar says what became of the command.
    if (done && cancelled_) return std::unexpected("stopped");
    if (done && declined_) return std::unexpected("the console did not answer; what was left was not sent");
    return done;
}

std::expected<void, std::string> WindowConsole::run(app::ConsoleCommand command, const QString& what) {
    return hold(what, [&] { return session_->run(command); });
}

std::expected<void, std::string> WindowConsole::setVideoMode(int width, int height) {
    return hold(QString("Video mode %1x%2").arg(width).arg(height), [&]() -> std::expected<void, std::string> {
        session_->setVideoMode(width, height);
        return {};
    });
}

std::expected<void, std::string> WindowConsole::toggleProfiler(bool gpu) {
    return hold(gpu ? "Show GPU Profiler" : "Show CPU Profiler", [&]() -> std::expected<void, std::string> {
        if (gpu)
            session_->toggleGpuProfiler();
        else
            session_->toggleCpuProfiler();
        return {};
    });
}

void WindowConsole::cancel() {
    if (!session_ || !busy()) return;
    cancelled_ = true;
    session_->keys().press();
}

void WindowConsole::trackView(double rotationX, double rotationY, double scale) {
    if (!viewTrack_ || busy()) return;
    // Logged quietly: the camera follows every repaint.
    hold("", [&]() -> std::expected<void, std::string> {
        session_->trackView(rotationX, rotationY, scale);
        return {};
    });
}

void WindowConsole::setViewTrack(bool on) {
    viewTrack_ = on;
    if (session_) session_->setViewTrack(on);
    Q_EMIT stateChanged();
}

int WindowConsole::videoWidth() const { return session_ ? session_->previewer().videoWidth() : 640; }
int WindowConsole::videoHeight() const { return session_ ? session_->previewer().videoHeight() : 256; }
bool WindowConsole::cpuProfiler() const { return session_ && session_->previewer().cpuProfiler(); }
bool WindowConsole::gpuProfiler() const { return session_ && session_->previewer().gpuProfiler(); }

}  // namespace kestrel::ui
