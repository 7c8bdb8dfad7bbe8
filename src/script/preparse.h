#pragma once
// The pre-parser: one run over the token array before anything executes. It builds the
// symbol table, gives scoped variables unique names, converts literals, resolves names,
// infers function and parameter types and links the control-flow tokens, so that the
// executor jumps without searching. There is no syntax tree: the tokens are rewritten.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::script {

struct Engine;
struct Token;

inline constexpr int kSymbolTableSize = 40;
inline constexpr int kSignatureLength = 12;  // "R:" and at most 9 parameters, with room to spare
inline constexpr int kMaxParameters = 9;

// Symbol flags.
inline constexpr std::uint32_t kSymbolLocal = 0;  // also functions
inline constexpr std::uint32_t kSymbolParameter = 1;
inline constexpr std::uint32_t kSymbolGlobal = 2;

struct Symbol {
    char* name = nullptr;  // owned, from the tracking allocator
    int declaration = -1;  // the declaring token: T_FUNCTION, T_VAR, or the name token
    std::uint32_t flags = kSymbolLocal;
    // A variable's type letter first ('?' until known); a function's "R:P1P2...".
    std::array<char, kSignatureLength + 1> signature{};
    std::int32_t slot = -1;  // value-stack index of the current value
};

struct SymbolTable {
    std::array<Symbol, kSymbolTableSize> records{};
    int count = 0;
    int globals = 0;  // value-stack slots the globals take
};

// Something a script's user should hear about even with the trace off.
struct ScriptWarning {
    int line = 0;
    std::string message;
};

enum class PreParseEnd {
    Complete,  // every pass ran
    Stopped,   // an invalid declaration ended it early; the rest stays unresolved
    Fatal,     // the run must not go on: a limit was exceeded, or 'in'/'with' was malformed
};

// Runs the three passes over engine.program. At the end the scope depth is 0 and the
// value stack's top is the number of globals. engine.warnings is refilled: a call to a function
// the file defines only further on does nothing, and is worth telling the user about.
PreParseEnd preParse(Engine& engine);

Symbol* findSymbol(Engine& engine, std::string_view name);
// Frees every symbol's name and empties the table.
void releaseSymbols(Engine& engine);
// The type letter of a token: literals, names by their symbol's signature, 'O' for new,
// 'I' for operators, 'V' otherwise.
char staticType(Engine& engine, int token);
// The token closing the construct that opens at token: counts open and close kinds from there
// until the count returns to zero (or T_END).
int matchForward(const Engine& engine, int token, std::uint32_t open, std::uint32_t close);
// The end of the statement starting at token: its matching "}" when it starts with "{",
// else the next ";".
int endOfStatement(const Engine& engine, int token);

}  // namespace kestrel::script
