#include "script/host.h"

#include "script/engine.h"
#include "script/execute.h"
#include "script/frames.h"

namespace kestrel::script {

namespace {

std::string describe(const ScriptFatal& fatal) { return fatal.module + " " + std::to_string(fatal.number); }

// Everything of a run but the tokens and symbols, which stay for calls by name.
void releaseRun(Engine& engine) {
    flushAll(engine);
    closedownObjectSystem(engine);
    clearExpressions(engine);
}

}  // namespace

RunOutcome runScript(Engine& engine, std::string_view program) {
    unloadScript(engine);
    RunOutcome outcome;
    if (!tokeniseProgram(engine, program)) {
        outcome.stoppedBy = "limit " + std::to_string(kTokenStoreSize - 1);
        outcome.reason = engine.trace.recent();
        return outcome;
    }
    if (preParse(engine) == PreParseEnd::Fatal) {
        outcome.stoppedBy = "preparse";
        outcome.reason = engine.trace.recent();
        releaseRun(engine);
        return outcome;
    }
    try {
        initialiseObjectSystem(engine);
        TempValue result(engine);
        executeBlock(engine, 0, result.value);
        outcome.completed = true;
    } catch (const ScriptFatal& fatal) {
        outcome.stoppedBy = describe(fatal);
        outcome.reason = engine.trace.recent();
        releaseRun(engine);
    } catch (const MemoryLimitReached&) {
        outcome.stoppedBy = "limit memory";
        outcome.reason = engine.trace.recent();
        releaseRun(engine);
    }
    return outcome;
}

std::optional<RunOutcome> callFunction(Engine& engine, std::string_view name) {
    const Symbol* symbol = findSymbol(engine, name);
    if (!symbol || symbol->signature[1] != ':') return std::nullopt;
    RunOutcome outcome;
    try {
        TempValue result(engine);
        callFunctionByName(engine, name, result.value);
        outcome.completed = true;
    } catch (const ScriptFatal& fatal) {
        outcome.stoppedBy = describe(fatal);
        outcome.reason = engine.trace.recent();
        unloadScript(engine);
    } catch (const MemoryLimitReached&) {
        outcome.stoppedBy = "limit memory";
        outcome.reason = engine.trace.recent();
        unloadScript(engine);
    }
    return outcome;
}

std::vector<std::string> scriptFunctions(const Engine& engine) {
    std::vector<std::string> names;
    for (int i = 0; i < engine.symbols.count; ++i) {
        const Symbol& s = engine.symbols.records[static_cast<std::size_t>(i)];
        if (s.name && s.declaration >= 0 && s.declaration < engine.program.count &&
            engine.program.tokens[static_cast<std::size_t>(s.declaration)].kind == T_FUNCTION)
            names.emplace_back(s.name);
    }
    return names;
}

void unloadScript(Engine& engine) {
    const bool loaded = engine.program.count > 0 || engine.symbols.count > 0;
    releaseRun(engine);
    deleteTokenised(engine);
    releaseSymbols(engine);
    if (loaded) engine.memory.leakReport();
}

}  // namespace kestrel::script
