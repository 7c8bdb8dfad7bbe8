#pragma once
// A session with the console: the Action Replay link and the previewer commands over a port
// (the card, an emulated console, a test's), and the sequences a user asks for, each taking
// what it sends from the document: the textures, the model as TMD, the selected movement's
// MIMe, the previewer program, the camera. The window, the command line and the scripts'
// ActionReplay class all go through it.
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/document.h"
#include "link/action_replay_link.h"
#include "link/emulated_console.h"
#include "link/previewer.h"

namespace kestrel::app {

// The bar's and the menu's commands, by what they do.
enum class ConsoleCommand { SendTextures, SendModel, SendAll, SendViewer, SendMime, Reset, Halt, Resume };

class ConsoleSession {
public:
    // The port, clock and priority outlive the session. The prompt answers the comms error:
    // true for Retry.
    ConsoleSession(Document& document, link::PortIo& port, link::Clock& clock, link::Priority& priority,
                   std::uint16_t portBase, link::CommsErrorPrompt prompt);

    // Runs a command. An error is a reason other than the console's silence (a model that
    // cannot be written as TMD, no movement selected, no previewer program); silence is
    // reported by the prompt, and the command then ends as the user chose.
    std::expected<void, std::string> run(ConsoleCommand command);
    // The camera of a view, as View Track sends it after a repaint.
    void trackView(double rotationX, double rotationY, double scale);
    bool setVideoMode(int width, int height) { return previewer_.setVideoMode(width, height); }
    bool toggleCpuProfiler() { return previewer_.toggleCpuProfiler(); }
    bool toggleGpuProfiler() { return previewer_.toggleGpuProfiler(); }

    link::ActionReplayLink& link() { return link_; }
    link::Previewer& previewer() { return previewer_; }
    // Escape, Ctrl-C or a Cancel button: press() stops the transfer at its next byte.
    link::KeyState& keys() { return keys_; }
    bool viewTrack() const { return previewer_.viewTrack; }
    void setViewTrack(bool on) { previewer_.viewTrack = on; }
    // Send Textures' progress: its position out of its range.
    link::TextureProgress progress;
    // Where View Track's "!!!" goes.
    void setMessages(std::ostream* out) { previewer_.messages = out; }

private:
    Document& document_;
    link::KeyState keys_;
    link::ActionReplayLink link_;
    link::Previewer previewer_;
};

// What a command sent to an emulated console left there, as lines for a log: each new
// block, camera, mode and cartridge command since `before`.
std::vector<std::string> receivedSince(const link::EmulatedConsole::Received& before,
                                       const link::EmulatedConsole::Received& after);

}  // namespace kestrel::app
