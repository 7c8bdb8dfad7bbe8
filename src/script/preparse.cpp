#include "script/preparse.h"

#include <cstring>
#include <string>
#include <vector>

#include "script/engine.h"
#include "script/express_build.h"

namespace kestrel::script {

namespace {

constexpr int kInExceptionNumber = 319;
constexpr int kWithExceptionNumber = 439;

bool isSemicolon(std::uint32_t kind) {
    return (kind & 0xffff) == (T_SEMICOLON & 0xffff) || kind == T_WITHEND_SEMICOLON;
}

// The pre-parser's walk over one engine's tokens.
class PreParser {
public:
    explicit PreParser(Engine& target) : engine(target), tokens(target.program.tokens) {}

    PreParseEnd run() {
        engine.trace("PreParse(): building symbol table\n");
        // An invalid declaration ends the pre-parse at once: what follows stays unresolved.
        const PreParseEnd end = passOne();
        if (end != PreParseEnd::Complete) return finish(end);
        engine.trace("PreParse(): pass 2, resolving all types\n");
        if (passTwo() == PreParseEnd::Fatal) return finish(PreParseEnd::Fatal);
        engine.trace("PreParse(): pass 3, checking resolved function parameters\n");
        if (passThree() == PreParseEnd::Fatal) return finish(PreParseEnd::Fatal);
        warnOfEarlyCalls();
        return finish(PreParseEnd::Complete);
    }

private:
    Token& at(int i) { return tokens[static_cast<std::size_t>(i)]; }
    std::uint32_t kindAt(int i) const {
        return i >= 0 && i < kTokenStoreSize ? tokens[static_cast<std::size_t>(i)].kind : T_END;
    }
    bool isEnd(int i) const { return kindAt(i) == T_END; }

    // A function is known from its declaration on: a call before it, at the top level (where the
    // name became a global variable) or in an earlier function (where it became a named method),
    // does nothing. The trace alone would keep that from the user.
    void warnOfEarlyCalls() {
        for (int i = 0; !isEnd(i); ++i) {
            if (kindAt(i + 1) != T_OPENBRACKET) continue;
            const Token& t = at(i);
            const char* name = t.kind == T_NAMEDMETHOD                                              ? t.text
                               : t.kind == T_VARREF && t.symbol && t.symbol->flags == kSymbolGlobal ? t.symbol->name
                                                                                                    : nullptr;
            if (!name) continue;
            const Symbol* callee = functionNamed(name);
            if (!callee || callee->declaration < i) continue;
            const int definedAt = at(callee->declaration).line;
            engine.warnings.push_back({t.line, "'" + std::string(name) +
                                                   "' is called before the function is defined (line " +
                                                   std::to_string(definedAt) + "), so the call does nothing"});
            engine.trace("WARNING: function '%s' called at line %d is defined later, at line %d\n", name, t.line,
                         definedAt);
        }
    }
    Symbol* functionNamed(const char* name) {
        for (int s = 0; s < engine.symbols.count; ++s) {
            Symbol& symbol = engine.symbols.records[static_cast<std::size_t>(s)];
            if (symbol.name && std::strcmp(symbol.name, name) == 0 && kindAt(symbol.declaration) == T_FUNCTION)
                return &symbol;
        }
        return nullptr;
    }

    // The globals take the first value-stack entries, which must hold them all.
    PreParseEnd finish(PreParseEnd end) {
        engine.frames.depth = 0;
        if (engine.symbols.globals > kValueStackSize) {
            engine.trace("too many global variables (limit is %d)\n", kValueStackSize);
            engine.stack.top = 0;
            return PreParseEnd::Fatal;
        }
        for (int s = 0; s < engine.symbols.count; ++s) {
            Symbol& symbol = engine.symbols.records[static_cast<std::size_t>(s)];
            if (symbol.flags != kSymbolGlobal) continue;
            StackEntry& entry = engine.stack.entries[static_cast<std::size_t>(symbol.slot)];
            valueRelease(engine, entry.value);
            entry.symbol = &symbol;
            entry.previous = -1;
        }
        engine.stack.top = engine.symbols.globals;
        return end;
    }

