// The console link's block transfer against the port accesses it makes:
//   figure sendblock_overhead R   sending a 1 MiB block through the link to a port whose
//                                 accesses cost nothing / a tight loop making the same
//                                 sequence of accesses to that port
// The port replays the answers an emulated console gave, so both sides make exactly the
// same calls; what is left is the link's own work (checksums, Escape, waits, framing).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "figures.h"
#include "link/action_replay_link.h"
#include "link/emulated_console.h"
#include "link/simulated.h"

namespace {

using kestrel::link::PortIo;

struct Access {
    std::uint16_t port;
    bool write;
    std::uint8_t value;  // written, or answered
};

// Passes accesses to a console and writes them down.
class RecordingPort final : public PortIo {
public:
    explicit RecordingPort(PortIo& inner) : inner(inner) {}
    void out8(std::uint16_t port, std::uint8_t value) override {
        accesses.push_back({port, true, value});
        inner.out8(port, value);
    }
    std::uint8_t in8(std::uint16_t port) override {
        const std::uint8_t value = inner.in8(port);
        accesses.push_back({port, false, value});
        return value;
    }
    std::vector<Access> accesses;

private:
    PortIo& inner;
};

// Gives the recorded answers back in order; writes go nowhere.
class ReplayPort final : public PortIo {
public:
    explicit ReplayPort(std::vector<std::uint8_t> answers) : answers(std::move(answers)) {}
    void out8(std::uint16_t, std::uint8_t value) override { last = value; }
    std::uint8_t in8(std::uint16_t) override { return answers[next++]; }
    void rewind() { next = 0; }

private:
    std::vector<std::uint8_t> answers;
    std::size_t next = 0;
    std::uint8_t last = 0;
};

constexpr std::size_t kBlock = 1 << 20;

std::vector<std::uint8_t> block() {
    std::vector<std::uint8_t> bytes(kBlock);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    return bytes;
}

// One transfer to an emulated console whose previewer runs, recorded.
std::vector<Access> recordTransfer(const std::vector<std::uint8_t>& bytes) {
    kestrel::link::SimulatedClock clock;
    kestrel::link::KeyState keys;
    kestrel::link::CountingPriority priority;
    kestrel::link::EmulatedConsole console(clock);
    console.startPreviewer();
    RecordingPort recorder(console);
    kestrel::link::ActionReplayLink link(recorder, clock, keys, priority);
    link.exchangeByte('M');
    recorder.accesses.clear();
    if (!link.sendBlock(bytes)) std::abort();
    return recorder.accesses;
}

std::vector<std::uint8_t> answersOf(const std::vector<Access>& accesses) {
    std::vector<std::uint8_t> answers;
    for (const Access& a : accesses)
        if (!a.write) answers.push_back(a.value);
    return answers;
}

void BM_SendBlock(benchmark::State& state) {
    const auto bytes = block();
    ReplayPort port(answersOf(recordTransfer(bytes)));
    kestrel::link::SimulatedClock clock;
    kestrel::link::KeyState keys;
    kestrel::link::CountingPriority priority;
    kestrel::link::ActionReplayLink link(port, clock, keys, priority);
    for (auto _ : state) {
        port.rewind();
        if (!link.sendBlock(bytes)) state.SkipWithError("the transfer failed");
    }
}

void BM_SendBlockPortLoop(benchmark::State& state) {
    const auto accesses = recordTransfer(block());
    ReplayPort replay(answersOf(accesses));
    // Through the interface, as the link reaches its port: the call is not inlined away.
    PortIo* port = &replay;
    benchmark::DoNotOptimize(port);
    for (auto _ : state) {
        replay.rewind();
        std::uint8_t sink = 0;
        for (const Access& a : accesses) {
            if (a.write)
                port->out8(a.port, a.value);
            else
                sink ^= port->in8(a.port);
        }
        benchmark::DoNotOptimize(sink);
    }
}

BENCHMARK(BM_SendBlock)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SendBlockPortLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

const bool registered = [] {
    kestrel::bench::addRatio("sendblock_overhead", "BM_SendBlock", "BM_SendBlockPortLoop");
    return true;
}();

}  // namespace
