#pragma once
// The tokeniser: program text to one flat array of tokens, recognised by small state tables of
// character-class patterns. Later stages rewrite the kinds and link tokens in place.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel::script {

struct Engine;
struct Symbol;
struct ObjectClass;

// Flag bits above the low 16 bits of a kind.
inline constexpr std::uint32_t kPrefixOperator = 0x10000;
inline constexpr std::uint32_t kBinaryOperator = 0x20000;
inline constexpr std::uint32_t kCompoundAssignment = 0x40000;
inline constexpr std::uint32_t kTightBinding = 0x80000;
inline constexpr std::uint32_t kPostfix = 0x100000;
inline constexpr std::uint32_t kNameKind = 0x200000;
inline constexpr std::uint32_t kLoopClose = 0x400000;
inline constexpr std::uint32_t kRightNotValue = 0x800000;
inline constexpr std::uint32_t kLeftNotValue = 0x1000000;
inline constexpr std::uint32_t kLeftOperandType = 0x2000000;
inline constexpr std::uint32_t kDataIsLink = 0x4000000;

// Token kinds as the tokeniser makes them.
inline constexpr std::uint32_t T_ERROR = 0x0;
inline constexpr std::uint32_t T_WHITESPACE = 0x4;
inline constexpr std::uint32_t T_COMMA = 0x5;
inline constexpr std::uint32_t T_SEMICOLON = 0x4000006;
inline constexpr std::uint32_t T_INTEGER = 0x7;
inline constexpr std::uint32_t T_HEX = 0x8;
inline constexpr std::uint32_t T_OPENCURLY = 0x9;
inline constexpr std::uint32_t T_CLOSECURLY = 0xa;
inline constexpr std::uint32_t T_FUNCTION = 0xb;
inline constexpr std::uint32_t T_OPENBRACKET = 0x400000c;
inline constexpr std::uint32_t T_CLOSEBRACKET = 0xd;
inline constexpr std::uint32_t T_STRING = 0xe;
inline constexpr std::uint32_t T_VAR = 0xf;
inline constexpr std::uint32_t T_RETURN = 0x13;
inline constexpr std::uint32_t T_COMMENT = 0x14;
inline constexpr std::uint32_t T_IF = 0x15;
inline constexpr std::uint32_t T_ELSE = 0x17;
inline constexpr std::uint32_t T_DO = 0x18;
inline constexpr std::uint32_t T_WHILE = 0x19;
inline constexpr std::uint32_t T_BREAK = 0x1b;
inline constexpr std::uint32_t T_CONTINUE = 0x1c;
inline constexpr std::uint32_t T_FOR = 0x1f;
inline constexpr std::uint32_t T_COLON = 0x23;
inline constexpr std::uint32_t T_QUESTION = 0x24;
inline constexpr std::uint32_t T_FLOAT = 0x25;
inline constexpr std::uint32_t T_OPENSQUARE = 0x1800027;
inline constexpr std::uint32_t T_CLOSESQUARE = 0x28;
inline constexpr std::uint32_t T_TRUE = 0x29;
inline constexpr std::uint32_t T_FALSE = 0x2a;
inline constexpr std::uint32_t T_WITH = 0x2b;
inline constexpr std::uint32_t T_IN = 0x4000030;
inline constexpr std::uint32_t T_INT = 0x400;
inline constexpr std::uint32_t T_PRINTVAL = 0x500;
inline constexpr std::uint32_t T_NAME = 0x200002;
inline constexpr std::uint32_t T_DOT = 0x18a010b;
inline constexpr std::uint32_t T_NEW = 0x1810300;
inline constexpr std::uint32_t T_END = 0x7fff;
inline constexpr std::uint32_t T_UNDECIDED = 0xff;