    // --- symbols -----------------------------------------------------------------------

    Symbol* newSymbol(char* name, int declaration, std::uint32_t flags, const char* signature) {
        SymbolTable& table = engine.symbols;
        if (table.count >= kSymbolTableSize) {
            engine.trace("too many symbols (limit is %d)\n", kSymbolTableSize);
            engine.memory.free(name);
            return nullptr;
        }
        Symbol& s = table.records[static_cast<std::size_t>(table.count++)];
        s = Symbol{};
        s.name = name;
        s.declaration = declaration;
        s.flags = flags;
        std::strncpy(s.signature.data(), signature, kSignatureLength);
        if (flags == kSymbolGlobal) s.slot = table.globals++;
        return &s;
    }

    char* takeText(Token& token) {
        char* text = token.text;
        token.text = nullptr;
        return text;
    }

    void freeText(Token& token) {
        if (token.text) engine.memory.free(token.text);
        token.text = nullptr;
    }

    void setText(Token& token, const std::string& text) {
        freeText(token);
        token.text = engine.memory.copyText(kTagPreparse, __LINE__, text.c_str());
    }

    // Gives the name a scoped variable's unique name in every later name token up to end.
    void rename(int from, int end, const std::string& oldName, const std::string& newName) {
        for (int i = from; i <= end && !isEnd(i); ++i) {
            Token& t = at(i);
            // A name after "." is a member of some object, not this variable.
            if (t.kind != T_NAME || !t.text || oldName != t.text || kindAt(i - 1) == T_DOT) continue;
            setText(t, newName);
        }
    }

    // --- pass 1: symbols, literals, brackets ----------------------------------------------

    PreParseEnd passOne() {
        int depth = 0;
        for (int i = 0; !isEnd(i); ++i) {
            Token& t = at(i);
            switch (t.kind) {
                case T_INTEGER:
                case T_HEX:
                    t.number = textToInteger(t.text ? t.text : "");
                    freeText(t);
                    t.kind = T_NUMBER;
                    break;
                case T_FLOAT:
                    t.real = textToFloat(t.text ? t.text : "");
                    freeText(t);
                    t.kind = T_REAL;
                    break;
                case T_OPENCURLY:
                    linkPair(i, T_OPENCURLY, T_CLOSECURLY);
                    ++depth;
                    break;
                case T_CLOSECURLY:
                    --depth;
                    if (i == bodyClose) function = nullptr, bodyClose = -1;
                    break;
                case T_OPENBRACKET:
                    linkPair(i, T_OPENBRACKET, T_CLOSEBRACKET);
                    break;
                case T_OPENSQUARE:
                    linkPair(i, T_OPENSQUARE, T_CLOSESQUARE);
                    break;
                case T_FUNCTION:
                    if (auto end = declareFunction(i)) return *end;
                    break;
                case T_CLOSEBRACKET:
                    parameterPosition = -1;
                    break;
                case T_VAR:
                    if (auto end = declareVariable(i, depth)) return *end;
                    break;
                case T_NAME:
                    if (auto end = resolveName(i, depth)) return *end;
                    break;
                default:
                    if ((t.kind & kCompoundAssignment) && kindAt(i - 1) == T_VARREF) {
                        Symbol* target = at(i - 1).symbol;
                        if (target && target->signature[0] == kUnknown)
                            target->signature[0] = staticType(engine, i + 1);
                    }
                    break;
            }
        }
        return PreParseEnd::Complete;
    }

    void linkPair(int open, std::uint32_t openKind, std::uint32_t closeKind) {
        const int close = matchForward(engine, open, openKind, closeKind);
        at(open).link = close;
        if (!isEnd(close)) at(close).link = open;
    }

