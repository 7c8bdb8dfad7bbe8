// kestrel-cli console: the previewer commands and the cartridge's own, sent to a console
// through the Action Replay card or to an emulated console.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <ostream>

#include "app/console_session.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "link/emulated_console.h"
#include "link/linux_port_io.h"
#include "link/previewer.h"
#include "link/transcript_port.h"
#include "model/vector.h"
#include "model/view_projection.h"

namespace kestrel::cli {

namespace {

// Ctrl-C stands for Escape while the console is being talked to.
std::atomic<link::KeyState*> escapeKey{nullptr};
extern "C" void onConsoleInterrupt(int) {
    if (link::KeyState* keys = escapeKey.load()) keys->press();
}

class CtrlCPressesEscape {
public:
    explicit CtrlCPressesEscape(link::KeyState& keys) {
        escapeKey = &keys;
        previous = std::signal(SIGINT, onConsoleInterrupt);
    }
    ~CtrlCPressesEscape() {
        std::signal(SIGINT, previous);
        escapeKey = nullptr;
    }
    CtrlCPressesEscape(const CtrlCPressesEscape&) = delete;
    CtrlCPressesEscape& operator=(const CtrlCPressesEscape&) = delete;

private:
    void (*previous)(int) = nullptr;
};

std::optional<link::EmulatedConsole::Fault> faultNamed(const std::string& name) {
    using Fault = link::EmulatedConsole::Fault;
    if (name.empty()) return Fault::None;
    if (name == "silent") return Fault::Silent;
    if (name == "late") return Fault::Late;
    if (name == "checksum") return Fault::Checksum;
    if (name == "echo") return Fault::Echo;
    return std::nullopt;
}

void reportEmulated(std::ostream& out, const link::EmulatedConsole::Received& got) {
    out << "emulated console received:\n";
    out << "  resets " << got.resets << ", halts " << got.halts << ", resumes " << got.resumes << '\n';
    if (!got.memory.empty()) {
        char address[16];
        std::snprintf(address, sizeof address, "0x%08X", got.uploadAddress);
        out << "  upload: " << got.memory.size() << " bytes at " << address << '\n';
    }
    out << "  previewer " << (got.previewerRunning ? "running" : "not running") << '\n';
    out << "  textures: " << got.textures.size() << " blocks";
    for (const auto& tim : got.textures) out << ' ' << tim.size();
    out << "\n  model: " << got.modelBlocks << " blocks, last " << got.model.size() << " bytes\n";
    out << "  MIMe: " << got.mimeBlocks << " blocks, last " << got.mime.size() << " bytes\n";
    out << "  camera: angles " << got.angleX << ", " << got.angleY << ", scale " << got.scale << '\n';
    out << "  video mode " << got.videoWidth << 'x' << got.videoHeight << ", CPU profiler "
        << (got.cpuProfiler ? "on" : "off") << ", GPU profiler " << (got.gpuProfiler ? "on" : "off") << '\n';
    if (got.checksumFailures > 0) out << "  chunks refused for their checksum: " << got.checksumFailures << '\n';
}

// The command itself; an error with a one-line reason when it could not be done for a reason
// other than the console's silence.
std::expected<void, std::string> dispatch(app::Document& document, const ConsoleOptions& o,
                                          app::ConsoleSession& session, std::ostream& err) {
    const auto argument = [&](std::size_t i) { return i < o.arguments.size() ? o.arguments[i] : std::string(); };
    const auto openModel = [&]() -> std::expected<void, std::string> {
        if (argument(0).empty()) return std::unexpected("'" + o.command + "' needs the model file");
        const auto opened = document.openFile(argument(0));
        if (!opened) return std::unexpected(opened.error().describe());
        reportWarnings(err, *opened);
        return {};
    };
    using app::ConsoleCommand;
    link::Previewer& previewer = session.previewer();
    const std::string& c = o.command;
    if (c == "reset") return session.run(ConsoleCommand::Reset);
    if (c == "halt") return session.run(ConsoleCommand::Halt);
    if (c == "resume") return session.run(ConsoleCommand::Resume);
    if (c == "viewer") {
        if (!o.arguments.empty()) {
            app::Settings settings = document.settings();
            settings.previewerFile = argument(0);
            document.setSettings(settings);
        }
        return session.run(ConsoleCommand::SendViewer);
    }
    if (c == "model" || c == "textures" || c == "all" || c == "mime") {
        if (auto opened = openModel(); !opened) return opened;
        if (c == "textures") return session.run(ConsoleCommand::SendTextures);
        if (c == "model") return session.run(ConsoleCommand::SendModel);
        if (c == "all") return session.run(ConsoleCommand::SendAll);
        if (o.movement.empty()) return std::unexpected("'mime' needs --movement NAME");
        document.select({app::ProjectItem::Movement, o.movement, -1});
        return session.run(ConsoleCommand::SendMime);
    }
    if (c == "video") {
        unsigned w = 0, h = 0;
        char end = 0;
        if (std::sscanf(argument(0).c_str(), "%ux%u%c", &w, &h, &end) != 2 || w > 0xFFFF || h > 0xFFFF)
            return std::unexpected("'video' takes WxH, as 368x256");
        previewer.setVideoMode(static_cast<int>(w), static_cast<int>(h));
        return {};
    }
    if (c == "profiler") {
        const std::string which = argument(0), state = argument(1);
        if ((which != "cpu" && which != "gpu") || (state != "on" && state != "off"))
            return std::unexpected("'profiler' takes cpu or gpu, then on or off");
        if (which == "cpu")
            previewer.setCpuProfiler(state == "on");
        else
            previewer.setGpuProfiler(state == "on");
        return {};
    }
    if (c == "camera") {
        if (!o.rotate.empty() && o.rotate.size() != 2) return std::unexpected("--rotate takes X,Y in degrees");
        const double x = o.rotate.empty() ? 0 : model::degreesToRadians(o.rotate[0]);
        const double y = o.rotate.empty() ? 0 : model::degreesToRadians(o.rotate[1]);
        previewer.trackView(x, y, o.scale.value_or(model::kInitialViewScale));
        return {};
    }
    return std::unexpected("unknown console command '" + c + "'");
}

}  // namespace

int runConsole(app::Document& document, const ConsoleOptions& o, std::ostream& out, std::ostream& err) {
    const auto fault = faultNamed(o.fault);
    if (!fault) return reportError(err, formats::makeError("console", 0, "unknown fault '" + o.fault + "'"));
    std::uint16_t base = document.settings().portBase;
    if (!o.port.empty()) {
        const auto parsed = app::parsePortText(o.port);
        if (!parsed)
            return reportError(err, formats::makeError("console", 0, "'" + o.port + "' is not a port address"));
        base = *parsed;
    }

    link::SteadyClock steady;
    link::Clock& clock = o.clock ? *o.clock : steady;
    std::unique_ptr<link::EmulatedConsole> emulated;
    std::unique_ptr<link::LinuxPortIo> card;
    link::PortIo* port = nullptr;
    if (o.emulate) {
        emulated = std::make_unique<link::EmulatedConsole>(clock, base);
        emulated->setFault(*fault);
        // Each run is a new process: the previewer is taken to be running already, as it
        // would be on a console that was sent it before, except for the commands that start it.
        if (o.command != "viewer" && o.command != "reset") emulated->startPreviewer();
        port = emulated.get();
    } else {
        auto opened = link::LinuxPortIo::open(base);
        if (!opened) return reportError(err, formats::makeError("console", 0, opened.error()));
        card = std::move(*opened);
        port = card.get();
    }
    link::TranscriptPort transcript(*port, base);
    link::ThreadPriority priority;
    bool failed = false;
    app::ConsoleSession session(document, transcript, clock, priority, base, [&] {
        failed = true;
        return false;  // Cancel: the command line has no one to ask
    });
    const CtrlCPressesEscape ctrlC(session.keys());
    session.setMessages(&out);
    session.progress = [&](int position, int range) { out << "textures " << position << '/' << range << '\n'; };
    link::ActionReplayLink& ar = session.link();
    link::Previewer& previewer = session.previewer();

    const auto done = dispatch(document, o, session, err);
    if (!o.transcript.empty())
        if (auto written = formats::writeFileSafely(document.files(), o.transcript, transcript.text()); !written)
            reportError(err, written.error());
    if (emulated) reportEmulated(out, emulated->received());
    if (!done) return reportError(err, formats::makeError("console", 0, done.error()));
    if (failed || ar.aborted()) {
        err << "error: " << link::kCommsErrorTitle << ": " << link::kCommsErrorText << '\n';
        return kExitFailure;
    }
    if (previewer.failedBlocks > 0) {
        err << "error: the console did not confirm " << previewer.failedBlocks
            << (previewer.failedBlocks == 1 ? " block" : " blocks") << ": its checksum differed\n";
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace kestrel::cli
