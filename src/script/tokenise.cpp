#include "script/tokenise.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <stdexcept>
#include <utility>

#include "script/engine.h"
#include "script/token_tables.h"

namespace kestrel::script {
namespace {

using namespace std::string_view_literals;

// The fixed states. The keyword trie is built from kKeywords after them; its root is Word.
enum State : int {
    Start,
    Blank,
    Name,
    Digit,  // one digit read: a hex number may still follow
    Digits,
    Point,  // digits and "."
    Fraction,
    HexX,  // a digit and "x": a hex digit must follow
    Hex,
    String,
    Slash,
    LineComment,
    BlockComment,
    BlockStar,  // "*" inside a block comment
    Plus,
    Minus,
    Star,
    Percent,
    Equal,
    Bang,
    Less,
    LessLess,
    Greater,
    Greater2,
    Greater3,
    Amp,
    Bar,
    Caret,
    Word,  // the keyword trie's root: a letter or "_" starts a name, anything else is an error
};

constexpr std::string_view otherwise{};  // the pattern of a fallback entry

// {pattern, next state} or {pattern, kind}.
struct Entry {
    std::string_view pattern;
    int next = kNoState;
    std::uint32_t kind = T_UNDECIDED;

    constexpr Entry(std::string_view matching, State to) : pattern(matching), next(to) {}
    constexpr Entry(std::string_view matching, std::uint32_t decided) : pattern(matching), kind(decided) {}
};

constexpr Entry kStart[] = {
    {" \t\r\n", Blank},    {"0-9", Digit},      {"\"", String},       {"/", Slash},        {"+", Plus},
    {"\xAC-", Minus},      {"*", Star},         {"%", Percent},       {"=", Equal},        {"!!", Bang},
    {"<", Less},           {">", Greater},      {"&", Amp},           {"|", Bar},          {"^", Caret},
    {",", T_COMMA},        {";", T_SEMICOLON},  {"{", T_OPENCURLY},   {"}", T_CLOSECURLY}, {"(", T_OPENBRACKET},
    {")", T_CLOSEBRACKET}, {"[", T_OPENSQUARE}, {"]", T_CLOSESQUARE}, {":", T_COLON},      {"?", T_QUESTION},
    {"~", T_BITNOT},       {"#", T_PRINTVAL},   {".", T_DOT},         {otherwise, Word},
};
constexpr Entry kBlank[] = {{" \t\r\n", Blank}, {otherwise, T_WHITESPACE}};
constexpr Entry kName[] = {{"_a-zA-Z0-9", Name}, {otherwise, T_NAME}};
constexpr Entry kDigit[] = {{"0-9", Digits}, {".", Point}, {"x", HexX}, {otherwise, T_INTEGER}};
constexpr Entry kDigits[] = {{"0-9", Digits}, {".", Point}, {otherwise, T_INTEGER}};
// "1." with no digit after the point is still a number, as in JavaScript: T_FLOAT "1.".
constexpr Entry kPoint[] = {{"0-9", Fraction}, {otherwise, T_FLOAT}};
constexpr Entry kFraction[] = {{"0-9", Fraction}, {"Ff", T_FLOAT}, {otherwise, T_FLOAT}};
// "0x" with no hex digit is no number; the error token covers the "0x".
constexpr Entry kHexX[] = {{"0-9a-fA-F", Hex}, {otherwise, T_ERROR}};
constexpr Entry kHex[] = {{"0-9a-fA-F", Hex}, {otherwise, T_HEX}};
// String and comment bodies take every byte but their terminator, NUL included: the text's
// length, not a NUL, ends the program. Hence the "sv" literals.
constexpr Entry kString[] = {{"\"", T_STRING}, {"!\"\0-\xff"sv, String}};
constexpr Entry kSlash[] = {{"/", LineComment}, {"*", BlockComment}, {"=", T_DIVIDEASSIGN}, {otherwise, T_DIVIDE}};
constexpr Entry kLineComment[] = {{"\n", T_COMMENT}, {"!\n\0-\xff"sv, LineComment}};
constexpr Entry kBlockComment[] = {{"*", BlockStar}, {"!*\0-\xff"sv, BlockComment}};
constexpr Entry kBlockStar[] = {{"/", T_COMMENT}, {"*", BlockStar}, {"!/!*\0-\xff"sv, BlockComment}};
constexpr Entry kPlus[] = {{"+", T_INCREMENT}, {"=", T_PLUSASSIGN}, {otherwise, T_PLUS}};
constexpr Entry kMinus[] = {{"\xAC-", T_DECREMENT}, {"=", T_MINUSASSIGN}, {otherwise, T_MINUS}};
constexpr Entry kStar[] = {{"=", T_TIMESASSIGN}, {otherwise, T_TIMES}};
constexpr Entry kPercent[] = {{"=", T_MODULOASSIGN}, {otherwise, T_MODULO}};
constexpr Entry kEqual[] = {{"=", T_EQUAL}, {otherwise, T_ASSIGN}};
constexpr Entry kBang[] = {{"=", T_NOTEQUAL}, {otherwise, T_NOT}};
constexpr Entry kLess[] = {{"<", LessLess}, {"=", T_LESSEQUAL}, {otherwise, T_LESS}};
constexpr Entry kLessLess[] = {{"=", T_SHIFTLEFTASSIGN}, {otherwise, T_SHIFTLEFT}};
constexpr Entry kGreater[] = {{">", Greater2}, {"=", T_GREATEREQUAL}, {otherwise, T_GREATER}};
constexpr Entry kGreater2[] = {{">", Greater3}, {"=", T_SHIFTRIGHTASSIGN}, {otherwise, T_SHIFTRIGHT}};
constexpr Entry kGreater3[] = {{"=", T_SHIFTRIGHTUNSIGNEDASSIGN}, {otherwise, T_SHIFTRIGHTUNSIGNED}};
constexpr Entry kAmp[] = {{"&", T_LOGICALAND}, {"=", T_ANDASSIGN}, {otherwise, T_BITAND}};
constexpr Entry kBar[] = {{"|", T_LOGICALOR}, {"=", T_ORASSIGN}, {otherwise, T_BITOR}};
constexpr Entry kCaret[] = {{"=", T_XORASSIGN}, {otherwise, T_BITXOR}};

struct FixedState {
    State id;
    std::string_view name;
    std::span<const Entry> entries;
    std::uint32_t atEnd;  // what the token is when the text ends here
};

constexpr FixedState kFixedStates[] = {
    {Start, "start", kStart, T_END},
    {Blank, "blank", kBlank, T_WHITESPACE},
    {Name, "name", kName, T_NAME},
    {Digit, "digit", kDigit, T_INTEGER},
    {Digits, "digits", kDigits, T_INTEGER},
    {Point, "point", kPoint, T_FLOAT},
    {Fraction, "fraction", kFraction, T_FLOAT},
    {HexX, "hex x", kHexX, T_ERROR},
    {Hex, "hex", kHex, T_HEX},
    {String, "string", kString, T_STRING},
    {Slash, "slash", kSlash, T_DIVIDE},
    {LineComment, "line comment", kLineComment, T_COMMENT},
    {BlockComment, "block comment", kBlockComment, T_COMMENT},
    {BlockStar, "block comment star", kBlockStar, T_COMMENT},
    {Plus, "+", kPlus, T_PLUS},
    {Minus, "-", kMinus, T_MINUS},
    {Star, "*", kStar, T_TIMES},
    {Percent, "%", kPercent, T_MODULO},
    {Equal, "=", kEqual, T_ASSIGN},
    {Bang, "!", kBang, T_NOT},
    {Less, "<", kLess, T_LESS},
    {LessLess, "<<", kLessLess, T_SHIFTLEFT},
    {Greater, ">", kGreater, T_GREATER},
    {Greater2, ">>", kGreater2, T_SHIFTRIGHT},
    {Greater3, ">>>", kGreater3, T_SHIFTRIGHTUNSIGNED},
    {Amp, "&", kAmp, T_BITAND},
    {Bar, "|", kBar, T_BITOR},
    {Caret, "^", kCaret, T_BITXOR},
};

constexpr bool fixedStatesInOrder() {
    for (std::size_t index = 0; index < std::size(kFixedStates); ++index)
        if (kFixedStates[index].id != static_cast<State>(index)) return false;
    return std::size(kFixedStates) == Word;
}
static_assert(fixedStatesInOrder(), "kFixedStates must list the states in enum order, Word last");

struct Keyword {
    std::string_view text;
    std::uint32_t kind;
};

constexpr Keyword kKeywords[] = {
    {"break", T_BREAK}, {"continue", T_CONTINUE}, {"do", T_DO},     {"else", T_ELSE}, {"false", T_FALSE},
    {"for", T_FOR},     {"function", T_FUNCTION}, {"if", T_IF},     {"in", T_IN},     {"int", T_INT},
    {"new", T_NEW},     {"return", T_RETURN},     {"true", T_TRUE}, {"var", T_VAR},   {"while", T_WHILE},
    {"with", T_WITH},
};

TokenTransition compile(std::string_view pattern, int next, std::uint32_t kind) {
    TokenTransition transition{pattern, {}, next, kind};
    for (int byte = 0; byte < 256; ++byte)
        transition.accepts[static_cast<std::size_t>(byte)] = patternMatches(pattern, static_cast<unsigned char>(byte));
    return transition;
}

// Adds the trie state for the letters read so far (prefix) and its children; returns its index.
// A state whose letters are a whole keyword ends with that keyword's kind, every other with
// T_NAME; a letter, digit or "_" that leaves the trie makes the token a plain name.
int addKeywordState(TokenTables& tables, std::string_view prefix) {
    const int index = static_cast<int>(tables.states.size());
    std::uint32_t kind = prefix.empty() ? T_ERROR : T_NAME;
    for (const Keyword& keyword : kKeywords)
        if (keyword.text == prefix) kind = keyword.kind;
    tables.states.push_back({prefix.empty() ? "word"sv : prefix, {}, prefix.empty() ? T_END : kind});

    std::vector<TokenTransition> entries;
    for (const Keyword& keyword : kKeywords) {
        if (keyword.text.size() <= prefix.size() || !keyword.text.starts_with(prefix)) continue;
        const std::string_view letter = keyword.text.substr(prefix.size(), 1);
        if (std::ranges::find(entries, letter, &TokenTransition::pattern) != entries.end()) continue;
        entries.push_back(
            compile(letter, addKeywordState(tables, keyword.text.substr(0, prefix.size() + 1)), T_UNDECIDED));
    }
    entries.push_back(compile(prefix.empty() ? "_a-zA-Z"sv : "_a-zA-Z0-9"sv, Name, T_UNDECIDED));
    entries.push_back(compile(otherwise, kNoState, kind));
    tables.states[static_cast<std::size_t>(index)].entries = std::move(entries);
    return index;
}

TokenTables buildTables() {
    TokenTables tables;
    for (const FixedState& fixed : kFixedStates) {
        TokenState state{fixed.name, {}, fixed.atEnd};
        for (const Entry& entry : fixed.entries)
            state.entries.push_back(compile(entry.pattern, entry.next, entry.kind));
        tables.states.push_back(std::move(state));
    }
    addKeywordState(tables, {});
    tables.start = Start;
    for (TokenState& state : tables.states) {
        if (state.entries.size() >= kNoEntry) throw std::logic_error("a token state has too many entries");
        for (std::size_t byte = 0; byte < 256; ++byte) {
            const auto taken = std::ranges::find_if(state.entries, [byte](const TokenTransition& entry) {
                return entry.fallback() || entry.accepts[byte];
            });
            state.entryFor[byte] =
                taken == state.entries.end() ? kNoEntry : static_cast<std::uint8_t>(taken - state.entries.begin());
        }
    }
    return tables;
}

bool keepsText(std::uint32_t kind) {
    return kind == T_INTEGER || kind == T_HEX || kind == T_FLOAT || kind == T_STRING || kind == T_NAME;
}

constexpr std::size_t kSmallestTextBlock = 8;

char* copyTokenText(Engine& engine, std::string_view text) {
    const std::size_t length = std::max(text.size() + 1, kSmallestTextBlock);
    auto* block = static_cast<char*>(engine.memory.allocate(kTagTokenise, __LINE__, length));
    if (block == nullptr) return nullptr;
    std::memset(block, 0, length);
    if (!text.empty()) std::memcpy(block, text.data(), text.size());
    return block;
}

// Frees the texts of the tokens up to T_END and resets those tokens, T_END included.
void releaseTokens(Engine& engine) {
    for (Token& token : engine.program.tokens) {
        const bool last = token.kind == T_END;
        if (token.text != nullptr) engine.memory.free(token.text);
        token = Token{};
        if (last) break;
    }
    engine.program.count = 0;
}

}  // namespace

const TokenTables& tokenTables() {
    static const TokenTables tables = buildTables();
    return tables;
}

std::size_t tokeniseOne(Engine& engine, std::string_view text, std::size_t position, Token& token) {
    token = Token{};
    token.kind = T_UNDECIDED;
    token.line = engine.line;
    position = std::min(position, text.size());

    const TokenTables& tables = tokenTables();
    int state = tables.start;
    std::size_t at = position;
    while (token.kind == T_UNDECIDED) {
        const TokenState& current = tables.states[static_cast<std::size_t>(state)];
        if (at == text.size()) {
            token.kind = current.atEnd;
            break;
        }
        const std::uint8_t entry = current.entryFor[static_cast<unsigned char>(text[at])];
        if (entry == kNoEntry) {  // the tables leave no byte unhandled; be safe anyway
            token.kind = current.atEnd;
            break;
        }
        const TokenTransition* taken = &current.entries[entry];
        if (!taken->fallback()) ++at;
        if (taken->next == kNoState)
            token.kind = taken->kind;
        else
            state = taken->next;
    }

    if (token.kind == T_ERROR) {
        engine.trace("ERROR: Cann't tokenise symbol\n");
        // The offending character goes with the error. When the tables read some characters
        // first ("0x" with no hex digit) the error covers just those, so the next token
        // starts where it should.
        return at == position ? at + 1 : at;
    }
    if (keepsText(token.kind)) {
        std::string_view own = text.substr(position, at - position);
        if (token.kind == T_STRING) {
            own.remove_prefix(1);
            if (!own.empty() && own.back() == '"') own.remove_suffix(1);  // absent when unterminated
        }
        token.text = copyTokenText(engine, own);
    }
    return at;
}

std::optional<int> tokeniseProgram(Engine& engine, std::string_view text) {
    engine.trace("Tokenising JavaScript\n");
    TokenStore& store = engine.program;
    releaseTokens(engine);  // a program left in the store gives its texts back first
    engine.line = 1;

    int index = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        Token token;
        const std::size_t next = tokeniseOne(engine, text, position, token);
        if (token.kind == T_WHITESPACE || token.kind == T_COMMENT) {
            const auto newlines = std::count(text.begin() + static_cast<std::ptrdiff_t>(position),
                                             text.begin() + static_cast<std::ptrdiff_t>(next), '\n');
            engine.line += static_cast<int>(newlines);
        } else if (index == kTokenStoreSize - 1) {
            if (token.text != nullptr) engine.memory.free(token.text);
            store.tokens[static_cast<std::size_t>(index)] = Token{};
            releaseTokens(engine);
            store.count = 1;
            engine.trace("too many tokens (limit is %d)\n", kTokenStoreSize - 1);
            return std::nullopt;
        } else {
            store.tokens[static_cast<std::size_t>(index++)] = token;
        }
        position = next;
    }
    Token& end = store.tokens[static_cast<std::size_t>(index)];
    end = Token{};
    end.line = engine.line;
    store.count = index + 1;
    return store.count;
}

