// The console in the window: the "Action Replay Control" bar, the Tools menu's "Action Replay
// Previewer" entries, View Track after each repaint of the active pane, and the console the
// scripts' ActionReplay class reaches.
#include <QCheckBox>
#include <QDockWidget>
#include <QGridLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "ui/window/main_window.h"
#include "ui/window/window_console.h"
#include "ui/window/window_scripts.h"

namespace kestrel::ui {

using namespace command;

namespace {

struct VideoMode {
    int id, width, height;
};
constexpr VideoMode kVideoModes[] = {{32879, 256, 256}, {32880, 320, 256}, {32881, 368, 256}, {32882, 512, 256},
                                     {32883, 640, 256}, {32884, 256, 512}, {32885, 320, 512}, {32886, 368, 512},
                                     {32887, 512, 512}, {32888, 640, 512}};

struct BarCommand {
    int id;
    const char* control;  // the bar's button
    const char* menu;     // the Tools menu's entry
    app::ConsoleCommand command;
};
constexpr BarCommand kBarCommands[] = {
    {kSendTextures, "AR Send Textures", "send texture", app::ConsoleCommand::SendTextures},
    {kSendModel, "AR Send Model", "send model", app::ConsoleCommand::SendModel},
    {kSendAll, "AR Send All", "send all", app::ConsoleCommand::SendAll},
    {kSendViewer, "AR Send Viewer", "Send Viewer", app::ConsoleCommand::SendViewer},
    {kResetConsole, "Reset", "ResetPSX", app::ConsoleCommand::Reset},
    {kSendMime, "AR Send MIMe", "Send MIMe", app::ConsoleCommand::SendMime},
};

}  // namespace

void MainWindow::runConsole(const std::function<std::expected<void, std::string>()>& job, const QString& what) {
    const auto done = job();
    if (!done)
        showMessage(QString("%1: %2").arg(what, QString::fromStdString(done.error())));
    else if (!what.isEmpty())
        showMessage(what + " done");
    updateActions();
}

void MainWindow::createConsoleCommands() {
    console_ = new WindowConsole(document_, this, prompts_);
    consoleBar_ = new QDockWidget("Action Replay Control", this);
    consoleBar_->setObjectName(QString("bar%1").arg(kConsoleBarId));
    auto* controls = new QWidget(consoleBar_);
    auto* grid = new QGridLayout(controls);
    QMenu* tools = nullptr;
    for (QAction* a : menuBar()->actions())
        if (a->text() == "&Tools") tools = a->menu();
    tools->addSeparator();
    tools->addSection("Action Replay Previewer");
    int cell = 0;
    for (const BarCommand& c : kBarCommands) {
        QAction* command = addCommand(c.id, c.menu, [this, c] {
            runConsole([this, c] { return console_->run(c.command, c.control); }, c.control);
        });
        tools->addAction(command);
        auto* button = new QPushButton(c.control, controls);
        button->setObjectName(QString("control%1").arg(c.id));
        connect(button, &QPushButton::clicked, command, &QAction::trigger);
        connect(command, &QAction::changed, button, [button, command] { button->setEnabled(command->isEnabled()); });
        grid->addWidget(button, 0, cell++);
    }
    auto* track = new QCheckBox("View Track", controls);
    track->setObjectName(QString("control%1").arg(kViewTrackControl));
    connect(track, &QCheckBox::toggled, this, [this](bool on) { console_->setViewTrack(on); });
    grid->addWidget(track, 1, 0);
    auto* cancel = new QPushButton("Cancel", controls);
    cancel->setObjectName("consoleCancel");
    cancel->setEnabled(false);
    connect(cancel, &QPushButton::clicked, console_, &WindowConsole::cancel);
    console_->setCancelButton(cancel);
    grid->addWidget(cancel, 1, cell - 1);
    auto* progress = new QProgressBar(controls);
    progress->setObjectName(QString("control%1").arg(kConsoleProgress));
    progress->setRange(0, 1);
    progress->setValue(0);
    grid->addWidget(progress, 1, 1, 1, cell - 2);
    connect(console_, &WindowConsole::progress, progress, [progress](int position, int range) {
        progress->setRange(0, std::max(range, 1));
        progress->setValue(position);
    });
    connect(console_, &WindowConsole::stateChanged, this, [this, track] {
        const QSignalBlocker quiet(track);
        track->setChecked(console_->viewTrack());
        updateActions();
    });
    consoleBar_->setWidget(controls);
    // With the Project Tools bar at the bottom, as tabs of one place: side by side the two
    // would make the window wider than many screens.
    addDockWidget(Qt::BottomDockWidgetArea, consoleBar_);
    tabifyDockWidget(projectToolsBar_, consoleBar_);
    projectToolsBar_->raise();

    QMenu* modes = tools->addMenu("Action Replay Video Mode");
    modes->addSection("PAL MODES");
    for (const VideoMode& m : kVideoModes) {
        QAction* mode = addCommand(m.id, QString("%1x%2").arg(m.width).arg(m.height), [this, m] {
            runConsole([this, m] { return console_->setVideoMode(m.width, m.height); }, {});
        });
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    for (bool gpu : {false, true}) {
        QAction* profiler =
            addCommand(gpu ? kGpuProfiler : kCpuProfiler, gpu ? "Show GPU Profiler" : "Show CPU Profiler",
                       [this, gpu] { runConsole([this, gpu] { return console_->toggleProfiler(gpu); }, {}); });
        profiler->setCheckable(true);
        tools->addAction(profiler);
    }
    tools->addAction(addCommand(kUnnumbered, "Emulated Console Log", [this] { console_->log()->show(); }));

    // The scripts' ActionReplay reaches the same console; what went wrong goes to the script's console.
    scripts_->session().console = [this](script::ConsoleCommand c) {
        using S = script::ConsoleCommand;
        const app::ConsoleCommand command = c == S::Reset        ? app::ConsoleCommand::Reset
                                            : c == S::Halt       ? app::ConsoleCommand::Halt
                                            : c == S::Resume     ? app::ConsoleCommand::Resume
                                            : c == S::SendViewer ? app::ConsoleCommand::SendViewer
                                            : c == S::SendModel  ? app::ConsoleCommand::SendModel
                                                                 : app::ConsoleCommand::SendTextures;
        if (const auto done = console_->run(command, "ActionReplay"); !done)
            scripts_->write(QString("ActionReplay: %1").arg(QString::fromStdString(done.error())));
    };
}

// View Track: the active pane's camera, once after each of its repaints (queued, so that the
// paint itself never waits on the console), never while a transfer runs.
void MainWindow::trackAfterPaint(ViewPane* pane) {
    if (pane != active_ || !console_ || !console_->viewTrack() || console_->busy() || trackQueued_) return;
    trackQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        trackQueued_ = false;
        if (!active_) return;
        const render::EditView& v = active_->view();
        console_->trackView(v.rotationX, v.rotationY, v.scale);
    });
}

void MainWindow::updateConsoleActions() {
    if (!console_) return;
    action(kSendMime)->setEnabled(document_.selection().kind == app::ProjectItem::Movement);
    for (const VideoMode& m : kVideoModes)
        action(m.id)->setChecked(console_->videoWidth() == m.width && console_->videoHeight() == m.height);
    action(kCpuProfiler)->setChecked(console_->cpuProfiler());
    action(kGpuProfiler)->setChecked(console_->gpuProfiler());
}

}  // namespace kestrel::ui
