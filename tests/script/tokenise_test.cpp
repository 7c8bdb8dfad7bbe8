#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "script/engine.h"
#include "script/token_tables.h"
#include "script/tokenise.h"

using namespace kestrel::script;
using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

// The program's tokens before T_END as "T_NAME 'b' @2, T_DIVIDE": text when the token has one,
// line when it is not 1. Checks the T_END and the count on the way.
std::string render(Engine& engine, std::string_view text) {
    const auto count = tokeniseProgram(engine, text);
    if (!count) return "(rejected)";
    const TokenStore& store = engine.program;
    EXPECT_EQ(store.count, *count);
    EXPECT_EQ(store.tokens[static_cast<std::size_t>(*count - 1)].kind, T_END);
    std::string out;
    for (int index = 0; index + 1 < *count; ++index) {
        const Token& token = store.tokens[static_cast<std::size_t>(index)];
        if (!out.empty()) out += ", ";
        out += tokenKindName(token.kind);
        if (token.text != nullptr) out += " '"s + token.text + "'";
        if (token.line != 1) out += " @" + std::to_string(token.line);
        EXPECT_EQ(token.link, -1);
    }
    return out;
}

struct StreamCase {
    std::string_view text;
    const char* tokens;
};

}  // namespace

TEST(TokeniseStreams, ProgramsGiveTheirTokens) {
    const StreamCase cases[] = {
        {"", ""},
        {"a//x\nb", "T_NAME 'a', T_NAME 'b' @2"},
        {"/* a\n b */c", "T_NAME 'c' @2"},
        {"a\r\n\r\n\tb", "T_NAME 'a', T_NAME 'b' @3"},
        {"\n\n$", "T_ERROR @3"},
        {"x/=2", "T_NAME 'x', T_DIVIDEASSIGN, T_INTEGER '2'"},
        {"x / 2", "T_NAME 'x', T_DIVIDE, T_INTEGER '2'"},
        {"iffy", "T_NAME 'iffy'"},
        {"if(", "T_IF, T_OPENBRACKET"},
        {"12abc", "T_INTEGER '12', T_NAME 'abc'"},
        {"$", "T_ERROR"},
        {"a.b[0]", "T_NAME 'a', T_DOT, T_NAME 'b', T_OPENSQUARE, T_INTEGER '0', T_CLOSESQUARE"},
        // Numbers.
        {"1.5f", "T_FLOAT '1.5f'"},
        {"1.5F;", "T_FLOAT '1.5F', T_SEMICOLON"},
        {"1.5.3", "T_FLOAT '1.5', T_DOT, T_INTEGER '3'"},
        {".5", "T_DOT, T_INTEGER '5'"},
        {"1.", "T_FLOAT '1.'"},
        {"1.x 1.f", "T_FLOAT '1.', T_NAME 'x', T_FLOAT '1.', T_NAME 'f'"},
        {"1e5", "T_INTEGER '1', T_NAME 'e5'"},
        {"0x1F 7x1f", "T_HEX '0x1F', T_HEX '7x1f'"},
        {"0x1fg", "T_HEX '0x1f', T_NAME 'g'"},
        {"0X1F", "T_INTEGER '0', T_NAME 'X1F'"},
        {"12x5", "T_INTEGER '12', T_NAME 'x5'"},
        {"0x;", "T_ERROR, T_SEMICOLON"},
        {"0x", "T_ERROR"},
        // Strings: no escapes; unterminated ones run to the end; a newline in one is no line.
        {"\"a\\\" b", "T_STRING 'a\\', T_NAME 'b'"},
        {"\"\"", "T_STRING ''"},
        {"\"", "T_STRING ''"},
        {"\"abc", "T_STRING 'abc'"},
        {"\"a\nb\" c\nd", "T_STRING 'a\nb', T_NAME 'c', T_NAME 'd' @2"},
        {"'a'", "T_ERROR, T_NAME 'a', T_ERROR"},
        // Comments do not nest and end at the first "*/".
        {"a//x", "T_NAME 'a'"},
        {"/* never closed\n", ""},
        {"/**/a /***/b /* ** / */c /*/ d */e", "T_NAME 'a', T_NAME 'b', T_NAME 'c', T_NAME 'e'"},
        {"/* /* */ */", "T_TIMES, T_DIVIDE"},
        // NUL and other odd bytes are errors of one byte each and end nothing.
        {"a\0b"sv, "T_NAME 'a', T_ERROR, T_NAME 'b'"},
        {"\x01\x7f\xac\x80\xff", "T_ERROR, T_ERROR, T_ERROR, T_ERROR, T_ERROR"},
        {"\"x\0y\" z"sv, "T_STRING 'x', T_NAME 'z'"},
        {"// c\0mment\nz /* \0 */w"sv, "T_NAME 'z' @2, T_NAME 'w' @2"},
        // Longest match.
        {"a>>>=b", "T_NAME 'a', T_SHIFTRIGHTUNSIGNEDASSIGN, T_NAME 'b'"},
        {"+++ a---b", "T_INCREMENT, T_PLUS, T_NAME 'a', T_DECREMENT, T_MINUS, T_NAME 'b'"},
        {"!== === &&= ->", "T_NOTEQUAL, T_ASSIGN, T_EQUAL, T_ASSIGN, T_LOGICALAND, T_ASSIGN, T_MINUS, T_GREATER"},
        {">>>>", "T_SHIFTRIGHTUNSIGNED, T_GREATER"},
        // Keywords only when the name ends right after them.
        {"in int inx i _if if_ if2 If",
         "T_IN, T_INT, T_NAME 'inx', T_NAME 'i', T_NAME '_if', T_NAME 'if_', T_NAME 'if2', T_NAME "
         "'If'"},
        {"breaks format this null typeof dox",
         "T_NAME 'breaks', T_NAME 'format', T_NAME 'this', T_NAME 'null', T_NAME 'typeof', T_NAME "
         "'dox'"},
    };
    for (const StreamCase& test : cases) {
        SCOPED_TRACE(std::string(test.text));
        Engine engine;
        EXPECT_EQ(render(engine, test.text), test.tokens);
        deleteTokenised(engine);
        EXPECT_EQ(engine.memory.liveBlocks(), 0);
    }
}

