#pragma once
// The commands the previewer program answers once it runs on the console: textures, the
// model and MIMe data as checksummed blocks, the camera, the video mode and the profiler
// displays, each opened by a command letter that the previewer acknowledges in lower case.
// Also starting the previewer (upload and run) and resetting the console.
//
// When the console does not acknowledge (time-out or Escape), the prompt is asked: Retry
// tries the letter again, Cancel abandons the command as each command says. The bytes the
// commands send arrive as buffers; whatever a cancelled command had read is released with
// them.
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <vector>

#include "link/action_replay_link.h"

namespace kestrel::link {

inline constexpr const char* kCommsErrorTitle = "Action Replay Comms Error";
inline constexpr const char* kCommsErrorText =
    "The Playstation has failled to respond to a command via the Action Replay Comms Link.";
inline constexpr const char* kCommsErrorAdvice =
    "Please check:\n1) Your comms link is working properly\n2) You have set the correct IO port in "
    "the Options dialog.\n3) You have downloaded the previewer program using the Yaroze tools.";

// Asked when the console has not answered: true for "Retry", false for "Cancel".
using CommsErrorPrompt = std::function<bool()>;
// A texture slot's TIM file bytes, or nothing when the file cannot be read.
using TextureReader = std::function<std::optional<std::vector<std::uint8_t>>(int slot)>;
// Send Textures' progress bar: its position out of its range.
using TextureProgress = std::function<void(int position, int range)>;

// Console units: 4096 to the turn for angles, and the view scale × π/2 × 4096.
std::int16_t angleUnits(double radians);
std::int32_t scaleUnits(double scale);

class Previewer {
public:
    Previewer(ActionReplayLink& link, CommsErrorPrompt prompt);

    // What was last set: the video mode (640 × 256 at first) and the profiler switches.
    int videoWidth() const { return width; }
    int videoHeight() const { return height; }
    bool cpuProfiler() const { return cpu; }
    bool gpuProfiler() const { return gpu; }
    // The View Track setting; a Cancel in View Track, the video mode or a profiler clears it.
    bool viewTrack = false;
    // Where View Track writes "!!!" when the previewer's answers to the angles are wrong.
    std::ostream* messages = nullptr;
    // Blocks the console did not confirm (its checksum differed, or the transfer stopped).
    // The commands go on regardless; a set failure shows at the next handshake.
    int failedBlocks = 0;

    // Each returns false when cancelled (or, for the viewer, when the upload failed).
    bool sendTextures(int count, const TextureReader& read, const TextureProgress& progress = {});
    bool sendModel(std::span<const std::uint8_t> tmd);
    bool sendMime(std::span<const std::uint8_t> mime);
    // Send Textures, then Send Model whether or not the textures were cancelled.
    void sendAll(int count, const TextureReader& read, std::span<const std::uint8_t> tmd,
                 const TextureProgress& progress = {});
    bool sendViewer(std::vector<std::uint8_t> image);
    void trackView(double rotationX, double rotationY, double scale);
    bool setVideoMode(int width, int height);
    bool toggleCpuProfiler() { return setCpuProfiler(!cpu); }
    bool toggleGpuProfiler() { return setGpuProfiler(!gpu); }
    // The setting takes the value even when the console is not told (Cancel).
    bool setCpuProfiler(bool on);
    bool setGpuProfiler(bool on);
    void reset() { link.reset(); }

private:
    // Clears the failure and asks the prompt: true for Retry.
    bool askRetry();
    // One try of a command letter, returning the answer.
    using Attempt = std::function<std::uint8_t()>;
    // Tries until the letter is acknowledged in lower case; false on Cancel.
    bool acknowledged(char letter, const Attempt& attempt);
    // A try that exchanges the letter, after a 0x00 when asked.
    Attempt exchangeTry(char letter, bool zeroFirst);
    bool handshake(char letter, bool zeroFirst);
    // The acknowledgement and the payload, both again when the payload aborts; false on Cancel.
    bool withPayload(char letter, const Attempt& attempt, const std::function<void()>& payload);
    bool sendBlockCommand(char letter, std::span<const std::uint8_t> bytes);
    bool trackStep(char letter, std::span<const std::int32_t> values, std::span<const std::uint8_t> answers);
    bool profiler(bool& setting, bool value, char on, char off);

    ActionReplayLink& link;
    CommsErrorPrompt prompt;
    int width = 640, height = 256;
    bool cpu = false, gpu = false;
};

}  // namespace kestrel::link
