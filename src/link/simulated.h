#pragma once
// Stand-ins for the machine for tests, benchmarks and the emulated console on the command
// line: a clock that moves on as it is read, Escape pressed at a chosen byte, and a priority
// that only counts.
#include <cstdint>

#include "link/port_io.h"

namespace kestrel::link {

// Time passes only when the clock is read: each reading moves it on by the step.
class SimulatedClock final : public Clock {
public:
    explicit SimulatedClock(std::int64_t microsecondsPerReading = 1000) : step(microsecondsPerReading) {}
    std::int64_t seconds() override {
        now += step;
        return now / 1'000'000;
    }
    void sleep(std::int64_t microseconds) override {
        now += microseconds;
        ++sleeps;
    }
    int sleeps = 0;
    double elapsedSeconds() const { return static_cast<double>(now) / 1e6; }

private:
    std::int64_t step;
    std::int64_t now = 0;
};

// Presses Escape as the pressAfter-th byte (counting from 1) is written to the data
// register, passing every access on; 0: never.
class EscapeAfterWrites final : public PortIo {
public:
    EscapeAfterWrites(PortIo& inner, KeyState& keys, std::uint16_t dataPort)
        : inner(inner), keys(keys), dataPort(dataPort) {}
    std::int64_t pressAfter = 0;
    std::int64_t writes = 0;
    void out8(std::uint16_t port, std::uint8_t value) override {
        inner.out8(port, value);
        if (port == dataPort && ++writes == pressAfter) keys.press();
    }
    std::uint8_t in8(std::uint16_t port) override { return inner.in8(port); }

private:
    PortIo& inner;
    KeyState& keys;
    std::uint16_t dataPort;
};

// Counts raises and restores; the level is what the thread's priority would be.
class CountingPriority final : public Priority {
public:
    int level = 0;
    int raises = 0;
    int raise() override {
        ++raises;
        const int saved = level;
        level = 15;
        return saved;
    }
    void restore(int saved) override { level = saved; }
};

}  // namespace kestrel::link