TEST(TokeniseStreams, EveryKeywordOperatorAndMarkHasItsKind) {
    const std::pair<std::string_view, std::uint32_t> words[] = {
        {"break", 0x1b},   {"continue", 0x1c}, {"do", 0x18},      {"else", 0x17}, {"false", 0x2a},    {"for", 0x1f},
        {"function", 0xb}, {"if", 0x15},       {"in", 0x4000030}, {"int", 0x400}, {"new", 0x1810300}, {"return", 0x13},
        {"true", 0x29},    {"var", 0xf},       {"while", 0x19},   {"with", 0x2b},
    };
    for (const auto& [word, kind] : words) {
        SCOPED_TRACE(std::string(word));
        Engine engine;
        ASSERT_EQ(tokeniseProgram(engine, word), 2);
        EXPECT_EQ(engine.program.tokens[0].kind, kind);
        EXPECT_EQ(engine.program.tokens[0].text, nullptr);
        // Longer or shorter, it is a name (unless the shorter one is itself a keyword).
        for (const std::string& name : {std::string(word) + "x", std::string(word) + "_", std::string(word) + "9",
                                        std::string(word.substr(0, word.size() - 1))}) {
            if (name == "in" || name.empty()) continue;
            EXPECT_EQ(render(engine, name), "T_NAME '" + name + "'");
        }
        deleteTokenised(engine);
    }

    const std::pair<std::string_view, std::uint32_t> marks[] = {
        {"==", 0x20100},   {"!=", 0xa0105},   {">", 0x20107},    {"<", 0x20108},    {">=", 0x20109},   {"<=", 0x2010a},
        {"+", 0x2020101},  {"-", 0x2020102},  {"*", 0x20a0103},  {"/", 0x20a0104},  {"%", 0x2020106},  {"<<", 0x2010c},
        {">>", 0x2010d},   {">>>", 0x2010e},  {"&", 0x20227},    {"|", 0x20228},    {"^", 0x20229},    {"&&", 0x20240},
        {"||", 0x20241},   {"!", 0x10180},    {"~", 0x10226},    {"++", 0x10200},   {"--", 0x10201},   {"=", 0x1020211},
        {"+=", 0x2060101}, {"-=", 0x2060102}, {"*=", 0x20e0103}, {"/=", 0x20e0104}, {"%=", 0x2060106}, {"&=", 0x60227},
        {"|=", 0x60228},   {"^=", 0x60229},   {"<<=", 0x6010c},  {">>=", 0x6010d},  {">>>=", 0x6010e}, {",", 0x5},
        {";", 0x4000006},  {"{", 0x9},        {"}", 0xa},        {"(", 0x400000c},  {")", 0xd},        {"[", 0x1800027},
        {"]", 0x28},       {":", 0x23},       {"?", 0x24},       {"#", 0x500},      {".", 0x18a010b},
    };
    for (const auto& [mark, kind] : marks) {
        SCOPED_TRACE(std::string(mark));
        Engine engine;
        // Alone (the text ends inside it) and between names (a name ends it).
        for (const std::string& text : {std::string(mark), "a" + std::string(mark) + "b"}) {
            const int first = text[0] == 'a' ? 1 : 0;
            ASSERT_EQ(tokeniseProgram(engine, text), first * 2 + 2);
            EXPECT_EQ(engine.program.tokens[static_cast<std::size_t>(first)].kind, kind);
            EXPECT_EQ(engine.program.tokens[static_cast<std::size_t>(first)].text, nullptr);
        }
        deleteTokenised(engine);
    }
}