// Operators; the low 12 bits are the operator's number.
inline constexpr std::uint32_t T_EQUAL = 0x20100;
inline constexpr std::uint32_t T_NOTEQUAL = 0xa0105;
inline constexpr std::uint32_t T_GREATER = 0x20107;
inline constexpr std::uint32_t T_LESS = 0x20108;
inline constexpr std::uint32_t T_GREATEREQUAL = 0x20109;
inline constexpr std::uint32_t T_LESSEQUAL = 0x2010a;
inline constexpr std::uint32_t T_PLUS = 0x2020101;
inline constexpr std::uint32_t T_MINUS = 0x2020102;
inline constexpr std::uint32_t T_TIMES = 0x20a0103;
inline constexpr std::uint32_t T_DIVIDE = 0x20a0104;
inline constexpr std::uint32_t T_MODULO = 0x2020106;
inline constexpr std::uint32_t T_SHIFTLEFT = 0x2010c;
inline constexpr std::uint32_t T_SHIFTRIGHT = 0x2010d;
inline constexpr std::uint32_t T_SHIFTRIGHTUNSIGNED = 0x2010e;
inline constexpr std::uint32_t T_BITAND = 0x20227;
inline constexpr std::uint32_t T_BITOR = 0x20228;
inline constexpr std::uint32_t T_BITXOR = 0x20229;
inline constexpr std::uint32_t T_LOGICALAND = 0x20240;
inline constexpr std::uint32_t T_LOGICALOR = 0x20241;
inline constexpr std::uint32_t T_NOT = 0x10180;
inline constexpr std::uint32_t T_BITNOT = 0x10226;
inline constexpr std::uint32_t T_INCREMENT = 0x10200;
inline constexpr std::uint32_t T_DECREMENT = 0x10201;
inline constexpr std::uint32_t T_ASSIGN = 0x1020211;
inline constexpr std::uint32_t T_PLUSASSIGN = 0x2060101;
inline constexpr std::uint32_t T_MINUSASSIGN = 0x2060102;
inline constexpr std::uint32_t T_TIMESASSIGN = 0x20e0103;
inline constexpr std::uint32_t T_DIVIDEASSIGN = 0x20e0104;
inline constexpr std::uint32_t T_MODULOASSIGN = 0x2060106;
inline constexpr std::uint32_t T_ANDASSIGN = 0x60227;
inline constexpr std::uint32_t T_ORASSIGN = 0x60228;
inline constexpr std::uint32_t T_XORASSIGN = 0x60229;
inline constexpr std::uint32_t T_SHIFTLEFTASSIGN = 0x6010c;
inline constexpr std::uint32_t T_SHIFTRIGHTASSIGN = 0x6010d;
inline constexpr std::uint32_t T_SHIFTRIGHTUNSIGNEDASSIGN = 0x6010e;

// Kinds the pre-parser gives.
inline constexpr std::uint32_t T_NUMBER = 0x12;
inline constexpr std::uint32_t T_REAL = 0x26;
inline constexpr std::uint32_t T_VARREF = 0x200010;
inline constexpr std::uint32_t T_FUNCREF = 0x200011;
inline constexpr std::uint32_t T_CLASSNAME = 0x200020;
inline constexpr std::uint32_t T_METHODNAME = 0x21;
inline constexpr std::uint32_t T_FIELDNAME = 0x22;
inline constexpr std::uint32_t T_NAMEDFIELD = 0x2e;
inline constexpr std::uint32_t T_NAMEDMETHOD = 0x2f;
inline constexpr std::uint32_t T_FUNCEND = 0x16;
inline constexpr std::uint32_t T_DOWHILE = 0x19;
inline constexpr std::uint32_t T_WHILELOOP = 0x1a;
inline constexpr std::uint32_t T_FORIN = 0x4000031;
inline constexpr std::uint32_t T_LOOPTEST = 0x440001e;
inline constexpr std::uint32_t T_LOOPEND_CURLY = 0x40000a;
inline constexpr std::uint32_t T_LOOPEND_SEMICOLON = 0x4400006;
inline constexpr std::uint32_t T_WITHEND_CURLY = 0x2c;
inline constexpr std::uint32_t T_WITHEND_SEMICOLON = 0x2d;
inline constexpr std::uint32_t T_NEGATE = 0x10250;

// One token. The engine's `data` and `link` words are kept as typed fields: text for the
// token's own text, dataLink where the data word holds a link, and what the link word holds
// after pre-parsing (a token index, a literal's value, a symbol or a class).
struct Token {
    std::uint32_t kind = T_END;
    char* text = nullptr;  // owned by the token, from the tracking allocator; null when none
    int dataLink = -1;     // token index held in the data word (kinds with kDataIsLink)
    int link = -1;         // token index: matching bracket, loop head, where to go
    int line = 0;
    std::int32_t number = 0;                   // T_NUMBER
    float real = 0.0f;                         // T_REAL
    Symbol* symbol = nullptr;                  // T_VAR, T_FUNCTION, T_VARREF, T_FUNCREF
    const ObjectClass* objectClass = nullptr;  // T_CLASSNAME
    std::int32_t member = -1;                  // T_METHODNAME, T_FIELDNAME: resolved later
};

inline constexpr int kTokenStoreSize = 1000;  // T_END included: at most 999 tokens

struct TokenStore {
    std::array<Token, kTokenStoreSize> tokens{};
    int count = 0;  // filled entries, T_END included
};

// Tokenises the program into engine.program from index 0, ending with T_END. Returns the
// token count with T_END, or nothing when the program needs more than 999 tokens: the trace
// says "too many tokens (limit is 999)" and the store holds T_END alone.
std::optional<int> tokeniseProgram(Engine& engine, std::string_view text);
// Recognises one token at position and returns the position after it.
std::size_t tokeniseOne(Engine& engine, std::string_view text, std::size_t position, Token& token);
// Frees every token's text and empties the store.
void deleteTokenised(Engine& engine);

// "T_NAME", "T_PLUS", ... for dumps; "0x..." for a kind without a name.
std::string tokenKindName(std::uint32_t kind);

}  // namespace kestrel::script
