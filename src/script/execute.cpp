#include "script/execute.h"

#include <vector>

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
    Executor(Engine& target, ScriptValue& returned)
        : engine(target), result(returned), startDepth(target.frames.depth) {}
    // However the block ends (return, the end of a function, a fatal error), the collections
    // of the for-in loops it was walking go with it.
    ~Executor() {
        for (ForInLoop& loop : forIns) valueRelease(engine, loop.collection);
    }
    Executor(const Executor&) = delete;
    Executor& operator=(const Executor&) = delete;

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
                case T_WITHEND_SEMICOLON:
                    popWith();
                    ++i;
                    break;
                case T_LOOPEND_CURLY:
                    closeFrame(engine);
                    i = jump(t.link);
                    break;
                case T_LOOPEND_SEMICOLON:
                    i = jump(t.link);
                    break;
                case T_FUNCEND:
                    closeFrame(engine);
                    return;
                case T_FUNCTION:
                    i = afterFunction(i);
                    break;
                case T_VAR:
                    declareLocal(t);
                    ++i;
                    break;
                case T_RETURN:
                    if (kindAt(i + 1) != T_SEMICOLON) evaluateExpression(engine, i + 1, result);
                    while (engine.frames.depth > startDepth) closeFrame(engine);
                    return;
                case T_IF:
                    i = runIf(i);
                    break;
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
                case T_CONTINUE:
                    i = jumpForward(i, t.link);
                    break;
                case T_LOOPTEST:
                    i = jump(lastValue || t.number ? t.link : t.dataLink);
                    break;
                case T_COLON:
                    // Reached after the true branch of "?": the false branch is skipped.
                    i = endOfStatement(engine, i + 1);
                    break;
                case T_FORIN:
                    leaveForIn(i);
                    ++i;
                    break;
                case T_IN:
                    i = forInStep(i);
                    break;
                case T_WITH:
                    i = runWith(i);
                    break;
                case T_PRINTVAL:
                    i = printValue(i);
                    break;
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
            // Passing the end of a for-in body leaves that loop.
            if ((k == T_LOOPEND_CURLY || k == T_LOOPEND_SEMICOLON) && kindAt(tok(j).link) == T_IN)
                leaveForIn(tok(tok(j).link).link);
            if (k == T_OPENCURLY)
                ++open;
            else if (closesBrace(k)) {
                if (open > 0)
                    --open;
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
        if (value.value.type == kObject)
            valueCopy(engine, slot, value.value);
        else
            slot.type = kVoid;
        return afterBracket(i + 1);
    }

    void popWith() {
        WithStack& with = engine.with;
        if (with.depth <= 0) return;
        valueRelease(engine, with.objects[static_cast<std::size_t>(--with.depth)]);
    }

    // A for-in loop being walked by this block: its collection, resolved on the first pass and
    // held until the loop is left, and its pass count. Both live here rather than in the
    // tokens so that the same loop running in a recursive call keeps its own.
    struct ForInLoop {
        int forToken = -1;
        std::int32_t counter = 0;
        ScriptValue collection;
    };

    ForInLoop* findForIn(int forToken) {
        for (ForInLoop& loop : forIns)
            if (loop.forToken == forToken) return &loop;
        return nullptr;
    }

    // Lets go of the loop's collection; a loop that is not running is left alone.
    void leaveForIn(int forToken) {
        for (std::size_t k = 0; k < forIns.size(); ++k) {
            if (forIns[k].forToken != forToken) continue;
            valueRelease(engine, forIns[k].collection);
            forIns.erase(forIns.begin() + static_cast<std::ptrdiff_t>(k));
            return;
        }
    }

    // One pass of a for-in loop at its "in": the loop variable takes the next element index
    // or field name, or the loop ends. The collection expression is evaluated on the first
    // pass only; later passes walk the value held then.
    int forInStep(int in) {
        Token& t = tok(in);
        const int forToken = t.link;
        if (forToken < 0) return in + 1;
        const int exit = tok(forToken).dataLink >= 0 ? tok(forToken).dataLink : kTokenStoreSize - 1;
        // The loop variable: the name before "in" (after an optional "var").
        Symbol* variable = kindAt(in - 1) == T_VARREF ? tok(in - 1).symbol : nullptr;
        ForInLoop* loop = findForIn(forToken);
        if (!loop) {
            Temp collection(engine);
            evaluateExpression(engine, in + 1, collection.value);
            if (ScriptValue* start = variableValue(engine, variable)) {
                valueRelease(engine, *start);
                start->type = kInteger;
                start->payload.integer = 0;
            }
            // Only this block adds to forIns, so the record stays put for the whole pass.
            loop = &forIns.emplace_back();
            loop->forToken = forToken;
            valueSwap(loop->collection, collection.value);  // taken over as it is: a String is not cloned
        }
        ScriptValue* target = variableValue(engine, variable);
        const std::int32_t counter = loop->counter;
        const ScriptValue& held = loop->collection;
        ScriptObject* object = held.type == kObject ? held.payload.object : nullptr;
        if (!object || !object->objectClass || !target) return endForIn(forToken, exit);
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
            if (counter >= count) return endForIn(forToken, exit);
            valueRelease(engine, *target);
            target->type = kInteger;
            target->payload.integer = counter;
        } else {
            if (counter >= static_cast<std::int32_t>(c.fields.size())) return endForIn(forToken, exit);
            ScriptObject* name = makeString(engine, c.fields[static_cast<std::size_t>(counter)].name);
            valueRelease(engine, *target);
            if (name) {
                target->type = kObject;
                target->payload.object = name;
            }
        }
        loop->counter = counter + 1;
        return t.dataLink >= 0 ? t.dataLink : in + 1;
    }

    int endForIn(int forToken, int exit) {
        leaveForIn(forToken);
        return jump(exit);
    }

    int printValue(int i) {
        engine.trace("PRINTVAL[%d]: ", tok(i).line);
        const int next = i + 1;
        const Token& t = tok(next);
        switch (t.kind) {
            case T_STRING:
                engine.trace("%s\n", t.text ? t.text : "");
                break;
            case T_NUMBER:
                engine.trace("%d\n", t.number);
                break;
            case T_VARREF: {
                const Symbol* s = t.symbol;
                engine.trace("%s=", s && s->name ? s->name : "");
                const ScriptValue* v = variableValue(engine, s);
                if (!v)
                    engine.trace("??UNKNOWN TYPE??\n");
                else if (v->type == kFloat)
                    engine.trace("%ff\n", static_cast<double>(v->payload.real));
                else if (v->type == kInteger)
                    engine.trace("%d\n", v->payload.integer);
                else if (v->type == kObject)
                    engine.trace("OBJECT:\n");
                else if (v->type == kText)
                    engine.trace("%s\n", v->payload.text ? v->payload.text : "");
                else
                    engine.trace("??UNKNOWN TYPE??\n");
                break;
            }
            default:
                engine.trace("????\n");
                break;
        }
        return next + 1;
    }

    Engine& engine;
    ScriptValue& result;
    const int startDepth;
    bool lastValue = false;
    std::vector<ForInLoop> forIns;  // the for-in loops running in this block, innermost last
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
    while (engine.with.depth > 0)
        valueRelease(engine, engine.with.objects[static_cast<std::size_t>(--engine.with.depth)]);
    engine.trace("FlushAll():Done\n");
}

}  // namespace kestrel::script