    std::optional<PreParseEnd> declareFunction(int i) {
        if (kindAt(i + 1) != T_NAME) {
            engine.trace("ERROR:invalid function name at line %d\n", at(i).line);
            return PreParseEnd::Stopped;
        }
        if (kindAt(i + 2) != T_OPENBRACKET) {
            engine.trace("ERROR:invalid function declaration at line %d\n", at(i).line);
            return PreParseEnd::Stopped;
        }
        Token& name = at(i + 1);
        Symbol* symbol = newSymbol(takeText(name), i, kSymbolLocal, "?:");
        if (!symbol) return PreParseEnd::Fatal;
        at(i).symbol = symbol;
        name.kind = T_SEMICOLON;  // the executor steps over it
        function = symbol;
        parameterPosition = 2;
        // Parameters and locals keep their unique names to the end of the body.
        const int close = matchForward(engine, i + 2, T_OPENBRACKET, T_CLOSEBRACKET);
        bodyClose = !isEnd(close) && kindAt(close + 1) == T_OPENCURLY
                        ? matchForward(engine, close + 1, T_OPENCURLY, T_CLOSECURLY)
                        : close;
        return std::nullopt;
    }

    // Where a scoped name stays in force: to the end of the function body being read (the
    // end of the program outside any function).
    int scopeEnd() const { return bodyClose >= 0 ? bodyClose : kTokenStoreSize - 1; }

    std::optional<PreParseEnd> declareVariable(int i, int depth) {
        if (kindAt(i + 1) != T_NAME) {
            engine.trace("ERROR:invalid variable name at line %d\n", at(i).line);
            return PreParseEnd::Stopped;
        }
        Token& name = at(i + 1);
        const std::string plain = name.text ? name.text : "";
        if (const Symbol* older = findSymbol(engine, plain))
            engine.trace("WARNING: Variable %s declared at line %d is hidden by declaration at line %d\n",
                         plain.c_str(), older->declaration >= 0 ? at(older->declaration).line : 0, name.line);
        Symbol* symbol = nullptr;
        if (depth > 0) {
            const std::string unique = "_" + std::string(function && function->name ? function->name : "") + "_" +
                                       plain + std::to_string(depth);
            rename(i + 2, scopeEnd(), plain, unique);
            setText(name, unique);
            symbol = newSymbol(takeText(name), i, kSymbolLocal, "?");
        } else {
            symbol = newSymbol(takeText(name), i, kSymbolGlobal, "?");
        }
        if (!symbol) return PreParseEnd::Fatal;
        at(i).symbol = symbol;
        name.symbol = symbol;
        name.kind = T_VARREF;
        return std::nullopt;
    }

    void resolveAs(Token& t, Symbol* symbol) {
        freeText(t);
        t.symbol = symbol;
        t.kind = symbol->declaration >= 0 && at(symbol->declaration).kind == T_FUNCTION ? T_FUNCREF : T_VARREF;
    }

    std::optional<PreParseEnd> resolveName(int i, int depth) {
        Token& t = at(i);
        const std::string name = t.text ? t.text : "";
        if (const ObjectClass* objectClass = engine.objects.findClass(name)) {
            freeText(t);
            t.kind = T_CLASSNAME;
            t.objectClass = objectClass;
            return std::nullopt;
        }
        const bool call = kindAt(i + 1) == T_OPENBRACKET;
        const bool inParameters = parameterPosition >= 2;
        if (inParameters && function) return declareParameter(i, name);
        if (kindAt(i - 1) == T_DOT) {  // a member: never one of the script's variables
            t.kind = call ? T_METHODNAME : T_FIELDNAME;
            t.member = -1;
            return std::nullopt;
        }
        if (Symbol* symbol = findSymbol(engine, name)) {
            // A name called at the top level before its function was declared became a
            // global too; a call once the function is known goes to the function.
            Symbol* callee = call ? functionNamed(t.text) : nullptr;
            resolveAs(t, callee ? callee : symbol);
            return std::nullopt;
        }
        if (depth > 0) {
            if (call) {
                engine.trace("WARNING: undefined function '%s' refferanced at line %d - treating as a T_NAMEDMETHOD\n",
                             name.c_str(), t.line);
                t.kind = T_NAMEDMETHOD;
            } else {
                engine.trace("WARNING: unknown variable '%s' refferanced at line %d - treating as a T_NAMEDFIELD\n",
                             name.c_str(), t.line);
                t.kind = T_NAMEDFIELD;
            }
            return std::nullopt;
        }
        // Used at top level before any declaration: a global from here on.
        Symbol* symbol = newSymbol(takeText(t), i, kSymbolGlobal, "?");
        if (!symbol) return PreParseEnd::Fatal;
        t.symbol = symbol;
        t.kind = T_VARREF;
        return std::nullopt;
    }

