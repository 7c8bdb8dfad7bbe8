#include "cli/interrupt.h"

namespace kestrel::cli {

namespace {

volatile std::sig_atomic_t presses = 0;
volatile std::sig_atomic_t taken = 0;
std::atomic<bool> pressedOnce{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onInterrupt(int) {
    presses = presses + 1;
    pressedOnce.store(true, std::memory_order_relaxed);
}

}  // namespace

CtrlC::CtrlC() : previous(std::signal(SIGINT, onInterrupt)) {
    presses = 0;
    taken = 0;
    pressedOnce.store(false);
}

const std::atomic<bool>& CtrlC::flag() { return pressedOnce; }

CtrlC::~CtrlC() { std::signal(SIGINT, previous); }

bool CtrlC::pressed() const { return presses != 0; }

bool CtrlC::takePress() {
    if (presses == taken) return false;
    taken = presses;
    return true;
}

}  // namespace kestrel::cli