void deleteTokenised(Engine& engine) {
    engine.trace("DeleteTokenised()\n");
    // A token's text is owned whenever it is set: links live in dataLink, so kinds with
    // kDataIsLink need no exception here.
    releaseTokens(engine);
    engine.trace("DeleteTokenised():Done\n");
}

std::string tokenKindName(std::uint32_t kind) {
    // Where two kinds share a value the tokeniser's name comes first.
    static constexpr std::pair<std::uint32_t, const char*> kNames[] = {
        {T_ERROR, "T_ERROR"},
        {T_WHITESPACE, "T_WHITESPACE"},
        {T_COMMA, "T_COMMA"},
        {T_SEMICOLON, "T_SEMICOLON"},
        {T_INTEGER, "T_INTEGER"},
        {T_HEX, "T_HEX"},
        {T_OPENCURLY, "T_OPENCURLY"},
        {T_CLOSECURLY, "T_CLOSECURLY"},
        {T_FUNCTION, "T_FUNCTION"},
        {T_OPENBRACKET, "T_OPENBRACKET"},
        {T_CLOSEBRACKET, "T_CLOSEBRACKET"},
        {T_STRING, "T_STRING"},
        {T_VAR, "T_VAR"},
        {T_RETURN, "T_RETURN"},
        {T_COMMENT, "T_COMMENT"},
        {T_IF, "T_IF"},
        {T_ELSE, "T_ELSE"},
        {T_DO, "T_DO"},
        {T_WHILE, "T_WHILE"},
        {T_BREAK, "T_BREAK"},
        {T_CONTINUE, "T_CONTINUE"},
        {T_FOR, "T_FOR"},
        {T_COLON, "T_COLON"},
        {T_QUESTION, "T_QUESTION"},
        {T_FLOAT, "T_FLOAT"},
        {T_OPENSQUARE, "T_OPENSQUARE"},
        {T_CLOSESQUARE, "T_CLOSESQUARE"},
        {T_TRUE, "T_TRUE"},
        {T_FALSE, "T_FALSE"},
        {T_WITH, "T_WITH"},
        {T_IN, "T_IN"},
        {T_INT, "T_INT"},
        {T_PRINTVAL, "T_PRINTVAL"},
        {T_NAME, "T_NAME"},
        {T_DOT, "T_DOT"},
        {T_NEW, "T_NEW"},
        {T_END, "T_END"},
        {T_UNDECIDED, "T_UNDECIDED"},
        {T_EQUAL, "T_EQUAL"},
        {T_NOTEQUAL, "T_NOTEQUAL"},
        {T_GREATER, "T_GREATER"},
        {T_LESS, "T_LESS"},
        {T_GREATEREQUAL, "T_GREATEREQUAL"},
        {T_LESSEQUAL, "T_LESSEQUAL"},
        {T_PLUS, "T_PLUS"},
        {T_MINUS, "T_MINUS"},
        {T_TIMES, "T_TIMES"},
        {T_DIVIDE, "T_DIVIDE"},
        {T_MODULO, "T_MODULO"},
        {T_SHIFTLEFT, "T_SHIFTLEFT"},
        {T_SHIFTRIGHT, "T_SHIFTRIGHT"},
        {T_SHIFTRIGHTUNSIGNED, "T_SHIFTRIGHTUNSIGNED"},
        {T_BITAND, "T_BITAND"},
        {T_BITOR, "T_BITOR"},
        {T_BITXOR, "T_BITXOR"},
        {T_LOGICALAND, "T_LOGICALAND"},
        {T_LOGICALOR, "T_LOGICALOR"},
        {T_NOT, "T_NOT"},
        {T_BITNOT, "T_BITNOT"},
        {T_INCREMENT, "T_INCREMENT"},
        {T_DECREMENT, "T_DECREMENT"},
        {T_ASSIGN, "T_ASSIGN"},
        {T_PLUSASSIGN, "T_PLUSASSIGN"},
        {T_MINUSASSIGN, "T_MINUSASSIGN"},
        {T_TIMESASSIGN, "T_TIMESASSIGN"},
        {T_DIVIDEASSIGN, "T_DIVIDEASSIGN"},
        {T_MODULOASSIGN, "T_MODULOASSIGN"},
        {T_ANDASSIGN, "T_ANDASSIGN"},
        {T_ORASSIGN, "T_ORASSIGN"},
        {T_XORASSIGN, "T_XORASSIGN"},
        {T_SHIFTLEFTASSIGN, "T_SHIFTLEFTASSIGN"},
        {T_SHIFTRIGHTASSIGN, "T_SHIFTRIGHTASSIGN"},
        {T_SHIFTRIGHTUNSIGNEDASSIGN, "T_SHIFTRIGHTUNSIGNEDASSIGN"},
        {T_NUMBER, "T_NUMBER"},
        {T_REAL, "T_REAL"},
        {T_VARREF, "T_VARREF"},
        {T_FUNCREF, "T_FUNCREF"},
        {T_CLASSNAME, "T_CLASSNAME"},
        {T_METHODNAME, "T_METHODNAME"},
        {T_FIELDNAME, "T_FIELDNAME"},
        {T_NAMEDFIELD, "T_NAMEDFIELD"},
        {T_NAMEDMETHOD, "T_NAMEDMETHOD"},
        {T_FUNCEND, "T_FUNCEND"},
        {T_DOWHILE, "T_DOWHILE"},
        {T_WHILELOOP, "T_WHILELOOP"},
        {T_FORIN, "T_FORIN"},
        {T_LOOPTEST, "T_LOOPTEST"},
        {T_LOOPEND_CURLY, "T_LOOPEND_CURLY"},
        {T_LOOPEND_SEMICOLON, "T_LOOPEND_SEMICOLON"},
        {T_WITHEND_CURLY, "T_WITHEND_CURLY"},
        {T_WITHEND_SEMICOLON, "T_WITHEND_SEMICOLON"},
        {T_NEGATE, "T_NEGATE"},
    };
    for (const auto& [value, name] : kNames)
        if (value == kind) return name;
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(kind));
    return text;
}

}  // namespace kestrel::script
