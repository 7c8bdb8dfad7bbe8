#pragma once
// Readable listings of what the tokeniser and the pre-parser made, for tests and for users
// debugging a script.
#include <string>

namespace kestrel::script {

struct Engine;

// One line per token up to T_END: index, line, kind, and whatever the token carries — its
// text, its literal value, its symbol, its links as token indices.
std::string dumpTokens(const Engine& engine);
// One line per symbol: name, kind of symbol, signature, slot.
std::string dumpSymbols(const Engine& engine);

}  // namespace kestrel::script