    // Every name in a parameter list declares a parameter, even one that shadows a global:
    // the call binds its arguments to these symbols.
    std::optional<PreParseEnd> declareParameter(int i, const std::string& name) {
        Token& t = at(i);
        if (parameterPosition - 2 >= kMaxParameters) {
            engine.trace("too many parameters (limit is %d)\n", kMaxParameters);
            return PreParseEnd::Fatal;
        }
        const std::string unique = "_" + std::string(function->name ? function->name : "") + "_" + name;
        rename(i + 1, scopeEnd(), name, unique);
        setText(t, unique);
        Symbol* symbol = newSymbol(takeText(t), i, kSymbolParameter, "?");
        if (!symbol) return PreParseEnd::Fatal;
        function->signature[static_cast<std::size_t>(parameterPosition++)] = kUnknown;
        function->signature[static_cast<std::size_t>(parameterPosition)] = '\0';
        t.symbol = symbol;
        t.kind = T_VARREF;
        return std::nullopt;
    }

    // --- pass 2: function ends, parameter types, for-in ----------------------------------

    PreParseEnd passTwo() {
        for (int i = 0; !isEnd(i); ++i) {
            Token& t = at(i);
            if (t.kind == T_FUNCTION) {
                const int open = i + 2;
                const int body = kindAt(open) == T_OPENBRACKET && at(open).link >= 0 ? at(open).link + 1 : -1;
                if (body >= 0 && kindAt(body) == T_OPENCURLY && at(body).link >= 0 && !isEnd(at(body).link))
                    at(at(body).link).kind = T_FUNCEND;
            } else if (t.kind == T_FUNCREF && t.symbol) {
                inferParameters(i);
            } else if (t.kind == T_IN) {
                if (!linkForIn(i)) return PreParseEnd::Fatal;
            }
        }
        return PreParseEnd::Complete;
    }

    // The parameters of a function in order: the parameter symbols declared inside its list.
    std::vector<Symbol*> parametersOf(const Symbol& func) {
        std::vector<Symbol*> result;
        const int open = func.declaration + 2;
        if (kindAt(open) != T_OPENBRACKET) return result;
        const int close = at(open).link;
        for (int s = 0; s < engine.symbols.count; ++s) {
            Symbol& p = engine.symbols.records[static_cast<std::size_t>(s)];
            if (p.flags == kSymbolParameter && p.declaration > open && p.declaration < close) result.push_back(&p);
        }
        return result;
    }

    void inferParameters(int i) {
        Symbol& f = *at(i).symbol;
        engine.trace("FUNCTION: %s type=%s\n", f.name ? f.name : "", f.signature.data());
        if (kindAt(i + 1) == T_OPENBRACKET) {
            const std::vector<Symbol*> parameters = parametersOf(f);
            int argument = i + 2;
            const int close = at(i + 1).link;
            for (std::size_t k = 0; k < parameters.size() && argument >= 0 && argument != close && !isEnd(argument);
                 ++k) {
                char& letter = f.signature[2 + k];
                if (letter == kUnknown) {
                    letter = staticType(engine, argument);
                    parameters[k]->signature[0] = letter;
                }
                argument = nextArgument(argument, close);
            }
        }
        engine.trace(" resolved type=%s\n", f.signature.data());
    }

