#pragma once
// Building an expression's tree from its tokens (the first half of the evaluator: trees are
// built once per run and kept), and the token-kind tests both halves use.
#include <cstdint>
#include <utility>

#include "script/Express.h"
#include "script/tokenise.h"

namespace kestrel::script {

inline bool isOperand(std::uint32_t kind) {
    switch (kind) {
        case T_NUMBER:
        case T_REAL:
        case T_STRING:
        case T_TRUE:
        case T_FALSE:
        case T_VARREF:
        case T_FUNCREF:
        case T_CLASSNAME:
        case T_METHODNAME:
        case T_FIELDNAME:
        case T_NAMEDFIELD:
        case T_NAMEDMETHOD:
            return true;
        default:
            return false;
    }
}

inline bool isPrefix(std::uint32_t kind) { return (kind & kPrefixOperator) && !(kind & kPostfix); }
inline bool isPostfix(std::uint32_t kind) { return (kind & kPostfix) && (kind & kPrefixOperator); }
inline bool isBinary(std::uint32_t kind) { return (kind & kBinaryOperator) && !(kind & kPrefixOperator); }
inline bool isTight(std::uint32_t kind) { return kind & kTightBinding; }
inline bool isAssignment(std::uint32_t kind) { return kind == T_ASSIGN || (kind & kCompoundAssignment); }

// Builds the tree of the expression from token start until it ends or the close token is
// reached, into the cache's node arena. Loose operators take the whole tree so far (an
// assignment's right side when the root assigns); tight ones take the current term, so that
// both levels group from the left; ".", "[" and postfix operators take the latest primary
// expression. Returns the root (-1: no operand) and the token after the expression.
std::pair<int, int> buildExpression(Engine& engine, ExpressionCache& cache, int start, int close);

}  // namespace kestrel::script
