#include "script/execute.h"

#include "script/Express.h"
#include "script/array.h"
#include "script/engine.h"
#include "script/frames.h"

namespace kestrel::script {

namespace {

bool closesBrace(std::uint32_t kind) {
    return kind == T_CLOSECURLY || kind == T_LOOPEND_CURLY || kind == T_FUNCEND || kind == T_WITHEND_CURLY;
}

bool startsExpression(std::uint32_t kind) {
    return kind == T_VARREF || kind == T_CLASSNAME || kind == T_NAMEDFIELD || kind == T_NAMEDMETHOD ||
           kind == T_FUNCREF || ((kind & kPrefixOperator) && !(kind & kPostfix));
}

class Executor {
public:
    Executor(Engine& engine, ScriptValue& result) : engine(engine), result(result), startDepth(engine.frames.depth) {}

    void run(int i) {
        while (true) {
            const std::uint32_t kind = kindAt(i);
            if (kind == T_END) return;
            Token& t = tok(i);
            switch (kind) {
                case T_OPENCURLY:
                    openFrame(engine);
                    ++i;
                    break;
                case T_CLOSECURLY:
                    // A brace that closes more than the block opened ends the block: a
                    // function body never runs on into the code after it.
                    if (engine.frames.depth <= startDepth && startDepth > 0) return;
                    closeFrame(engine);
                    ++i;
                    break;
                case T_WITHEND_CURLY:
                    closeFrame(engine);
                    popWith();
                    ++i;
                    break;
                case T_WITHEND_SEMICOLON: popWith(); ++i; break;
                case T_LOOPEND_CURLY:
                    closeFrame(engine);
                    i = jump(t.link);
                    break;
                case T_LOOPEND_SEMICOLON: i = jump(t.link); break;
                case T_FUNCEND:
                    closeFrame(engine);
                    return;
                case T_FUNCTION: i = afterFunction(i); break;
                case T_VAR: declareLocal(t); ++i; break;
                case T_RETURN:
                    if (kindAt(i + 1) != T_SEMICOLON) evaluateExpression(engine, i + 1, result);
                    while (engine.frames.depth > startDepth) closeFrame(engine);
                    return;
                case T_IF: i = runIf(i); break;
                case T_ELSE:
                    i = t.number ? endOfStatement(engine, i + 1) + 1 : i + 1;
                    break;
                case T_WHILELOOP: {
                    const bool go = condition(i + 1);
                    i = go ? afterBracket(i + 1) : jump(t.link);
                    break;
                }
                case T_DOWHILE: {
                    const bool go = condition(i + 1);
                    i = go ? jump(t.link) : afterBracket(i + 1);
                    break;
                }
                case T_BREAK:
                case T_CONTINUE: i = jumpForward(i, t.link); break;
                case T_LOOPTEST: i = jump(lastValue || t.number ? t.link : t.dataLink); break;
                case T_COLON:
                    // Reached after the true branch of "?": the false branch is skipped.
                    i = endOfStatement(engine, i + 1);
                    break;
                case T_FORIN: t.number = 0; ++i; break;
                case T_IN: i = forInStep(i); break;
                case T_WITH: i = runWith(i); break;
                case T_PRINTVAL: i = printValue(i); break;
                default:
                    if (startsExpression(kind)) {
                        Temp value(engine);
                        i = evaluateExpression(engine, i, value.value);
                        lastValue = isTrue(value.value);
                    } else {
                        ++i;
                    }
                    break;
            }
        }
    }

private:
    using Temp = TempValue;

    Token& tok(int i) { return engine.program.tokens[static_cast<std::size_t>(i)]; }
    std::uint32_t kindAt(int i) const {
        return i >= 0 && i < kTokenStoreSize ? engine.program.tokens[static_cast<std::size_t>(i)].kind : T_END;
    }

    // Every backward jump and call is a point where the host may stop the run.
    int jump(int target) {
        pollCancel(engine);
        return target < 0 ? kTokenStoreSize - 1 : target;
    }

