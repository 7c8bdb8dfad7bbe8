#include "link/previewer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "link/emulated_console.h"
#include "link/simulated.h"
#include "link/transcript_port.h"

using namespace kestrel::link;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Fault = EmulatedConsole::Fault;

Bytes viewerImage() {
    Bytes image(0x810, 0);
    const auto put = [&](std::size_t at, std::uint32_t v) {
        for (int b = 0; b < 4; ++b) image[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
    };
    put(0x10, 0x80010000);
    put(0x18, 0x80010000);
    put(0x1C, 16);
    return image;
}

// A console running the previewer; the comms-error prompt brings the console back and
// answers with `retry`.
struct Rig {
    SimulatedClock clock;
    EmulatedConsole console{clock};
    TranscriptPort port{console, kDefaultPortBase};
    KeyState keys;
    CountingPriority priority;
    ActionReplayLink link{port, clock, keys, priority};
    int prompts = 0;
    bool retry = false;
    Previewer previewer{link, [this] {
                            ++prompts;
                            console.setFault(Fault::None);
                            return retry;
                        }};
    std::size_t mark = 0;

    Rig() {
        EXPECT_TRUE(previewer.sendViewer(viewerImage()));
        EXPECT_TRUE(got().previewerRunning);
        mark = port.text().size();
    }
    const EmulatedConsole::Received& got() const { return console.received(); }
    // The bytes written since the last call.
    Bytes written() {
        Bytes out;
        for (; mark < port.text().size(); mark += 5)
            if (port.text()[mark] == 'W')
                out.push_back(static_cast<std::uint8_t>(std::stoi(port.text().substr(mark + 2, 2), nullptr, 16)));
        return out;
    }
};

}  // namespace

TEST(Previewer, VideoModeAndProfilersSendTheirBytes) {
    Rig r;
    EXPECT_TRUE(r.previewer.setVideoMode(368, 256));
    EXPECT_EQ(r.written(), (Bytes{0, 'Z', 4, 1, 3, 0x70, 2, 1, 1, 0, 0}));
    EXPECT_EQ(r.previewer.videoWidth(), 368);
    EXPECT_EQ(r.got().videoWidth * 1000 + r.got().videoHeight, 368256);

    EXPECT_TRUE(r.previewer.toggleCpuProfiler());
    EXPECT_EQ(r.written(), (Bytes{0, 'F', 'C', 0}));
    EXPECT_TRUE(r.previewer.toggleGpuProfiler());
    EXPECT_EQ(r.written(), (Bytes{0, 'F', 'G', 0}));
    EXPECT_TRUE(r.previewer.toggleCpuProfiler());
    EXPECT_EQ(r.written(), (Bytes{0, 'F', 'c', 0}));
    EXPECT_FALSE(r.got().cpuProfiler);
    EXPECT_TRUE(r.got().gpuProfiler);
}

TEST(Previewer, ViewTrackSendsAnglesAndScale) {
    Rig r;
    std::ostringstream messages;
    r.previewer.messages = &messages;
    r.previewer.trackView(0, 0, 0.7);
    EXPECT_EQ(r.written(), (Bytes{'R', 0, 0, 0, 0, 'S', 0x11, 0x97}));
    EXPECT_EQ(r.got().scale, 4503);
    r.previewer.trackView(1.0, -1.0, 0.7);  // 651.9 units each way, truncated toward zero
    EXPECT_EQ(r.got().angleX, 651);
    EXPECT_EQ(r.got().angleY, -651);
    EXPECT_EQ(messages.str(), "");
}

TEST(Previewer, MissingTextureIsSkippedWithoutSteppingProgress) {
    Rig r;
    const std::vector<Bytes> tims = {Bytes(10, 1), {}, Bytes(300, 3)};
    std::pair<int, int> progress{-1, -1};
    EXPECT_TRUE(r.previewer.sendTextures(
        3, [&](int slot) -> std::optional<Bytes> { return slot == 1 ? std::nullopt : std::optional(tims[slot]); },
        [&](int position, int range) {
            progress = {position, range};
        }));
    EXPECT_EQ(r.got().textures, (std::vector<Bytes>{tims[0], tims[2]}));
    EXPECT_EQ(progress, std::make_pair(2, 3));
}

TEST(Previewer, CancelEndsSendTexturesButSendAllStillSendsTheModel) {
    Rig r;
    const auto read = [&](int slot) -> std::optional<Bytes> {
        if (slot == 1) r.console.setFault(Fault::Silent);
        return Bytes(20, static_cast<std::uint8_t>(slot));
    };
    r.previewer.sendAll(3, read, Bytes(500, 0x42));
    EXPECT_EQ(r.prompts, 1);
    EXPECT_EQ(r.got().textures, std::vector<Bytes>{Bytes(20, 0)});
    EXPECT_EQ(r.got().model, Bytes(500, 0x42));
    EXPECT_FALSE(r.link.aborted());
}

TEST(Previewer, RetryAfterCommsErrorSendsTheCommand) {
    Rig r;
    r.retry = true;
    r.console.setFault(Fault::Silent);
    EXPECT_TRUE(r.previewer.sendMime(Bytes(70, 5)));
    EXPECT_EQ(r.prompts, 1);
    EXPECT_EQ(r.got().mime, Bytes(70, 5));
    EXPECT_EQ(r.got().mimeBlocks, 1);
}

TEST(Previewer, CancelInViewTrackRotationStillSendsTheScale) {
    Rig r;
    r.previewer.viewTrack = true;
    r.console.setFault(Fault::Silent);
    r.previewer.trackView(1.0, 1.0, 1.0);
    EXPECT_EQ(r.prompts, 1);
    EXPECT_FALSE(r.previewer.viewTrack);
    EXPECT_EQ(r.got().angleX, 0);
    EXPECT_EQ(r.got().scale, 6433);
    EXPECT_EQ(r.got().letters, std::vector<char>{'S'});
}

TEST(Previewer, CartridgeCommandsWorkWhileItRunsAndResetStopsIt) {
    Rig r;
    r.link.halt();
    EXPECT_EQ(r.got().halts, 1);
    EXPECT_TRUE(r.previewer.setVideoMode(320, 512));
    EXPECT_EQ(r.got().videoHeight, 512);
    r.previewer.reset();
    EXPECT_EQ(r.got().resets, 2);  // the first came with the upload
    EXPECT_FALSE(r.got().previewerRunning);
    EXPECT_TRUE(r.got().memory.empty());
    EXPECT_FALSE(r.previewer.sendModel(Bytes(10, 1)));  // no previewer: nobody answers "M"
    EXPECT_EQ(r.prompts, 1);
    EXPECT_EQ(r.got().modelBlocks, 0);
}