    // The first token after the next comma at the same bracket level, or -1 at the close.
    int nextArgument(int i, int close) {
        for (int level = 0; !isEnd(i) && i != close; ++i) {
            const std::uint32_t k = kindAt(i);
            if (k == T_OPENBRACKET || k == T_OPENSQUARE) ++level;
            if (k == T_CLOSEBRACKET || k == T_CLOSESQUARE) --level;
            if (k == T_COMMA && level == 0) return i + 1;
        }
        return -1;
    }

    bool linkForIn(int i) {
        int open = i - 1;
        while (open >= 0 && kindAt(open) != T_OPENBRACKET) --open;
        if (open < 1 || (kindAt(open - 1) != T_FOR && kindAt(open - 1) != T_FORIN)) {
            engine.trace("ERROR: 'in' without 'for' at line %d\n", at(i).line);
            engine.trace("EXCEPTION THROWN at %s line %d\n", kTagPreparse, kInExceptionNumber);
            return false;
        }
        const int forToken = open - 1;
        const int close = at(open).link;
        const int body = close >= 0 ? close + 1 : -1;
        at(forToken).kind = T_FORIN;
        at(i).link = forToken;
        if (body < 0 || isEnd(body)) return true;
        at(i).dataLink = body;
        const int end = endOfStatement(engine, body);
        if (!isEnd(end)) {
            at(end).kind = at(end).kind == T_CLOSECURLY ? T_LOOPEND_CURLY : T_LOOPEND_SEMICOLON;
            at(end).link = i;
        }
        at(forToken).dataLink = isEnd(end) ? end : end + 1;
        return true;
    }

    // --- pass 3: control flow ---------------------------------------------------------------

    PreParseEnd passThree() {
        std::vector<bool> endsDo(kTokenStoreSize, false);
        Symbol* current = nullptr;
        for (int i = 0; !isEnd(i); ++i) {
            Token& t = at(i);
            switch (t.kind) {
                case T_FUNCTION:
                    current = t.symbol;
                    break;
                case T_FUNCEND:
                    current = nullptr;
                    break;
                case T_VAR:
                    if (kindAt(i + 1) == T_VARREF && at(i + 1).symbol != t.symbol)
                        engine.trace("ERROR:PreParse phase 3: VARREF after VAR has invalid d.ptr...\n");
                    break;
                case T_RETURN:
                    if (current) current->signature[0] = staticType(engine, i + 1);
                    break;
                case T_IF:
                    linkIf(i);
                    break;
                case T_DO:
                    linkDo(i, endsDo);
                    break;
                case T_WHILE:
                    if (!endsDo[static_cast<std::size_t>(i)]) linkWhile(i);
                    break;
                case T_BREAK:
                    t.link = breakTarget(i);
                    break;
                case T_CONTINUE:
                    t.link = continueTarget(i);
                    break;
                case T_FOR:
                    linkFor(i);
                    break;
                case T_QUESTION:
                    linkQuestion(i);
                    break;
                case T_WITH:
                    if (!linkWith(i)) return PreParseEnd::Fatal;
                    break;
                case T_INCREMENT:
                case T_DECREMENT:
                    if (kindAt(i + 1) != T_VARREF) t.kind |= kPostfix;
                    break;
                case T_NAME:
                    engine.trace("ERROR:PreParse phase 3: found T_NAME at line %d (token#0x%x)\n", t.line,
                                 static_cast<unsigned>(i));
                    break;
                case T_MINUS:
                    if (!endsOperand(kindAt(i - 1))) t.kind = T_NEGATE;
                    break;
                default:
                    break;
            }
        }
        return PreParseEnd::Complete;
    }

    static bool endsOperand(std::uint32_t kind) {
        return kind == T_CLOSEBRACKET || kind == T_CLOSESQUARE || isOperand(kind);
    }