    // Forward to target, closing the scope of every brace passed on the way out (and the
    // with-objects of with bodies), so that leaving a block by break or continue leaves no
    // frame behind. Without a target the run of the block ends.
    int jumpForward(int from, int target) {
        if (target < 0) return kTokenStoreSize - 1;
        int open = 0;
        for (int j = from + 1; j < target && kindAt(j) != T_END; ++j) {
            const std::uint32_t k = kindAt(j);
            if (k == T_OPENCURLY) ++open;
            else if (closesBrace(k)) {
                if (open > 0) --open;
                else {
                    closeFrame(engine);
                    if (k == T_WITHEND_CURLY) popWith();
                }
            } else if (k == T_WITHEND_SEMICOLON && open == 0) {
                popWith();
            }
        }
        return jump(target);
    }

    int afterBracket(int open) {
        const int close = kindAt(open) == T_OPENBRACKET ? tok(open).link : -1;
        return close >= 0 ? close + 1 : open + 1;
    }

    bool condition(int open) {
        if (kindAt(open) != T_OPENBRACKET) return false;
        Temp value(engine);
        evaluateBracket(engine, open, value.value);
        return isTrue(value.value);
    }

    int afterFunction(int i) {
        const int open = i + 2;
        const int close = kindAt(open) == T_OPENBRACKET ? tok(open).link : -1;
        if (close < 0 || kindAt(close + 1) != T_OPENCURLY) return i + 1;
        const int end = tok(close + 1).link;
        return end >= 0 ? end + 1 : kTokenStoreSize - 1;
    }

    void declareLocal(Token& t) {
        Symbol* symbol = t.symbol;
        if (!symbol || symbol->flags == kSymbolGlobal) return;
        ScriptValue& value = pushValue(engine);
        (void)value;
        StackEntry& entry = engine.stack.entries[static_cast<std::size_t>(engine.stack.top - 1)];
        entry.symbol = symbol;
        entry.previous = symbol->slot;
        symbol->slot = engine.stack.top - 1;
    }

    int runIf(int i) {
        const bool truth = condition(i + 1);
        const int then = afterBracket(i + 1);
        const int elseToken = tok(i).link;
        if (elseToken >= 0) tok(elseToken).number = truth ? 1 : 0;
        if (truth) return then;
        return endOfStatement(engine, then) + 1;
    }

    int runWith(int i) {
        Temp value(engine);
        if (kindAt(i + 1) == T_OPENBRACKET) evaluateBracket(engine, i + 1, value.value);
        WithStack& with = engine.with;
        if (with.depth >= kWithDepth) limitExceeded(engine, "with statements", kWithDepth);
        // A value that is no object still takes its place, so that the with end pops the right one.
        ScriptValue& slot = with.objects[static_cast<std::size_t>(with.depth++)];
        valueRelease(engine, slot);
        if (value.value.type == kObject) valueCopy(engine, slot, value.value);
        else slot.type = kVoid;
        return afterBracket(i + 1);
    }

    void popWith() {
        WithStack& with = engine.with;
        if (with.depth <= 0) return;
        valueRelease(engine, with.objects[static_cast<std::size_t>(--with.depth)]);
    }