TEST(TokeniseOne, ReadsOneTokenAtAPosition) {
    CollectTrace trace;  // outlives the engine, whose destructor still traces
    Engine engine;
    engine.trace.setSink(&trace);
    engine.line = 7;
    Token token;
    token.link = 12;
    EXPECT_EQ(tokeniseOne(engine, "ab cd", 3, token), 5u);
    EXPECT_EQ(token.kind, T_NAME);
    EXPECT_STREQ(token.text, "cd");
    EXPECT_EQ(token.line, 7);
    EXPECT_EQ(token.link, -1);
    engine.memory.free(token.text);

    EXPECT_EQ(tokeniseOne(engine, "$x", 0, token), 1u);
    EXPECT_EQ(token.kind, T_ERROR);
    EXPECT_EQ(trace.lines, std::vector<std::string>{"ERROR: Cann't tokenise symbol\n"});
    EXPECT_EQ(tokeniseOne(engine, "x", 1, token), 1u);
    EXPECT_EQ(token.kind, T_END);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(TokeniseStore, HoldsAtMost999TokensAndT_END) {
    const auto names = [](int count) {
        std::string text;
        for (int index = 0; index < count; ++index) text += "a ";
        return text;
    };
    CollectTrace trace;  // outlives the engine, whose destructor still traces
    Engine engine;
    engine.trace.setSink(&trace);
    // Blanks and comments after the 999th token take no slot.
    ASSERT_EQ(tokeniseProgram(engine, names(999) + "// the end\n /* really */ "), 1000);
    EXPECT_EQ(engine.program.tokens[998].kind, T_NAME);
    EXPECT_EQ(engine.program.tokens[999].kind, T_END);
    EXPECT_EQ(engine.program.tokens[999].line, 2);

    EXPECT_EQ(tokeniseProgram(engine, names(999) + "$"), std::nullopt);
    EXPECT_TRUE(trace.contains("too many tokens (limit is 999)\n"));
    EXPECT_EQ(engine.program.count, 1);
    for (const Token& token : engine.program.tokens) {
        EXPECT_EQ(token.kind, T_END);
        EXPECT_EQ(token.text, nullptr);
    }
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
    EXPECT_EQ(render(engine, "b"), "T_NAME 'b'");
    deleteTokenised(engine);
}

TEST(TokeniseMemory, TextsComeFromTheTrackerAndAllGoBack) {
    CollectTrace trace;  // outlives the engine, whose destructor still traces
    Engine engine;
    engine.trace.setSink(&trace);
    ASSERT_EQ(tokeniseProgram(engine, "a"), 2);
    EXPECT_GE(engine.memory.allocatedBytes(), 8u);
    engine.memory.leakReport();
    EXPECT_TRUE(trace.contains("allocated at 'tokenise'"));

    // Tokenising again gives the texts of the program before back.
    ASSERT_EQ(tokeniseProgram(engine, "abcdefghijkl + \"s\" 1 0x2 3.5 if"), 8);
    EXPECT_EQ(engine.memory.liveBlocks(), 5);
    trace.lines.clear();
    deleteTokenised(engine);
    EXPECT_EQ(trace.lines, (std::vector<std::string>{"DeleteTokenised()\n", "DeleteTokenised():Done\n"}));
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
    EXPECT_EQ(engine.program.count, 0);
    EXPECT_EQ(engine.program.tokens[0].kind, T_END);
    for (const Token& token : engine.program.tokens) EXPECT_EQ(token.text, nullptr);
    deleteTokenised(engine);
    EXPECT_FALSE(trace.contains("ERROR"));
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(TokenisePatterns, MatchTheirCharacterClasses) {
    struct Case {
        std::string_view pattern, accepted, rejected;
    };
    const Case cases[] = {
        {"abc", "abc", "dA"},
        {"a-z", "amz", "`{A"},
        {"_a-zA-Z0-9", "_aZ09", "-!` "},
        {"a-", "a-", "b"},
        {"z-a", "", "amz"},
        {"\x80-\xff", "\x80\xc0\xff", "\x7f\x00"sv},
        {"\xAC-", "-", "\xAC"},
        {"\xAC!", "!", "\xAC"},
        {"!!", "!", "\xAC\x00"sv},
        {"!", "!", "a"},
        {"!a", "", "ab"},
        {"a-z!q", "ap", "q"},
        {"!\"\x01-\xff", "a\x01\xff !", "\"\x00"sv},
        {"!\n\0-\xff"sv, "\x00\xac\r"sv, "\n"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.pattern));
        for (const char byte : test.accepted)
            EXPECT_TRUE(patternMatches(test.pattern, static_cast<unsigned char>(byte))) << int(byte);
        for (const char byte : test.rejected)
            EXPECT_FALSE(patternMatches(test.pattern, static_cast<unsigned char>(byte))) << int(byte);
    }
}

TEST(TokeniseTables, EveryStateDecidesEveryByteWithoutLooping) {
    const TokenTables& tables = tokenTables();
    const int states = static_cast<int>(tables.states.size());
    for (int index = 0; index < states; ++index) {
        const TokenState& state = tables.states[static_cast<std::size_t>(index)];
        SCOPED_TRACE(std::string(state.name));
        EXPECT_NE(state.atEnd, T_UNDECIDED);
        std::bitset<256> handled;
        for (std::size_t entry = 0; entry < state.entries.size(); ++entry) {
            const TokenTransition& transition = state.entries[entry];
            EXPECT_TRUE(transition.next == kNoState || (transition.next >= 0 && transition.next < states));
            EXPECT_TRUE(transition.next != kNoState || transition.kind != T_UNDECIDED);
            handled |= transition.fallback() ? ~std::bitset<256>() : transition.accepts;
            if (transition.fallback()) {
                EXPECT_EQ(entry + 1, state.entries.size()) << "entries after the fallback";
            }
        }
        EXPECT_TRUE(handled.all());
        // Fallbacks move without reading: a chain of them must reach a decision.
        int at = index, steps = 0;
        while (at != kNoState && steps <= states) {
            const TokenTransition& last = tables.states[static_cast<std::size_t>(at)].entries.back();
            at = last.fallback() ? last.next : kNoState;
            ++steps;
        }
        EXPECT_LE(steps, states);
    }
}

TEST(TokeniseKindNames, NameKindsAndShowOthersInHex) {
    EXPECT_EQ(tokenKindName(T_NAME), "T_NAME");
    EXPECT_EQ(tokenKindName(T_SHIFTRIGHTUNSIGNEDASSIGN), "T_SHIFTRIGHTUNSIGNEDASSIGN");
    EXPECT_EQ(tokenKindName(0x19), "T_WHILE");
    EXPECT_EQ(tokenKindName(T_NEGATE), "T_NEGATE");
    EXPECT_EQ(tokenKindName(T_END), "T_END");
    EXPECT_EQ(tokenKindName(0x1234), "0x1234");
    EXPECT_EQ(tokenKindName(kBinaryOperator), "0x20000");
}

TEST(TokeniseRandom, AnyBytesGiveTokensThatCoverTheText) {
    std::mt19937 random(20240611);
    const std::string_view likely = "\"/*\n x0.fF9_aZ!=<>&|+-$\0\xAC;"sv;
    for (int round = 0; round < 400; ++round) {
        std::string text(random() % 120, ' ');
        for (char& byte : text)
            byte = random() % 2 ? likely[random() % likely.size()] : static_cast<char>(random() % 256);
        SCOPED_TRACE(testing::PrintToString(text));
        Engine engine;
        std::size_t position = 0;
        while (position < text.size()) {
            Token token;
            const std::size_t next = tokeniseOne(engine, text, position, token);
            ASSERT_GT(next, position);
            ASSERT_LE(next, text.size());
            std::string_view slice = std::string_view(text).substr(position, next - position);
            // The slice alone is the same token: the end of the text decides as a blank would.
            Token alone;
            ASSERT_EQ(tokeniseOne(engine, slice, 0, alone), slice.size());
            EXPECT_EQ(alone.kind, token.kind);
            if (token.kind == T_STRING) {
                slice.remove_prefix(1);
                if (slice.ends_with('"')) slice.remove_suffix(1);
            }
            if (token.kind == T_INTEGER || token.kind == T_HEX || token.kind == T_FLOAT || token.kind == T_STRING ||
                token.kind == T_NAME) {
                ASSERT_NE(token.text, nullptr);
                EXPECT_EQ(std::string_view(token.text, slice.size()), slice);
                EXPECT_EQ(token.text[slice.size()], '\0');
            } else {
                EXPECT_EQ(token.text, nullptr);
            }
            for (char* own : {token.text, alone.text})
                if (own != nullptr) engine.memory.free(own);
            position = next;
        }
        ASSERT_TRUE(tokeniseProgram(engine, text));
        deleteTokenised(engine);
        EXPECT_EQ(engine.memory.liveBlocks(), 0);
    }
}