    // The statement after a bracketed header at open: its first token, or -1.
    int afterHeader(int open) {
        if (kindAt(open) != T_OPENBRACKET || at(open).link < 0 || isEnd(at(open).link)) return -1;
        const int first = at(open).link + 1;
        return isEnd(first) ? -1 : first;
    }

    void markLoopEnd(int end, int target) {
        if (isEnd(end)) return;
        Token& e = at(end);
        if (e.kind == T_CLOSECURLY)
            e.kind = T_LOOPEND_CURLY;
        else if (isSemicolon(e.kind))
            e.kind = T_LOOPEND_SEMICOLON;
        e.link = target;
    }

    void linkIf(int i) {
        const int then = afterHeader(i + 1);
        if (then < 0) return;
        const int end = endOfStatement(engine, then);
        at(i).link = !isEnd(end) && kindAt(end + 1) == T_ELSE ? end + 1 : -1;
    }

    void linkDo(int i, std::vector<bool>& endsDo) {
        const int end = endOfStatement(engine, i + 1);
        if (isEnd(end) || kindAt(end + 1) != T_WHILE) {
            engine.trace("ERROR: 'do' without matching 'while' at line %d\n", at(i).line);
            return;
        }
        endsDo[static_cast<std::size_t>(end + 1)] = true;
        at(end + 1).link = i + 1;  // stays T_DOWHILE
    }

    void linkWhile(int i) {
        Token& t = at(i);
        t.kind = T_WHILELOOP;
        const int body = afterHeader(i + 1);
        if (body < 0) {
            engine.trace("ERROR:'while' without condition at line %d\n", t.line);
            return;
        }
        const int end = endOfStatement(engine, body);
        t.link = isEnd(end) ? end : end + 1;
        markLoopEnd(end, i);
    }

    // After the next loop-closing "}", or after the condition of the next do loop's while.
    int breakTarget(int i) {
        for (int j = i + 1; !isEnd(j); ++j) {
            if (kindAt(j) == T_LOOPEND_CURLY) return j + 1;
            if (kindAt(j) == T_DOWHILE && at(j).link >= 0) {
                const int condition = afterHeader(j + 1);
                return condition >= 0 ? condition : j + 1;
            }
        }
        return -1;
    }

    // The next loop-closing "}", or the "}" closing a do body right before its while.
    int continueTarget(int i) {
        for (int j = i + 1; !isEnd(j); ++j) {
            if (kindAt(j) == T_LOOPEND_CURLY) return j;
            if (kindAt(j) == T_CLOSECURLY && kindAt(j + 1) == T_DOWHILE && at(j + 1).link >= 0) return j;
        }
        return -1;
    }

    void linkFor(int i) {
        const int open = i + 1;
        const int body = afterHeader(open);
        if (body < 0) return;
        const int close = body - 1;
        int first = -1, second = -1;
        for (int j = open + 1; j < close; ++j) {
            if (at(j).kind != T_SEMICOLON) continue;
            if (first < 0)
                first = j;
            else if (second < 0)
                second = j;
        }
        if (second < 0) return;
        const int end = endOfStatement(engine, body);
        at(open).kind = T_SEMICOLON;
        at(second).kind = T_LOOPTEST;
        at(second).link = body;
        at(second).dataLink = isEnd(end) ? end : end + 1;
        // No condition at all, as in "for (;;)", means the loop goes on until a break.
        at(second).number = second == first + 1 ? 1 : 0;
        at(close).kind = T_LOOPEND_SEMICOLON;
        at(close).link = first + 1;
        markLoopEnd(end, second + 1);
    }

    void linkQuestion(int i) {
        Token& t = at(i);
        t.kind = T_LOOPTEST;
        t.link = i + 1;
        for (int j = i + 1, nested = 0; !isEnd(j); ++j) {
            if (kindAt(j) == T_QUESTION) ++nested;
            if (kindAt(j) == T_COLON && nested-- == 0) {
                t.dataLink = j + 1;
                return;
            }
        }
    }