    // One pass of a for-in loop at its "in": the loop variable takes the next element index
    // or field name, or the loop ends.
    int forInStep(int in) {
        Token& t = tok(in);
        const int forToken = t.link;
        if (forToken < 0) return in + 1;
        Token& loop = tok(forToken);
        const int exit = loop.dataLink >= 0 ? loop.dataLink : kTokenStoreSize - 1;
        // The loop variable: the name before "in" (after an optional "var").
        Symbol* variable = kindAt(in - 1) == T_VARREF ? tok(in - 1).symbol : nullptr;
        ScriptValue* target = variableValue(engine, variable);
        Temp collection(engine);
        evaluateExpression(engine, in + 1, collection.value);
        const std::int32_t counter = loop.number;
        ScriptObject* object = collection.value.type == kObject ? collection.value.payload.object : nullptr;
        if (!object || !object->objectClass || !target) return jump(exit);
        const ObjectClass& c = *object->objectClass;
        if (c.flags & kClassCountElements) {
            std::int32_t count = 0;
            if (c.flags & kClassIndexByChar) {
                const int length = findField(c, "length");
                count = length >= 0 ? object->fields[length].payload.integer : 0;
            } else {
                const int array = findField(c, "array");
                const ScriptValue* store = array >= 0 ? &object->fields[array] : nullptr;
                count = store && store->type == kArray && store->payload.array ? store->payload.array->count : 0;
            }
            if (counter >= count) return jump(exit);
            valueRelease(engine, *target);
            target->type = kInteger;
            target->payload.integer = counter;
        } else {
            if (counter >= static_cast<std::int32_t>(c.fields.size())) return jump(exit);
            ScriptObject* name = makeString(engine, c.fields[static_cast<std::size_t>(counter)].name);
            valueRelease(engine, *target);
            if (name) {
                target->type = kObject;
                target->payload.object = name;
            }
        }
        loop.number = counter + 1;
        return t.dataLink >= 0 ? t.dataLink : in + 1;
    }

    int printValue(int i) {
        engine.trace("PRINTVAL[%d]: ", tok(i).line);
        const int next = i + 1;
        const Token& t = tok(next);
        switch (t.kind) {
            case T_STRING: engine.trace("%s\n", t.text ? t.text : ""); break;
            case T_NUMBER: engine.trace("%d\n", t.number); break;
            case T_VARREF: {
                const Symbol* s = t.symbol;
                engine.trace("%s=", s && s->name ? s->name : "");
                const ScriptValue* v = variableValue(engine, s);
                if (!v) engine.trace("??UNKNOWN TYPE??\n");
                else if (v->type == kFloat) engine.trace("%ff\n", static_cast<double>(v->payload.real));
                else if (v->type == kInteger) engine.trace("%d\n", v->payload.integer);
                else if (v->type == kObject) engine.trace("OBJECT:\n");
                else if (v->type == kText) engine.trace("%s\n", v->payload.text ? v->payload.text : "");
                else engine.trace("??UNKNOWN TYPE??\n");
                break;
            }
            default: engine.trace("????\n"); break;
        }
        return next + 1;
    }

    Engine& engine;
    ScriptValue& result;
    const int startDepth;
    bool lastValue = false;
};

}  // namespace

void executeBlock(Engine& engine, int token, ScriptValue& result) { Executor(engine, result).run(token); }

bool callFunctionByName(Engine& engine, std::string_view name, ScriptValue& result) {
    Symbol* function = findSymbol(engine, name);
    if (!function || function->declaration < 0 ||
        engine.program.tokens[static_cast<std::size_t>(function->declaration)].kind != T_FUNCTION)
        return false;
    callScriptFunction(engine, *function, -1, result);
    if (function->signature[0] == kUnknown) function->signature[0] = result.type;
    return true;
}

void flushAll(Engine& engine) {
    engine.trace("FlushAll():\n");
    for (int i = engine.stack.top - 1; i >= 0; --i) {
        StackEntry& entry = engine.stack.entries[static_cast<std::size_t>(i)];
        valueRelease(engine, entry.value);
        if (entry.symbol && entry.symbol->flags != kSymbolGlobal) entry.symbol->slot = entry.previous;
        entry.symbol = nullptr;
        entry.previous = -1;
    }
    engine.stack.top = 0;
    engine.frames.depth = 0;
    while (engine.with.depth > 0) valueRelease(engine, engine.with.objects[static_cast<std::size_t>(--engine.with.depth)]);
    engine.trace("FlushAll():Done\n");
}

}  // namespace kestrel::script
