#include "script/dump.h"

#include "script/engine.h"

namespace kestrel::script {

namespace {

// Texts are shown quoted, with bytes that would break the line escaped.
std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '\n')
            out += "\\n";
        else if (c == '\\' || c == '"')
            out += std::string("\\") + static_cast<char>(c);
        else if (c < 0x20 || c == 0x7f)
            out += "\\x" + integerToText(c, 16);
        else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

const char* symbolKind(const Symbol& s) {
    if (s.signature[1] == ':') return "function";
    switch (s.flags) {
        case kSymbolGlobal:
            return "global";
        case kSymbolParameter:
            return "parameter";
        default:
            return "local";
    }
}

}  // namespace

std::string dumpTokens(const Engine& engine) {
    std::string out;
    for (int i = 0; i < kTokenStoreSize; ++i) {
        const Token& t = engine.program.tokens[static_cast<std::size_t>(i)];
        // "++" and "--" after their operand carry the postfix flag on their own kind.
        const bool postfix = (t.kind & kPostfix) && (t.kind & ~kPostfix) <= 0xfffff;
        out += std::to_string(i) + "  line " + std::to_string(t.line) + "  " +
               tokenKindName(postfix ? t.kind & ~kPostfix : t.kind) + (postfix ? " postfix" : "");
        if (t.text) out += " " + quoted(t.text);
        if (t.kind == T_NUMBER) out += " " + std::to_string(t.number);
        if (t.kind == T_REAL) out += " " + floatToText(t.real);
        if (t.symbol && t.symbol->name) out += " symbol " + std::string(t.symbol->name);
        if (t.objectClass) out += " class " + std::string(t.objectClass->name);
        if (t.link >= 0) out += " link " + std::to_string(t.link);
        if (t.dataLink >= 0) out += " data " + std::to_string(t.dataLink);
        out += '\n';
        if (t.kind == T_END) break;
    }
    return out;
}

std::string dumpSymbols(const Engine& engine) {
    std::string out;
    for (int i = 0; i < engine.symbols.count; ++i) {
        const Symbol& s = engine.symbols.records[static_cast<std::size_t>(i)];
        out += std::string(s.name ? s.name : "") + "  " + symbolKind(s) + "  " + s.signature.data();
        if (s.flags == kSymbolGlobal) out += "  slot " + std::to_string(s.slot);
        out += '\n';
    }
    return out;
}

}  // namespace kestrel::script
