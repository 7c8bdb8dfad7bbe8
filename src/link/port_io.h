#pragma once
// What the console link touches of the machine, each behind a small interface so that the
// link runs against real hardware, an emulated console, or a test's script alike.
#include <atomic>
#include <cstdint>

namespace kestrel::link {

// Byte-wide port input and output.
class PortIo {
public:
    virtual ~PortIo() = default;
    virtual void out8(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t in8(std::uint16_t port) = 0;
};

// A clock in whole seconds, for the link's time limits, that can also let time pass: a wait
// on a console that has gone quiet sleeps between its looks instead of spinning.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t seconds() = 0;
    virtual void sleep(std::int64_t microseconds) = 0;
};

// The Escape key, or what stands for it (Ctrl-C on the command line, a Cancel button):
// whoever sees it calls press(), from any thread or a signal handler, and the link takes the
// press at its next look. Looking costs next to nothing, so the byte loops look at every byte.
class KeyState {
public:
    void press() { pressed.store(true, std::memory_order_relaxed); }
    // True when pressed since the last time this was asked.
    bool escape() { return pressed.load(std::memory_order_relaxed) && pressed.exchange(false); }

private:
    std::atomic<bool> pressed{false};
};

// The calling thread's scheduling priority, raised around the byte loops.
class Priority {
public:
    virtual ~Priority() = default;
    // Raises the priority and returns what restore() needs to put it back.
    virtual int raise() = 0;
    virtual void restore(int saved) = 0;
};

// Raises the priority for the guard's lifetime: every way out of a byte loop restores it.
class RaisedPriority {
public:
    explicit RaisedPriority(Priority& raised) : priority(raised), saved(raised.raise()) {}
    ~RaisedPriority() { priority.restore(saved); }
    RaisedPriority(const RaisedPriority&) = delete;
    RaisedPriority& operator=(const RaisedPriority&) = delete;

private:
    Priority& priority;
    int saved;
};

}  // namespace kestrel::link
