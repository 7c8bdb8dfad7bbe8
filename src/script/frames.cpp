#include "script/frames.h"

#include "script/engine.h"

namespace kestrel::script {

void fatal(Engine& engine, const char* module, int number) {
    engine.trace("EXCEPTION THROWN at %s line %d\n", module, number);
    throw ScriptFatal{module, number};
}

void limitExceeded(Engine& engine, const char* what, int limit) {
    engine.trace("too many %s (limit is %d)\n", what, limit);
    throw ScriptFatal{"limit", limit};
}

void askCancel(Engine& engine) {
    constexpr int kJumpsBetweenPolls = 256;
    engine.pollCountdown = kJumpsBetweenPolls;
    if (engine.cancelRequested()) interrupted(engine);
}

void interrupted(Engine& engine) {
    engine.trace("script interrupted\n");
    throw ScriptFatal{"interrupted", 0};
}

int argumentCount(const Engine& engine) {
    const Frames& f = engine.frames;
    return f.depth > 0 ? f.frames[static_cast<std::size_t>(f.depth - 1)].pushed : 0;
}

ScriptValue& argument(Engine& engine, int index) {
    const int first = engine.stack.top - argumentCount(engine);
    return engine.stack.entries[static_cast<std::size_t>(first + index)].value;
}

}  // namespace kestrel::script
