// Evaluating expression trees (express_build.cpp builds them). Kept whole, past 600 lines:
// the Evaluator is one class whose members call each other for every node of every pass of a
// script's loops, and its hot integer paths rely on being inlined within this file.
#include "script/Express.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "script/array.h"
#include "script/engine.h"
#include "script/execute.h"
#include "script/express_build.h"
#include "script/frames.h"

namespace kestrel::script {

namespace {

constexpr const char* kModule = "Express";
constexpr int kUnknownMemberObject = 405;
constexpr int kUnresolvableAssignment = 712;
constexpr int kUnknownClass = 983;
constexpr int kTextIndex = 109;
constexpr int kUnresolvableObject = 48;

using Temp = TempValue;

std::int32_t wrap(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

void setInteger(Engine& engine, ScriptValue& v, std::int32_t i) {
    valueRelease(engine, v);
    v.type = kInteger;
    v.payload.integer = i;
}

void setFloat(Engine& engine, ScriptValue& v, float f) {
    valueRelease(engine, v);
    v.type = kFloat;
    v.payload.real = f;
}

// Takes over an object that already holds one count for this value.
void setObject(Engine& engine, ScriptValue& v, ScriptObject* object) {
    valueRelease(engine, v);
    if (!object) return;
    v.type = kObject;
    v.payload.object = object;
}

class Evaluator {
public:
    explicit Evaluator(Engine& target) : engine(target), cache(*target.expressions) {}

    const ExpressionCache::Tree& tree(int token) {
        static_assert(ExpressionCache::kTreeSlots == kTokenStoreSize);
        if (cache.byToken.empty()) cache.byToken.resize(ExpressionCache::kTreeSlots);
        auto& t = cache.byToken[static_cast<std::size_t>(token)];
        if (!t.built) {
            const auto [root, next] = buildExpression(engine, cache, token, -1);
            t = {root, next, true};
        }
        return t;
    }

    const ExpressionCache::Tree& bracketTree(int open) {
        if (cache.byBracket.empty()) cache.byBracket.resize(ExpressionCache::kTreeSlots);
        auto& t = cache.byBracket[static_cast<std::size_t>(open)];
        if (!t.built) {
            const int close = tok(open).link;
            const auto [root, next] = buildExpression(engine, cache, open + 1, close);
            t = {root, next, true};
        }
        return t;
    }

    void evaluate(int node, ScriptValue& out);
    [[gnu::noinline]] void evaluateOther(int node, ScriptValue& out);
    ScriptValue* storage(int node);
    void callFunction(Symbol& function, int open, ScriptValue& result);

private:
    Token& tok(int i) { return engine.program.tokens[static_cast<std::size_t>(i)]; }
    std::uint32_t kindAt(int i) { return i >= 0 && i < kTokenStoreSize ? tok(i).kind : T_END; }
    ExpressionNode& node(int n) { return cache.nodes[static_cast<std::size_t>(n)]; }
    // --- helpers -------------------------------------------------------------------------

    [[noreturn]] void runError(const char* what, int token) {
        engine.trace("ERROR: %s at line %d\n", what, tok(token).line);
        throw ScriptFatal{kModule, 0};
    }

    // The name after "new" is no class: a name the pre-parser took for a variable, a function
    // or a member of a with-object, or no name at all.
    [[noreturn]] void unknownClass(const Token* name, int line) {
        const char* text = nullptr;
        if (name && (name->kind == T_VARREF || name->kind == T_FUNCREF))
            text = name->symbol ? name->symbol->name : nullptr;
        else if (name && (name->kind == T_NAMEDFIELD || name->kind == T_NAMEDMETHOD || name->kind == T_CLASSNAME))
            text = name->text;
        if (text)
            engine.trace("ERROR: unknown class '%s' at line %d\n", text, line);
        else
            engine.trace("ERROR: 'new' without a class name at line %d\n", line);
        fatal(engine, kModule, kUnknownClass);
    }

    void callMethod(ScriptObject& object, const MethodEntry& method, int argumentsOpen, ScriptValue& result) {
        openFrame(engine);
        pushArguments(argumentsOpen);
        if (method.fn) method.fn(engine, object, result);
        closeFrame(engine);
    }

    // Each comma-separated expression of the list opening at "(" into a new stack entry.
    void pushArguments(int open) {
        if (open < 0 || kindAt(open) != T_OPENBRACKET) return;
        pushList(open);
    }

    // The comma-separated expressions inside the bracket opening at open, each into a new
    // entry of the current frame.
    void pushList(int open) {
        const int close = tok(open).link;
        int i = open + 1;
        while (i < close && kindAt(i) != T_END) {
            ScriptValue& slot = pushValue(engine);
            Temp value(engine);
            const int next = argumentEnd(i, close);
            evaluateFrom(i, value.value);
            valueMove(engine, slot, value.value);
            i = next;
            if (kindAt(i) == T_COMMA) ++i;
        }
    }

    // The token that ends the argument starting at i: the next comma at this level or close.
    int argumentEnd(int i, int close) {
        for (int level = 0; i < close && kindAt(i) != T_END; ++i) {
            const std::uint32_t k = kindAt(i);
            if (k == T_OPENBRACKET || k == T_OPENSQUARE) ++level;
            if (k == T_CLOSEBRACKET || k == T_CLOSESQUARE) --level;
            if (k == T_COMMA && level == 0) return i;
        }
        return close;
    }

    int evaluateFrom(int token, ScriptValue& out) {
        const auto& t = tree(token);
        if (t.root >= 0)
            evaluate(t.root, out);
        else
            valueRelease(engine, out), out.type = kVoid;
        return t.next;
    }

    std::int32_t toInt(ScriptObject* object) {
        Temp result(engine);
        openFrame(engine);
        callMethodByName(engine, *object, "toInt", result.value);
        closeFrame(engine);
        return result.value.type == kFloat ? truncatedToInteger(result.value.payload.real)
                                           : result.value.payload.integer;
    }

    // Objects stand for their toInt value in arithmetic and comparisons.
    void numeric(ScriptValue& v) {
        if (v.type == kObject && v.payload.object) {
            const std::int32_t i = toInt(v.payload.object);
            setInteger(engine, v, i);
        }
    }

    std::string textOf(ScriptValue& v) {
        switch (v.type) {
            case kFloat:
                return floatToText(v.payload.real);
            case kInteger:
                return std::to_string(v.payload.integer);
            case kObject:
                return v.payload.object && engine.objects.objectText
                           ? engine.objects.objectText(engine, *v.payload.object)
                           : "";
            case kText:
                engine.trace("WARNING: Core String Variable encountered in expression handler\n");
                return v.payload.text ? v.payload.text : "";
            default:
                return "";
        }
    }

    ScriptObject* withObject() {
        for (int d = engine.with.depth - 1; d >= 0; --d) {
            const ScriptValue& v = engine.with.objects[static_cast<std::size_t>(d)];
            if (v.type == kObject && v.payload.object) return v.payload.object;
        }
        return nullptr;
    }

    void undefined(ScriptValue& out) { setObject(engine, out, makeString(engine, "undefined")); }

    // The object a member's left side names: a class's static object, or an object value
    // (held in temp when it had to be computed).
    ScriptObject* memberObject(int left, Temp& temp) {
        if (left < 0) return nullptr;
        const Token& t = tok(node(left).token);
        if (t.kind == T_CLASSNAME && node(left).left < 0 && node(left).right < 0) {
            if (!t.objectClass) fatal(engine, kModule, kUnknownClass);
            return staticObject(engine, *t.objectClass);
        }
        if (ScriptValue* place = storage(left)) {
            if (place->type == kObject) return place->payload.object;
            return nullptr;
        }
        evaluate(left, temp.value);
        return temp.value.type == kObject ? temp.value.payload.object : nullptr;
    }

    // The member's index in its class's tables, found by name and remembered for the class.
    int memberIndex(const ObjectClass& objectClass, Token& member, bool method) {
        if (member.objectClass == &objectClass) return member.member;
        const char* name = member.text ? member.text : "";
        const int index = method ? findMethod(objectClass, name) : findField(objectClass, name);
        if (index < 0)
            engine.trace("WARNING: cann't resolve object %s '%s' at line %d\n", method ? "method" : "field", name,
                         member.line);
        member.objectClass = &objectClass;
        member.member = index;
        return index;
    }

    void evaluateMember(int n, ScriptValue& out) {
        Temp holder(engine);
        ScriptObject* object = memberObject(node(n).left, holder);
        const int memberNode = node(n).right;
        if (!object || !object->objectClass) {
            if (node(n).left >= 0 && kindAt(node(node(n).left).token) == T_CLASSNAME)
                fatal(engine, kModule, kUnknownClass);
            engine.trace("Unable to resolve variable or object at JavaScript line %d\n", tok(node(n).token).line);
            fatal(engine, kModule, kUnknownMemberObject);
        }
        if (memberNode < 0) {
            undefined(out);
            return;
        }
        Token& member = tok(node(memberNode).token);
        const bool method = member.kind == T_METHODNAME;
        const int index = memberIndex(*object->objectClass, member, method);
        if (index < 0) {
            engine.trace("WARNING: cann't resolve object %s '%s' at line %d - returning undefined\n",
                         method ? "method" : "field", member.text ? member.text : "", member.line);
            undefined(out);
            return;
        }
        if (method) {
            Temp result(engine);
            callMethod(*object, object->objectClass->methods[static_cast<std::size_t>(index)],
                       node(memberNode).token + 1, result.value);
            valueMove(engine, out, result.value);
        } else {
            valueCopy(engine, out, object->fields[index]);
        }
    }

    // The common case of two integers, without the general rules' conversions: false when
    // the operands or the operator need them.
    static bool integerResult(IntegerOp op, std::int64_t x, std::int64_t y, std::int32_t& r) {
        switch (op) {
            case IntegerOp::Add:
                r = wrap(x + y);
                return true;
            case IntegerOp::Subtract:
                r = wrap(x - y);
                return true;
            case IntegerOp::Multiply:
                r = wrap(x * y);
                return true;
            case IntegerOp::Less:
                r = x < y;
                return true;
            case IntegerOp::Greater:
                r = x > y;
                return true;
            case IntegerOp::LessEqual:
                r = x <= y;
                return true;
            case IntegerOp::GreaterEqual:
                r = x >= y;
                return true;
            case IntegerOp::Equal:
                r = x == y;
                return true;
            case IntegerOp::NotEqual:
                r = x != y;
                return true;
            default:
                return false;
        }
    }
    // The integer a number or a variable holding one stands for, read in place; false for
    // any other node, which has to be evaluated.
    bool plainInteger(int n, std::int32_t& value) {
        if (n < 0) return false;
        const ExpressionNode& e = node(n);
        if (e.op == NodeOp::Number) {
            value = tok(e.token).number;
            return true;
        }
        if (e.op != NodeOp::Variable) return false;
        const ScriptValue* v = variableValue(engine, tok(e.token).symbol);
        if (!v || v->type != kInteger) return false;
        value = v->payload.integer;
        return true;
    }
    bool integerOperation(IntegerOp op, const ScriptValue& a, const ScriptValue& b, ScriptValue& out) {
        if (a.type != kInteger || b.type != kInteger) return false;
        std::int32_t r = 0;
        if (!integerResult(op, a.payload.integer, b.payload.integer, r)) return false;
        setInteger(engine, out, r);
        return true;
    }
    void arithmetic(std::uint32_t op, ScriptValue& a, ScriptValue& b, ScriptValue& out, int token);
    void compare(std::uint32_t op, ScriptValue& a, ScriptValue& b, ScriptValue& out);
    void unary(int n, ScriptValue& out);
    void assign(int n, ScriptValue& out);
    void index(int n, ScriptValue& out);
    void arrayLiteral(int token, ScriptValue& out);
    ScriptObject* indexedObject(int n, Temp& held, Temp& key);
    ScriptValue* element(ScriptObject& object, const ScriptValue& key);

    Engine& engine;
    ExpressionCache& cache;
};

// The hot cases stay small; everything else is evaluateOther's.
void Evaluator::evaluate(int n, ScriptValue& out) {
    const ExpressionNode& e = node(n);
    switch (e.op) {
        case NodeOp::Number:
            setInteger(engine, out, tok(e.token).number);
            return;
        case NodeOp::Real:
            setFloat(engine, out, tok(e.token).real);
            return;
        case NodeOp::Variable: {
            if (const ScriptValue* v = variableValue(engine, tok(e.token).symbol))
                valueCopy(engine, out, *v);
            else
                setInteger(engine, out, 0);
            return;
        }
        case NodeOp::Binary:
        case NodeOp::Compare: {
            // The node's fields are read before the operands run: evaluating them can build
            // other trees and move the node arena.
            const std::uint32_t kind = tok(e.token).kind;
            const int left = e.left, right = e.right, token = e.token;
            const bool comparison = e.op == NodeOp::Compare;
            const IntegerOp integerOp = e.integerOp;
            // Two integers read in place ("i < 100", "i * 2"): no copies of the operands.
            std::int32_t x = 0, y = 0, r = 0;
            if (integerOp != IntegerOp::None && plainInteger(left, x) && plainInteger(right, y) &&
                integerResult(integerOp, x, y, r)) {
                setInteger(engine, out, r);
                return;
            }
            Temp a(engine), b(engine);
            if (left >= 0) evaluate(left, a.value);
            if (right >= 0) evaluate(right, b.value);
            if (integerOperation(integerOp, a.value, b.value, out)) return;
            if (comparison) return compare(kind, a.value, b.value, out);
            return arithmetic(kind, a.value, b.value, out, token);
        }
        case NodeOp::Assign:
            return assign(n, out);
        case NodeOp::Step: {
            // "i++" and "--i" on an integer variable, the commonest loop step.
            const int operand = e.right;
            const std::uint32_t kind = tok(e.token).kind;
            if (operand >= 0 && node(operand).op == NodeOp::Variable) {
                if (ScriptValue* place = variableValue(engine, tok(node(operand).token).symbol)) {
                    ScriptValue& v = *place;
                    if (v.type == kInteger) {
                        const std::int32_t old = v.payload.integer;
                        v.payload.integer =
                            wrap(static_cast<std::int64_t>(old) + ((kind & ~kPostfix) == T_INCREMENT ? 1 : -1));
                        setInteger(engine, out, isPostfix(kind) ? old : v.payload.integer);
                        out.aux = v.aux;
                        return;
                    }
                }
            }
            return evaluateOther(n, out);
        }
        default:
            return evaluateOther(n, out);
    }
}

void Evaluator::evaluateOther(int n, ScriptValue& out) {
    const int t = node(n).token;
    Token& token = tok(t);
    switch (token.kind) {
        case T_TRUE:
            setInteger(engine, out, 1);
            return;
        case T_FALSE:
            setInteger(engine, out, 0);
            return;
        case T_STRING:
            setObject(engine, out, makeString(engine, token.text ? token.text : ""));
            return;
        case T_FUNCREF: {
            Temp result(engine);
            if (token.symbol) callFunction(*token.symbol, t + 1, result.value);
            valueMove(engine, out, result.value);
            return;
        }
        case T_NAMEDFIELD: {
            ScriptObject* with = withObject();
            const int field = with ? findField(*with->objectClass, token.text ? token.text : "") : -1;
            if (field < 0)
                undefined(out);
            else
                valueCopy(engine, out, with->fields[field]);
            return;
        }
        case T_NAMEDMETHOD: {
            ScriptObject* with = withObject();
            const int method = with ? findMethod(*with->objectClass, token.text ? token.text : "") : -1;
            if (method < 0) {
                undefined(out);
                return;
            }
            Temp result(engine);
            callMethod(*with, with->objectClass->methods[static_cast<std::size_t>(method)], t + 1, result.value);
            valueMove(engine, out, result.value);
            return;
        }
        case T_OPENSQUARE:
            if (node(n).left < 0)
                arrayLiteral(t, out);
            else
                index(n, out);
            return;
        case T_DOT:
            evaluateMember(n, out);
            return;
        case T_NEW: {
            const int classNode = node(n).right;
            const Token* name = classNode >= 0 ? &tok(node(classNode).token) : nullptr;
            if (!name || name->kind != T_CLASSNAME || !name->objectClass) unknownClass(name, token.line);
            openFrame(engine);
            pushArguments(node(classNode).token + 1);
            ScriptObject* object = createObject(engine, name->objectClass);
            closeFrame(engine);
            if (object) ++object->refcount;
            setObject(engine, out, object);
            return;
        }
        default:
            break;
    }
    // Numbers, variables, binary operators and assignments never come here: evaluate takes
    // them by their node's operation.
    if (isPrefix(token.kind) || isPostfix(token.kind)) return unary(n, out);
    valueRelease(engine, out);
    out.type = kVoid;
}

void Evaluator::arithmetic(std::uint32_t op, ScriptValue& a, ScriptValue& b, ScriptValue& out, int token) {
    const bool concatenates =
        op == T_PLUS && (a.type == kText || a.type == kObject || b.type == kText || b.type == kObject);
    if (concatenates) {
        const std::string text = textOf(a) + textOf(b);
        setObject(engine, out, makeString(engine, text));
        return;
    }
    const auto integerOf = [](const ScriptValue& v) {
        return v.type == kFloat ? truncatedToInteger(v.payload.real) : v.payload.integer;
    };
    switch (op) {
        case T_LOGICALAND:
            return setInteger(engine, out, isTrue(a) && isTrue(b));
        case T_LOGICALOR:
            return setInteger(engine, out, isTrue(a) || isTrue(b));
        case T_BITAND:
            return setInteger(engine, out, integerOf(a) & integerOf(b));
        case T_BITOR:
            return setInteger(engine, out, integerOf(a) | integerOf(b));
        case T_BITXOR:
            return setInteger(engine, out, integerOf(a) ^ integerOf(b));
        case T_SHIFTLEFT:
            return setInteger(
                engine, out,
                wrap(static_cast<std::int64_t>(static_cast<std::uint32_t>(integerOf(a)) << (integerOf(b) & 31))));
        case T_SHIFTRIGHT:
            return setInteger(engine, out, integerOf(a) >> (integerOf(b) & 31));
        case T_SHIFTRIGHTUNSIGNED:
            return setInteger(engine, out, wrap(static_cast<std::uint32_t>(integerOf(a)) >> (integerOf(b) & 31)));
        default:
            break;
    }
    numeric(a);
    numeric(b);
    if (op == T_MODULO) {
        const std::int32_t x = integerOf(a), y = integerOf(b);
        if (y == 0) runError("remainder by zero", token);
        return setInteger(engine, out, wrap(static_cast<std::int64_t>(x) % y));
    }
    if (a.type == kFloat) {
        const float x = a.payload.real;
        const float y = b.type == kFloat ? b.payload.real : static_cast<float>(b.payload.integer);
        switch (op) {
            case T_PLUS:
                return setFloat(engine, out, x + y);
            case T_MINUS:
                return setFloat(engine, out, x - y);
            case T_TIMES:
                return setFloat(engine, out, x * y);
            case T_DIVIDE:
                if (y == 0.0f) runError("division by zero", token);
                return setFloat(engine, out, x / y);
            default:
                return setFloat(engine, out, x);
        }
    }
    const std::int64_t x = a.payload.integer;
    if (b.type == kFloat) {
        const float y = b.payload.real;
        switch (op) {
            case T_PLUS:
                return setInteger(engine, out, wrap(x + truncatedToInteger(y)));
            case T_MINUS:
                return setInteger(engine, out, wrap(x - truncatedToInteger(y)));
            case T_TIMES:
                return setInteger(engine, out, truncatedToInteger(static_cast<float>(x) * y));
            case T_DIVIDE: {
                const std::int32_t d = truncatedToInteger(y);
                if (d == 0) runError("division by zero", token);
                return setInteger(engine, out, wrap(x / d));
            }
            default:
                return setInteger(engine, out, static_cast<std::int32_t>(x));
        }
    }
    const std::int64_t y = b.payload.integer;
    switch (op) {
        case T_PLUS:
            return setInteger(engine, out, wrap(x + y));
        case T_MINUS:
            return setInteger(engine, out, wrap(x - y));
        case T_TIMES:
            return setInteger(engine, out, wrap(x * y));
        case T_DIVIDE:
            if (y == 0) runError("division by zero", token);
            return setInteger(engine, out, wrap(x / y));
        default:
            return setInteger(engine, out, static_cast<std::int32_t>(x));
    }
}

void Evaluator::compare(std::uint32_t op, ScriptValue& a, ScriptValue& b, ScriptValue& out) {
    numeric(a);
    numeric(b);
    int order = 0;
    if (a.type == kText || b.type == kText) {
        order = valueCompare(engine, a, b);
    } else if (a.type == kFloat || b.type == kFloat) {
        const float x = a.type == kFloat ? a.payload.real : static_cast<float>(a.payload.integer);
        const float y = b.type == kFloat ? b.payload.real : static_cast<float>(b.payload.integer);
        if (std::isnan(x) || std::isnan(y)) return setInteger(engine, out, op == T_NOTEQUAL);
        order = x < y ? -1 : x > y ? 1 : 0;
    } else {
        order = a.payload.integer < b.payload.integer ? -1 : a.payload.integer > b.payload.integer ? 1 : 0;
    }
    bool result = false;
    switch (op) {
        case T_EQUAL:
            result = order == 0;
            break;
        case T_NOTEQUAL:
            result = order != 0;
            break;
        case T_LESS:
            result = order < 0;
            break;
        case T_GREATER:
            result = order > 0;
            break;
        case T_LESSEQUAL:
            result = order <= 0;
            break;
        default:
            result = order >= 0;
            break;
    }
    setInteger(engine, out, result ? 1 : 0);
}

void Evaluator::unary(int n, ScriptValue& out) {
    Token& token = tok(node(n).token);
    const std::uint32_t op = token.kind & ~kPostfix;
    const int operand = node(n).right;
    if (op == T_INCREMENT || op == T_DECREMENT) {
        ScriptValue* place = operand >= 0 ? storage(operand) : nullptr;
        if (!place) {
            engine.trace("EXPRESSION: assignment to non-variable at line %d\n", token.line);
            return;
        }
        const int step = op == T_INCREMENT ? 1 : -1;
        if (isPostfix(token.kind)) valueCopy(engine, out, *place);
        if (place->type == kFloat)
            place->payload.real += static_cast<float>(step);
        else if (place->type == kInteger)
            place->payload.integer = wrap(static_cast<std::int64_t>(place->payload.integer) + step);
        if (!isPostfix(token.kind)) valueCopy(engine, out, *place);
        return;
    }
    Temp v(engine);
    if (operand >= 0) evaluate(operand, v.value);
    switch (op) {
        case T_NOT:
            if (v.value.type == kFloat) return setInteger(engine, out, v.value.payload.real == 0.0f);
            return setInteger(engine, out, !isTrue(v.value));
        case T_BITNOT:
            return setInteger(
                engine, out,
                ~(v.value.type == kFloat ? truncatedToInteger(v.value.payload.real) : v.value.payload.integer));
        case T_NEGATE:
            numeric(v.value);
            if (v.value.type == kFloat) return setFloat(engine, out, -v.value.payload.real);
            return setInteger(engine, out, wrap(-static_cast<std::int64_t>(v.value.payload.integer)));
        default:
            valueMove(engine, out, v.value);
            return;
    }
}

void Evaluator::assign(int n, ScriptValue& out) {
    Token& token = tok(node(n).token);
    const int left = node(n).left;
    if (token.kind & kCompoundAssignment) {
        const std::uint32_t leftKind = left >= 0 ? kindAt(node(left).token) : T_END;
        if (leftKind != T_VARREF && leftKind != T_DOT && leftKind != T_OPENSQUARE) {
            engine.trace("EXPRESSION: assignment to non-variable at line %d\n", token.line);
            return;
        }
        const IntegerOp integerOp = node(n).integerOp;
        Temp a(engine), b(engine), result(engine);
        // A variable on the left is read in place (as the copy evaluating it would make),
        // before the right side runs.
        const ScriptValue* variable =
            node(left).op == NodeOp::Variable ? variableValue(engine, tok(node(left).token).symbol) : nullptr;
        if (variable && ownsNothing(*variable))
            valueCopy(engine, a.value, *variable);
        else
            evaluate(left, a.value);
        if (node(n).right >= 0) evaluate(node(n).right, b.value);
        // An integer variable and an integer: the result goes straight into the variable.
        std::int32_t r = 0;
        if (leftKind == T_VARREF && a.value.type == kInteger && b.value.type == kInteger &&
            integerResult(integerOp, a.value.payload.integer, b.value.payload.integer, r)) {
            if (ScriptValue* place = storage(left); place && ownsNothing(*place)) {
                place->type = kInteger;
                place->aux = 0;
                place->payload.integer = r;
                setInteger(engine, out, r);
                return;
            }
        }
        const std::uint32_t op = token.kind & ~kCompoundAssignment;
        if (!integerOperation(integerOp, a.value, b.value, result.value))
            arithmetic(op, a.value, b.value, result.value, node(n).token);
        ScriptValue* place = storage(left);
        if (!place) {
            engine.trace("EXPRESSION: assignment to non-variable at line %d\n", token.line);
            return;
        }
        valueCopy(engine, *place, result.value);
        valueMove(engine, out, result.value);
        return;
    }
    Temp value(engine);
    if (node(n).right >= 0) evaluate(node(n).right, value.value);
    ScriptValue* place = left >= 0 ? storage(left) : nullptr;
    if (!place) {
        engine.trace("Assignment to unresolvable variable at JavaScript line %d\n", token.line);
        fatal(engine, kModule, kUnresolvableAssignment);
    }
    valueCopy(engine, *place, value.value);
    valueMove(engine, out, value.value);
}

void Evaluator::arrayLiteral(int token, ScriptValue& out) {
    engine.trace("implicit new array\n");
    openFrame(engine);
    pushList(token);
    ScriptObject* object = createObject(engine, &arrayClass());
    closeFrame(engine);
    if (object) ++object->refcount;
    setObject(engine, out, object);
}

void Evaluator::index(int n, ScriptValue& out) {
    Temp held(engine), key(engine);
    ScriptObject* object = indexedObject(n, held, key);
    if (object && (object->objectClass->flags & kClassIndexByChar) && key.value.type != kObject) {
        // A character of a text: a new one-character String; outside the text, an empty one.
        const std::int32_t i =
            key.value.type == kFloat ? truncatedToInteger(key.value.payload.real) : key.value.payload.integer;
        const int textField = findField(*object->objectClass, "text");
        const ScriptValue* text = textField >= 0 ? &object->fields[textField] : nullptr;
        const char* chars = text && text->type == kText && text->payload.text ? text->payload.text : "";
        const std::size_t length = std::strlen(chars);
        const std::string character = i >= 0 && static_cast<std::size_t>(i) < length ? std::string(1, chars[i]) : "";
        setObject(engine, out, makeString(engine, character));
        return;
    }
    if (ScriptValue* place = object ? element(*object, key.value) : nullptr)
        valueCopy(engine, out, *place);
    else
        setInteger(engine, out, 0);
}

// The object an index applies to (held keeps it alive when it had to be computed) and the
// index value; the index is evaluated first, so that its side effects cannot move the object.
ScriptObject* Evaluator::indexedObject(int n, Temp& held, Temp& key) {
    if (node(n).right >= 0) evaluate(node(n).right, key.value);
    if (key.value.type == kText) fatal(engine, kModule, kTextIndex);
    ScriptValue* base = node(n).left >= 0 ? storage(node(n).left) : nullptr;
    if (!base && node(n).left >= 0) {
        evaluate(node(n).left, held.value);
        base = &held.value;
    }
    if (!base || base->type != kObject || !base->payload.object || !base->payload.object->objectClass) {
        engine.trace("ERROR: should have Object of class Array\n");
        return nullptr;
    }
    return base->payload.object;
}

// The element an index names: a field named by an object's text, or an element of the array
// field, which grows to hold it.
ScriptValue* Evaluator::element(ScriptObject& object, const ScriptValue& key) {
    if (key.type == kObject) {
        const std::string name = key.payload.object && engine.objects.objectText
                                     ? engine.objects.objectText(engine, *key.payload.object)
                                     : "";
        const int field = findField(*object.objectClass, name);
        return field >= 0 ? &object.fields[field] : nullptr;
    }
    const std::int32_t i = key.type == kFloat ? truncatedToInteger(key.payload.real) : key.payload.integer;
    const int arrayField = findField(*object.objectClass, "array");
    if (arrayField < 0 || i < 0) return nullptr;
    ScriptValue& field = object.fields[arrayField];
    if (field.type != kArray || !field.payload.array) {
        valueRelease(engine, field);
        field.type = kArray;
        field.payload.array = arrayCreate(engine, 0);
    }
    ArrayStore& store = *field.payload.array;
    if (i >= store.count) {
        arrayGrow(engine, store, i + 1);
        if (store.count <= i) return nullptr;  // refused as too large
        const int length = findField(*object.objectClass, "length");
        if (length >= 0) setInteger(engine, object.fields[length], store.count);
    }
    return &store.elements[i];
}

ScriptValue* Evaluator::storage(int n) {
    if (n < 0) return nullptr;
    Token& token = tok(node(n).token);
    switch (token.kind) {
        case T_VARREF:
            return variableValue(engine, token.symbol);
        case T_NAMEDFIELD: {
            ScriptObject* with = withObject();
            const int field = with ? findField(*with->objectClass, token.text ? token.text : "") : -1;
            return field >= 0 ? &with->fields[field] : nullptr;
        }
        case T_OPENSQUARE: {
            if (node(n).left < 0) return nullptr;
            Temp held(engine), key(engine);
            ScriptObject* object = indexedObject(n, held, key);
            // Characters of a text, and elements of an object only this expression held,
            // cannot be assigned to.
            if (!object || held.value.type == kObject || (object->objectClass->flags & kClassIndexByChar))
                return nullptr;
            return element(*object, key.value);
        }
        case T_DOT: {
            Temp holder(engine);
            ScriptObject* object = memberObject(node(n).left, holder);
            const int memberNode = node(n).right;
            if (!object || !object->objectClass || memberNode < 0) {
                engine.trace("Unable to resolve variable or object at JavaScript line %d\n", token.line);
                fatal(engine, kModule, kUnresolvableObject);
            }
            Token& member = tok(node(memberNode).token);
            if (member.kind != T_FIELDNAME) return nullptr;
            const int field = memberIndex(*object->objectClass, member, false);
            // A field of an object only this expression held would vanish with it.
            if (field < 0 || holder.value.type == kObject) return nullptr;
            return &object->fields[field];
        }
        default:
            return nullptr;
    }
}

void Evaluator::callFunction(Symbol& function, int open, ScriptValue& result) {
    pollCancel(engine);
    // Every call takes a frame, so the frames bound the nesting; the count guards the
    // machine's own stack should a malformed body close more frames than it opened.
    if (engine.callDepth >= kFrameCount) limitExceeded(engine, "nested calls", kFrameCount);
    struct Nesting {
        int& depth;
        explicit Nesting(int& d) : depth(++d) {}
        ~Nesting() { --depth; }
    } nesting(engine.callDepth);
    const int declaration = function.declaration;
    if (declaration < 0 || kindAt(declaration) != T_FUNCTION) return;
    const int listOpen = declaration + 2;
    const int listClose = tok(listOpen).link;
    const int body = listClose >= 0 ? listClose + 1 : -1;
    if (kindAt(body) != T_OPENCURLY) return;

    // The parameters, in list order.
    std::vector<Symbol*> parameters;
    for (int i = listOpen + 1; i < listClose; ++i)
        if (kindAt(i) == T_VARREF && tok(i).symbol) parameters.push_back(tok(i).symbol);

    openFrame(engine);
    // Every argument is evaluated before any parameter takes its new slot, so an argument
    // that reads the function's own parameter (a recursive call) sees the caller's value.
    std::vector<int> slots;
    int argument = open >= 0 && kindAt(open) == T_OPENBRACKET ? open + 1 : -1;
    const int close = argument >= 0 ? tok(open).link : -1;
    for (Symbol* parameter : parameters) {
        ScriptValue& slot = pushValue(engine);
        StackEntry& entry = engine.stack.entries[static_cast<std::size_t>(engine.stack.top - 1)];
        entry.symbol = parameter;
        entry.previous = parameter->slot;
        slots.push_back(engine.stack.top - 1);
        if (argument >= 0 && argument < close) {
            const int next = argumentEnd(argument, close);
            Temp value(engine);
            evaluateFrom(argument, value.value);
            valueMove(engine, slot, value.value);
            argument = next < close ? next + 1 : -1;
        }
    }
    for (std::size_t k = 0; k < parameters.size(); ++k) parameters[k]->slot = slots[k];
    executeBlock(engine, body, result);
    closeFrame(engine);
}

}  // namespace

int evaluateExpression(Engine& engine, int token, ScriptValue& result) {
    Evaluator e(engine);
    const auto& tree = e.tree(token);
    const int next = tree.next;
    if (tree.root >= 0)
        e.evaluate(tree.root, result);
    else
        valueRelease(engine, result), result.type = kVoid;
    return next;
}

void evaluateBracket(Engine& engine, int open, ScriptValue& result) {
    Evaluator e(engine);
    const auto& tree = e.bracketTree(open);
    if (tree.root >= 0)
        e.evaluate(tree.root, result);
    else
        valueRelease(engine, result), result.type = kVoid;
}

void callScriptFunction(Engine& engine, Symbol& function, int argumentsOpen, ScriptValue& result) {
    Evaluator(engine).callFunction(function, argumentsOpen, result);
}

void clearExpressions(Engine& engine) { *engine.expressions = ExpressionCache{}; }

}  // namespace kestrel::script
