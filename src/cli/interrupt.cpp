#include "cli/interrupt.h"

namespace kestrel::cli {

namespace {

volatile std::sig_atomic_t presses = 0;
volatile std::sig_atomic_t taken = 0;

extern "C" void onInterrupt(int) { presses = presses + 1; }

}  // namespace

CtrlC::CtrlC() : previous(std::signal(SIGINT, onInterrupt)) {
    presses = 0;
    taken = 0;
}

CtrlC::~CtrlC() { std::signal(SIGINT, previous); }

bool CtrlC::pressed() const { return presses != 0; }

bool CtrlC::takePress() {
    if (presses == taken) return false;
    taken = presses;
    return true;
}

}  // namespace kestrel::cli
