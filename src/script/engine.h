#pragma once
// One script engine: its trace, allocator, value stores, token array, symbol table and object
// classes. Tests make as many as they like; the host keeps one.
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "script/Express.h"
#include "script/allocator.h"
#include "script/object.h"
#include "script/preparse.h"
#include "script/stores.h"
#include "script/tokenise.h"
#include "script/trace.h"

namespace kestrel::script {

class Application;

struct Engine {
    Trace trace;
    TrackingAllocator memory{trace};
    ObjectSystem objects;
    ValueStack stack;
    Frames frames;
    WithStack with;
    TokenStore program;
    SymbolTable symbols;
    int line = 1;                         // the tokeniser's line counter
    std::vector<ScriptWarning> warnings;  // from the last pre-parse
    std::unique_ptr<ExpressionCache> expressions = std::make_unique<ExpressionCache>();
    // Set by the host from anywhere (a Ctrl-C handler, the Escape key) and looked at in every
    // loop jump and call, so a run stops within one pass of its loop; true ends the run
    // ("script interrupted").
    const std::atomic<bool>* stopFlag = nullptr;
    // Asked every 256 loop jumps and calls, for hosts that must look for themselves; true
    // ends the run too.
    std::function<bool()> cancelRequested;
    int pollCountdown = 0;               // loop jumps and calls until the next cancel check
    int callDepth = 0;                   // script functions running, one inside the other
    Application* application = nullptr;  // what the model binding classes work on

    Engine() = default;
    // Releases the stack and with values, the tokens and the symbols.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
};

// Module tags of the allocations, as the leak report names them.
inline constexpr const char* kTagVariable = "variable";
inline constexpr const char* kTagArray = "array";
inline constexpr const char* kTagObject = "object";
inline constexpr const char* kTagTokenise = "tokenise";
inline constexpr const char* kTagPreparse = "preparse";

}  // namespace kestrel::script
