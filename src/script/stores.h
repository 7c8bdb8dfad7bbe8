#pragma once
// The engine's fixed value stores: the value stack that holds globals, locals, arguments and
// temporaries, the scope frames, and the objects of enclosing with statements.
#include <array>
#include <cstdint>

#include "script/variable.h"

namespace kestrel::script {

inline constexpr int kValueStackSize = 20;
inline constexpr int kFrameCount = 18;
inline constexpr int kWithDepth = 20;

struct Symbol;

struct StackEntry {
    Symbol* symbol = nullptr;    // the variable owning the slot; null for temporaries
    std::int32_t previous = -1;  // the slot the symbol held before this entry shadowed it
    ScriptValue value;
};

struct ValueStack {
    std::array<StackEntry, kValueStackSize> entries{};
    int top = 0;  // entries in use; the globals come first
};

struct ScopeFrame {
    std::int32_t pushed = 0;  // entries pushed since the frame opened (a call's argument count)
    std::int32_t call = 0;
};

struct Frames {
    std::array<ScopeFrame, kFrameCount> frames{};
    int depth = 0;  // open frames; the current one is depth - 1
};

struct WithStack {
    std::array<ScriptValue, kWithDepth> objects{};
    int depth = 0;
};

}  // namespace kestrel::script
