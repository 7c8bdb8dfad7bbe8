#pragma once
// One script engine: its trace, allocator, value stores, token array, symbol table and object
// classes. Tests make as many as they like; the host keeps one.
#include "script/allocator.h"
#include "script/object.h"
#include "script/preparse.h"
#include "script/stores.h"
#include "script/tokenise.h"
#include "script/trace.h"

namespace kestrel::script {

struct Engine {
    Trace trace;
    TrackingAllocator memory{trace};
    ObjectSystem objects;
    ValueStack stack;
    Frames frames;
    WithStack with;
    TokenStore program;
    SymbolTable symbols;
    int line = 1;  // the tokeniser's line counter

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