    bool linkWith(int i) {
        const int body = afterHeader(i + 1);
        if (kindAt(i + 1) != T_OPENBRACKET) {
            engine.trace("ERROR:'with' without object at line %d\n", at(i).line);
            engine.trace("EXCEPTION THROWN at %s line %d\n", kTagPreparse, kWithExceptionNumber);
            return false;
        }
        if (body < 0) return true;
        const int end = endOfStatement(engine, body);
        if (isEnd(end)) return true;
        if (at(end).kind == T_CLOSECURLY)
            at(end).kind = T_WITHEND_CURLY;
        else if (isSemicolon(at(end).kind))
            at(end).kind = T_WITHEND_SEMICOLON;
        return true;
    }

    Engine& engine;
    std::array<Token, kTokenStoreSize>& tokens;
    Symbol* function = nullptr;  // the function whose list or body is being read
    int parameterPosition = -1;  // 2 + parameters read so far inside a list, else -1
    int bodyClose = -1;          // the "}" ending that function's body
};

}  // namespace

PreParseEnd preParse(Engine& engine) {
    engine.warnings.clear();
    return PreParser(engine).run();
}

Symbol* findSymbol(Engine& engine, std::string_view name) {
    for (int i = 0; i < engine.symbols.count; ++i) {
        Symbol& s = engine.symbols.records[static_cast<std::size_t>(i)];
        if (s.name && name == s.name) return &s;
    }
    return nullptr;
}

void releaseSymbols(Engine& engine) {
    for (int i = 0; i < engine.symbols.count; ++i) {
        Symbol& s = engine.symbols.records[static_cast<std::size_t>(i)];
        if (s.name) engine.memory.free(s.name);
        s = Symbol{};
    }
    engine.symbols.count = 0;
    engine.symbols.globals = 0;
}

char staticType(Engine& engine, int token) {
    if (token < 0 || token >= kTokenStoreSize) return kVoid;
    const Token& t = engine.program.tokens[static_cast<std::size_t>(token)];
    switch (t.kind) {
        case T_INTEGER:
        case T_HEX:
        case T_NUMBER:
            return kInteger;
        case T_STRING:
            return kText;
        case T_FLOAT:
        case T_REAL:
            return kFloat;
        case T_NEW:
            return kObject;
        case T_VARREF:
        case T_FUNCREF:
            return t.symbol ? t.symbol->signature[0] : kUnknown;
        case T_NAME: {
            if (const Symbol* s = findSymbol(engine, t.text ? t.text : "")) return s->signature[0];
            engine.trace("ERROR: variable '%s' referanced before defined at line %d\n", t.text ? t.text : "", t.line);
            return kUnknown;
        }
        default:
            return t.kind & (kPrefixOperator | kBinaryOperator) ? kInteger : kVoid;
    }
}

int matchForward(const Engine& engine, int token, std::uint32_t open, std::uint32_t close) {
    int count = 0;
    int i = token;
    for (; i >= 0 && i < kTokenStoreSize; ++i) {
        const std::uint32_t kind = engine.program.tokens[static_cast<std::size_t>(i)].kind;
        if (kind == T_END) return i;
        if (kind == open) ++count;
        if (kind == close && --count == 0) return i;
    }
    return kTokenStoreSize - 1;
}

int endOfStatement(const Engine& engine, int token) {
    if (token < 0 || token >= kTokenStoreSize) return kTokenStoreSize - 1;
    const Token& t = engine.program.tokens[static_cast<std::size_t>(token)];
    if (t.kind == T_OPENCURLY) return t.link >= 0 ? t.link : matchForward(engine, token, T_OPENCURLY, T_CLOSECURLY);
    for (int i = token; i < kTokenStoreSize; ++i) {
        const std::uint32_t kind = engine.program.tokens[static_cast<std::size_t>(i)].kind;
        if (kind == T_END || isSemicolon(kind)) return i;
    }
    return kTokenStoreSize - 1;
}

}  // namespace kestrel::script
