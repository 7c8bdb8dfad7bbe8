#include "script/express_build.h"

#include "script/engine.h"

namespace kestrel::script {

namespace {

class TreeBuilder {
public:
    TreeBuilder(Engine& target, ExpressionCache& trees) : engine(target), cache(trees) {}

    int newNode(int token) {
        cache.nodes.push_back(
            {token, classify(kindAt(token)), integerOpOf(kindAt(token) & ~kCompoundAssignment), -1, -1});
        return static_cast<int>(cache.nodes.size()) - 1;
    }

    static IntegerOp integerOpOf(std::uint32_t kind) {
        switch (kind) {
            case T_PLUS:
                return IntegerOp::Add;
            case T_MINUS:
                return IntegerOp::Subtract;
            case T_TIMES:
                return IntegerOp::Multiply;
            case T_LESS:
                return IntegerOp::Less;
            case T_GREATER:
                return IntegerOp::Greater;
            case T_LESSEQUAL:
                return IntegerOp::LessEqual;
            case T_GREATEREQUAL:
                return IntegerOp::GreaterEqual;
            case T_EQUAL:
                return IntegerOp::Equal;
            case T_NOTEQUAL:
                return IntegerOp::NotEqual;
            default:
                return IntegerOp::None;
        }
    }

    static NodeOp classify(std::uint32_t kind) {
        switch (kind) {
            case T_NUMBER:
                return NodeOp::Number;
            case T_REAL:
                return NodeOp::Real;
            case T_VARREF:
                return NodeOp::Variable;
            case T_EQUAL:
            case T_NOTEQUAL:
            case T_LESS:
            case T_GREATER:
            case T_LESSEQUAL:
            case T_GREATEREQUAL:
                return NodeOp::Compare;
            case T_ASSIGN:
                return NodeOp::Assign;
            case T_DOT:
            case T_NEW:
            case T_OPENSQUARE:
                return NodeOp::Other;
            default:
                break;
        }
        if (kind & kCompoundAssignment) return NodeOp::Assign;
        if (isBinary(kind)) return NodeOp::Binary;
        if ((kind & ~kPostfix) == T_INCREMENT || (kind & ~kPostfix) == T_DECREMENT) return NodeOp::Step;
        return NodeOp::Other;
    }

    // The operand after a call's name steps over its argument list.
    int afterOperand(int i) {
        const std::uint32_t k = kindAt(i);
        const bool takesArguments = k == T_FUNCREF || k == T_METHODNAME || k == T_NAMEDMETHOD || k == T_CLASSNAME;
        if (takesArguments && kindAt(i + 1) == T_OPENBRACKET && tok(i + 1).link > i + 1) return tok(i + 1).link + 1;
        return i + 1;
    }

    // Where an operand sits: in the root, or on one side of a node. Kept as (node, side)
    // because the node arena grows while a tree is built.
    struct Slot {
        int owner = -1;  // -1: the root
        bool left = false;
    };

    // Builds from token start until the expression ends or the close token is reached.
    // Loose operators take the whole tree so far (an assignment's right side when the root
    // assigns); tight ones take the current term, so that both levels group from the left;
    // ".", "[" and postfix operators take the latest primary expression.
    std::pair<int, int> build(int start, int close) {
        int root = -1;
        Slot expectAt, primaryAt, termAt;
        bool expecting = true;
        auto ref = [&](const Slot& s) -> int& {
            if (s.owner < 0) return root;
            return s.left ? node(s.owner).left : node(s.owner).right;
        };
        auto place = [&](int n) {
            ref(expectAt) = n;
            const std::uint32_t ownerKind = expectAt.owner >= 0 ? kindAt(node(expectAt.owner).token) : T_END;
            if (ownerKind != T_DOT) {
                primaryAt = expectAt;
                if (!(isBinary(ownerKind) && isTight(ownerKind))) termAt = expectAt;
            }
            expecting = false;
        };
        int i = start;
        while (i != close) {
            const std::uint32_t k = kindAt(i);
            if (k == T_END || k == T_CLOSEBRACKET || k == T_CLOSESQUARE) break;
            if (isOperand(k)) {
                if (!expecting) break;
                place(newNode(i));
                i = afterOperand(i);
            } else if (k == T_OPENBRACKET) {
                if (!expecting) break;
                const int end = tok(i).link;
                // "()" holds no operand: the expression ends there, still expecting one.
                const int inner = build(i + 1, end).first;
                if (inner < 0) break;
                place(inner);
                i = end > i ? end + 1 : i + 1;
            } else if (k == T_OPENSQUARE) {
                const int end = tok(i).link;
                const int n = newNode(i);
                if (expecting) {  // an array literal: its elements are read at run time
                    place(n);
                } else {  // an index of the latest primary expression
                    node(n).left = ref(primaryAt);
                    ref(primaryAt) = n;
                    node(n).right = build(i + 1, end).first;
                }
                i = end > i ? end + 1 : i + 1;
            } else if (isPostfix(k)) {
                if (expecting) break;
                const int n = newNode(i);
                node(n).right = ref(primaryAt);
                ref(primaryAt) = n;
                ++i;
            } else if (isPrefix(k)) {
                if (!expecting) break;
                const int n = newNode(i);
                ref(expectAt) = n;
                expectAt = {n, false};
                ++i;
            } else if (isBinary(k)) {
                if (expecting) break;
                const int n = newNode(i);
                if (k == T_DOT) {
                    node(n).left = ref(primaryAt);
                    ref(primaryAt) = n;
                } else if (isTight(k)) {
                    node(n).left = ref(termAt);
                    ref(termAt) = n;
                } else if (root >= 0 && isAssignment(kindAt(node(root).token))) {
                    int owner = root;
                    while (node(owner).right >= 0 && isAssignment(kindAt(node(node(owner).right).token)))
                        owner = node(owner).right;
                    node(n).left = node(owner).right;
                    node(owner).right = n;
                } else {
                    node(n).left = root;
                    root = n;
                }
                expectAt = {n, false};
                expecting = true;
                ++i;
            } else {
                break;
            }
        }
        return {root, i};
    }

private:
    Token& tok(int i) { return engine.program.tokens[static_cast<std::size_t>(i)]; }
    std::uint32_t kindAt(int i) { return i >= 0 && i < kTokenStoreSize ? tok(i).kind : T_END; }
    ExpressionNode& node(int n) { return cache.nodes[static_cast<std::size_t>(n)]; }

    Engine& engine;
    ExpressionCache& cache;
};

}  // namespace

std::pair<int, int> buildExpression(Engine& engine, ExpressionCache& cache, int start, int close) {
    return TreeBuilder(engine, cache).build(start, close);
}

}  // namespace kestrel::script
