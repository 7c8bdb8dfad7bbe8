#pragma once
// The run state every caller shares: frames on the value stack, call arguments, and the way a
// run ends on a fatal error. A fatal error is traced and then thrown as ScriptFatal; the host
// catches it where the run began and unloads, which releases every value of the run.
#include <string>

#include "script/engine.h"
#include "script/variable.h"

namespace kestrel::script {

struct ScriptFatal {
    std::string module;  // "Express", "preparse", ...
    int number = 0;
};

// Traces "EXCEPTION THROWN at %s line %d\n" and ends the run.
[[noreturn]] void fatal(Engine& engine, const char* module, int number);
// Traces "too many <what> (limit is <limit>)\n" and ends the run.
[[noreturn]] void limitExceeded(Engine& engine, const char* what, int limit);

// Asks the host's cancel check now and then (every loop jump and call counts); a yes ends
// the run with "script interrupted".
void askCancel(Engine& engine);
[[noreturn]] void interrupted(Engine& engine);
inline void pollCancel(Engine& engine) {
    if (engine.stopFlag && engine.stopFlag->load(std::memory_order_relaxed)) interrupted(engine);
    if (engine.cancelRequested && --engine.pollCountdown <= 0) askCancel(engine);
}

// Opens a scope frame (ends the run when all 18 are open). Inline: every block of every
// loop pass opens and closes one.
inline void openFrame(Engine& engine) {
    Frames& f = engine.frames;
    if (f.depth >= kFrameCount) limitExceeded(engine, "scope frames", kFrameCount);
    f.frames[static_cast<std::size_t>(f.depth++)] = ScopeFrame{};
}

// Pushes a temporary entry ('I' 0, no symbol) counted in the current frame (ends the run when
// the 20 entries are taken) and returns its value.
inline ScriptValue& pushValue(Engine& engine) {
    ValueStack& s = engine.stack;
    if (s.top >= kValueStackSize) limitExceeded(engine, "values on the stack", kValueStackSize);
    StackEntry& entry = s.entries[static_cast<std::size_t>(s.top++)];
    entry.symbol = nullptr;
    entry.previous = -1;
    entry.value = ScriptValue{};
    if (engine.frames.depth > 0) ++engine.frames.frames[static_cast<std::size_t>(engine.frames.depth - 1)].pushed;
    return entry.value;
}

// Pops every entry pushed in the current frame, releasing its value and giving an owning
// symbol back its previous slot, and closes the frame.
inline void closeFrame(Engine& engine) {
    Frames& f = engine.frames;
    if (f.depth <= 0) return;
    ScopeFrame& frame = f.frames[static_cast<std::size_t>(--f.depth)];
    for (; frame.pushed > 0 && engine.stack.top > engine.symbols.globals; --frame.pushed) {
        StackEntry& entry = engine.stack.entries[static_cast<std::size_t>(--engine.stack.top)];
        valueRelease(engine, entry.value);
        if (entry.symbol) entry.symbol->slot = entry.previous;
        entry.symbol = nullptr;
        entry.previous = -1;
    }
    frame.pushed = 0;
}

// A value held for a moment by native code; released however the run goes on or ends.
struct TempValue {
    Engine& engine;
    ScriptValue value;
    explicit TempValue(Engine& e) : engine(e) {}
    ~TempValue() { valueRelease(engine, value); }
    TempValue(const TempValue&) = delete;
    TempValue& operator=(const TempValue&) = delete;
};

// The value a variable holds now: its symbol's current value-stack slot; null for none (a
// local out of scope).
inline ScriptValue* variableValue(Engine& engine, const Symbol* symbol) {
    if (!symbol || symbol->slot < 0 || symbol->slot >= kValueStackSize) return nullptr;
    return &engine.stack.entries[static_cast<std::size_t>(symbol->slot)].value;
}

// A native method's arguments: the entries of the current frame, first to last.
int argumentCount(const Engine& engine);
ScriptValue& argument(Engine& engine, int index);

}  // namespace kestrel::script
