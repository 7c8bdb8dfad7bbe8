#pragma once
// The tokeniser's state tables. A state is an ordered list of entries; each entry has a
// character-class pattern (or none: the state's fallback, taken without consuming), a next
// state or none, and the kind the token gets when the entry has no next state. The tables are
// written as pattern strings and compiled once, on first use, into 256-bit byte sets.
#include <array>
#include <bitset>
#include <cstdint>
#include <string_view>
#include <vector>

#include "script/tokenise.h"

namespace kestrel::script {

// In a pattern, this byte makes the next character a plain one ("\xAC-" is "-", "\xAC!" is "!").
inline constexpr unsigned char kLiteralByte = 0xAC;

// Whether a byte belongs to a character class. Elements, read left to right:
//   c        the character itself
//   a-z      an inclusive range of byte values
//   \xAC c   c itself, whatever it is
//   !c       an exclusion: c fails the whole pattern, wherever the exclusion stands
//   !!       "!" itself
// A lone "!" or \xAC at the end of a pattern is a plain character.
constexpr bool patternMatches(std::string_view pattern, unsigned char byte) {
    const auto at = [pattern](std::size_t index) { return static_cast<unsigned char>(pattern[index]); };
    bool matched = false;
    std::size_t index = 0;
    while (index < pattern.size()) {
        const unsigned char first = at(index);
        const bool paired = index + 1 < pattern.size();
        if (first == kLiteralByte && paired) {
            matched = matched || byte == at(index + 1);
            index += 2;
        } else if (first == '!' && paired) {
            if (at(index + 1) == '!')
                matched = matched || byte == '!';
            else if (byte == at(index + 1))
                return false;
            index += 2;
        } else if (index + 2 < pattern.size() && at(index + 1) == '-') {
            matched = matched || (byte >= first && byte <= at(index + 2));
            index += 3;
        } else {
            matched = matched || byte == first;
            index += 1;
        }
    }
    return matched;
}

inline constexpr int kNoState = -1;

// One entry, ready to run.
struct TokenTransition {
    std::string_view pattern;  // empty: the fallback
    std::bitset<256> accepts;  // the bytes the pattern matches
    int next = kNoState;       // kNoState: the token ends with `kind`
    std::uint32_t kind = T_UNDECIDED;

    bool fallback() const { return pattern.empty(); }
};

struct TokenState {
    std::string_view name;  // for messages and tests
    std::vector<TokenTransition> entries;
    std::uint32_t atEnd = T_UNDECIDED;  // the kind when the text ends in this state
    // By byte, the first entry that takes it (the fallback when no pattern matches), or
    // kNoEntry: one look-up per byte read instead of a walk through the entries.
    std::array<std::uint8_t, 256> entryFor{};
};

inline constexpr std::uint8_t kNoEntry = 0xFF;

struct TokenTables {
    std::vector<TokenState> states;
    int start = 0;
};

// The compiled tables, built on first use.
const TokenTables& tokenTables();

}  // namespace kestrel::script
