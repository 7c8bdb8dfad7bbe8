#pragma once
// The expression evaluator: builds a small tree from the tokens of an expression, with two
// binding levels (tight operators take the latest operand, loose ones the whole tree so far),
// and evaluates it into a value. Trees depend on the tokens alone, so each is built once per
// run and kept until the script is unloaded.
#include <cstdint>
#include <memory>
#include <vector>

#include "script/variable.h"

namespace kestrel::script {

struct Engine;
struct Symbol;

// What a node does, decided once when its tree is built.
enum class NodeOp : std::uint8_t { Number, Real, Variable, Binary, Compare, Assign, Step, Other };
// The operation of an operator node on two integers, for the common case.
enum class IntegerOp : std::uint8_t {
    None,
    Add,
    Subtract,
    Multiply,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Equal,
    NotEqual
};

struct ExpressionNode {
    int token = -1;
    NodeOp op = NodeOp::Other;
    IntegerOp integerOp = IntegerOp::None;  // for compound assignments, their operator's
    int left = -1;                          // operand1: the left operand, or the indexed expression
    int right = -1;                         // operand2: the right operand, the index, or a unary operator's operand
};

// Every tree built in this run, by the token it starts at.
struct ExpressionCache {
    std::vector<ExpressionNode> nodes;
    struct Tree {
        int root = -1;
        int next = -1;  // the token after the expression
        bool built = false;
    };
    // Sized to kTreeSlots when first used: an engine that runs nothing makes no room.
    std::vector<Tree> byToken;                       // by start token
    std::vector<Tree> byBracket;                     // the contents of "(" at it
    static constexpr std::size_t kTreeSlots = 1000;  // one per token of the store
};

// Evaluates the expression that starts at token into result (released first) and returns the
// token after it.
int evaluateExpression(Engine& engine, int token, ScriptValue& result);
// Evaluates the contents of the bracket that opens at token.
void evaluateBracket(Engine& engine, int open, ScriptValue& result);
// Runs a script function: its parameters get the arguments of the list opening at "(" (or none
// when argumentsOpen is -1), then its body runs.
void callScriptFunction(Engine& engine, Symbol& function, int argumentsOpen, ScriptValue& result);
// Truth as the engine sees it: a non-zero payload word, whatever the type.
inline bool isTrue(const ScriptValue& v) {
    switch (v.type) {
        case kFloat:
            return v.payload.integer != 0;  // the float's bits: -0.0 is true
        case kText:
            return v.payload.text != nullptr;
        case kObject:
            return v.payload.object != nullptr;
        case kArray:
            return v.payload.array != nullptr;
        default:
            return v.payload.integer != 0;
    }
}
// Forgets every tree (when the script is unloaded).
void clearExpressions(Engine& engine);

}  // namespace kestrel::script
