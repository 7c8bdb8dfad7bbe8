#pragma once
// Ctrl-C during a long job: noted rather than fatal, for the job to stop at its next check.
// The previous handler comes back when the guard goes.
#include <atomic>
#include <csignal>

namespace kestrel::cli {

class CtrlC {
public:
    CtrlC();
    ~CtrlC();
    CtrlC(const CtrlC&) = delete;
    CtrlC& operator=(const CtrlC&) = delete;

    bool pressed() const;  // since the guard was made
    bool takePress();      // since the last time this was asked
    // Becomes true at the first press, for loops that look at it on every pass.
    static const std::atomic<bool>& flag();

private:
    void (*previous)(int);
};

}  // namespace kestrel::cli
