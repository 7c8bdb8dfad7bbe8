// Whole small scripts run through the engine: expressions, statements, calls, the core
// classes, fatal errors, limits and interruption, and a clean leak report after each.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "script_runner.h"

namespace kestrel::script {

TEST(ScriptRun, ArithmeticFollowsTheLeftOperandsTypeAndTwoBindingLevels) {
    ScriptRunner r(
        "x = 2 * 1.5; y = 1.5 * 2; z = 7 / 2; w = 1 < 2 + 3; u = -8 >>> 1; v = -8 >> 1;\n"
        "a = 10 - 2 - 3; b = 12 / 2 / 3; c = 2 + 3 * 4; d = -2 * 3; e = 7 % 3; f = !0 == 1;");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.stoppedBy;
    EXPECT_EQ(r.integer("x"), 3);
    EXPECT_EQ(r.global("y").type, kFloat);
    EXPECT_EQ(r.global("y").payload.real, 3.0f);
    EXPECT_EQ(r.integer("z"), 3);
    EXPECT_EQ(r.integer("w"), 4);
    EXPECT_EQ(r.integer("u"), 2147483644);
    EXPECT_EQ(r.integer("v"), -4);
    EXPECT_EQ(r.integer("a"), 5);
    EXPECT_EQ(r.integer("b"), 2);
    EXPECT_EQ(r.integer("c"), 14);
    EXPECT_EQ(r.integer("d"), -6);
    EXPECT_EQ(r.integer("e"), 1);
    EXPECT_EQ(r.integer("f"), 1);
    EXPECT_TRUE(r.unloadsClean());
}

TEST(ScriptRun, StringsConcatenateBothWaysAndAllCompareEqual) {
    ScriptRunner r("s = \"a\" + 1; t = 1 + \"a\"; u = \"x\" + 1.5; if (\"abc\" == \"xyz\") same = 1; else same = 2;");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.stoppedBy;
    EXPECT_EQ(r.text("s"), "a1");
    EXPECT_EQ(r.text("t"), "1a");
    EXPECT_EQ(r.text("u"), "x1.500000");
    EXPECT_EQ(r.integer("same"), 1);
    EXPECT_TRUE(r.unloadsClean());
}

TEST(ScriptRun, StatementsLoopAndBranch) {
    ScriptRunner r(
        "var s = 0; var i = 0; while (i < 3) { s += i; i++; }\n"
        "n = 0; for (j = 0; j < 3; j++) { if (j == 1) continue; n++; }\n"
        "if (0) a = 1; else a = 2;\n"
        "1 + 2;\n"
        "k = 0; do { k++; if (k == 5) break; } while (k < 10);\n"
        "m = 0; for (;;) { m++; if (m < 3) continue; break; }\n"
        "p = 0; for (q = 0;; q++) { if (q == 4) break; p++; }\n"
        "called = 0; function f() { called = 1; return 1; } r = 0 && f();");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.stoppedBy;
    EXPECT_EQ(r.integer("s"), 3);
    EXPECT_EQ(r.integer("n"), 2);
    EXPECT_EQ(r.integer("a"), 2);
    EXPECT_EQ(r.integer("k"), 5);
    EXPECT_EQ(r.integer("m"), 3);  // an empty condition is always true
    EXPECT_EQ(r.integer("p"), 4);
    EXPECT_EQ(r.integer("called"), 1);
    EXPECT_EQ(r.integer("r"), 0);
    EXPECT_EQ(r.engine->frames.depth, 0);  // break and continue left no frame open
    EXPECT_TRUE(r.unloadsClean());
}

TEST(ScriptRun, FunctionsTakeArgumentsRecurseAndReturn) {
    ScriptRunner r(
        "function fact(n) { if (n <= 1) return 1; return n * fact(n - 1); }\n"
        "function add(a, b) { var s = a + b; return s; }\n"
        "x = fact(5); y = add(2, 3) + add(1, 1);");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.stoppedBy;
    EXPECT_EQ(r.integer("x"), 120);
    EXPECT_EQ(r.integer("y"), 7);
    EXPECT_EQ(r.engine->stack.top, r.engine->symbols.globals);
    const auto called = callFunction(*r.engine, "add");
    ASSERT_TRUE(called);
    EXPECT_TRUE(called->completed);
    EXPECT_FALSE(callFunction(*r.engine, "nothing"));
    EXPECT_TRUE(r.unloadsClean());
}

// Functions are known from their declaration on; calling one earlier does nothing, and the
// user hears of it without the trace.
TEST(ScriptRun, ACallBeforeTheFunctionsDefinitionIsReported) {
    ScriptRunner r(
        "n = 0;\n"
        "early();\n"
        "function outer() { inner(); unknown(); }\n"
        "function inner() { n = 7; }\n"
        "function early() { n = 5; }\n"
        "outer(); early();\n");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.stoppedBy;
    EXPECT_EQ(r.integer("n"), 5);  // only the call after the definition ran
    ASSERT_EQ(r.engine->warnings.size(), 2u);
    EXPECT_EQ(r.engine->warnings[0].line, 2);
    EXPECT_EQ(r.engine->warnings[0].message,
              "'early' is called before the function is defined (line 5), so the call does nothing");
    EXPECT_EQ(r.engine->warnings[1].line, 3);
    EXPECT_NE(r.engine->warnings[1].message.find("'inner'"), std::string::npos);
    EXPECT_TRUE(r.unloadsClean());

    ScriptRunner clean("function f() { return 1; } x = f();");
    EXPECT_TRUE(clean.engine->warnings.empty());
}

TEST(ScriptRun, ArraysGrowAndForInWalksElementsCharactersAndFields) {
    ScriptRunner r(
        "a = [1, 2, 3]; a[5] = 1; n = a.length; e = a[4];\n"
        "sum = 0; for (i in a) sum += i;\n"
        "chars = 0; s = \"abcd\"; for (c in s) chars++;\n"
        "b = new Boolean(1); names = \"\"; for (f in b) names = names + f;\n"
        "base_io.writeln(n, 1.5);");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.stoppedBy;
    EXPECT_EQ(r.integer("n"), 6);
    EXPECT_EQ(r.integer("e"), 0);
    EXPECT_EQ(r.integer("sum"), 0 + 1 + 2 + 3 + 4 + 5);
    EXPECT_EQ(r.integer("chars"), 4);
    EXPECT_EQ(r.text("names"), "value");
    EXPECT_EQ(r.out, "6\n1.500000\n");
    EXPECT_TRUE(r.unloadsClean());
}

// The collection of a for-in loop is evaluated once, when the loop starts, and held until the
// loop is left, however it is left.
TEST(ScriptRun, ForInEvaluatesItsCollectionOnceAndWalksIt) {
    ScriptRunner r(
        "calls = 0; function make() { calls++; return [10, 20, 30]; }\n"
        "seen = 0; last = -1; for (i in make()) { seen++; last = i; }\n"
        "early = 0; for (i in make()) { if (i == 1) break; early++; }\n"
        "none = 0; e = new Array(); v = 5; for (v in e) none++;");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.reason;
    EXPECT_EQ(r.integer("calls"), 2);  // once per loop, not once per pass
    EXPECT_EQ(r.integer("seen"), 3);
    EXPECT_EQ(r.integer("last"), 2);
    EXPECT_EQ(r.integer("early"), 1);
    EXPECT_EQ(r.integer("none"), 0);
    EXPECT_EQ(r.integer("v"), 0);  // the loop variable starts at 0 even when nothing is walked
    EXPECT_TRUE(r.unloadsClean());
}

// A held collection counts as one more holder of its object: once the loop is left, however
// it is left, the variable is the object's only holder again. writeln marks the moments to look.
TEST(ScriptRun, LeavingAForInLetsGoOfItsCollection) {
    std::vector<std::int32_t> holders;
    ScriptRunner r(
        "a = [1, 2, 3];\n"
        "for (i in a) { if (i == 1) break; } base_io.writeln(1);\n"
        "for (i in a) { } base_io.writeln(2);\n"
        "function first(c) { var j; for (j in c) { return j + 7; } return -1; }\n"
        "f = first(a); base_io.writeln(f);\n"
        "k = 0; while (k < 30) { for (i in a) { if (i == 1) break; } k++; }",
        {}, [&holders](const ScriptRunner& run) {
            const ScriptValue& a = run.global("a");
            holders.push_back(a.type == kObject ? a.payload.object->refcount : -1);
        });
    ASSERT_TRUE(r.outcome.completed) << r.outcome.reason;
    EXPECT_EQ(r.out, "1\n2\n7\n");
    EXPECT_EQ(holders, (std::vector<std::int32_t>{1, 1, 1}));  // after break, the end, return
    EXPECT_EQ(r.integer("k"), 30);                             // thirty loops left by break
    EXPECT_EQ(r.global("a").payload.object->refcount, 1);
    EXPECT_EQ(r.engine->stack.top, r.engine->symbols.globals);
    EXPECT_TRUE(r.unloadsClean());

    ScriptRunner failed("a = [1, 2, 3]; s = \"t\"; x = 1; j = 0; for (i in a) { for (j in s) { x = x / 0; } }");
    EXPECT_FALSE(failed.outcome.completed);
    EXPECT_TRUE(failed.trace.contains("division by zero"));
    EXPECT_TRUE(failed.unloadsClean());
}

// Each running loop has its own collection and its own count of passes: inner loops, and the
// same loop in a function that calls itself, leave the outer walk where it was.
TEST(ScriptRun, NestedAndRecursiveForInLoopsKeepTheirOwnCollections) {
    ScriptRunner r(
        "calls = 0; function make() { calls++; return [10, 20, 30]; }\n"
        "pairs = 0; code = 0; j = 0; for (i in [5, 6]) { for (j in make()) { pairs++; code = code * 10 + i * 3 + j; } "
        "}\n"
        "made = calls; calls = 0; visits = 0;\n"
        "function walk(d) { for (var w in make()) { if (d > 0) walk(d - 1); visits++; } }\n"
        "walk(2);");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.reason;
    EXPECT_EQ(r.integer("made"), 2);  // the inner collection once per outer pass
    EXPECT_EQ(r.integer("pairs"), 6);
    EXPECT_EQ(r.integer("code"), 12345);  // i*3 + j runs 0, 1, 2, 3, 4, 5
    EXPECT_EQ(r.integer("calls"), 1 + 3 + 9);
    EXPECT_EQ(r.integer("visits"), 3 + 9 + 27);
    EXPECT_TRUE(r.unloadsClean());
}

TEST(ScriptRun, CoreClassesWorkFromScripts) {
    ScriptRunner r(
        "x = new Array(1, 2, 3); p = x.pop(); len = x.length;\n"
        "a = new Array(); a.push(5); u = a.unshift(4); j = a.join();\n"
        "q = new Array(1, 2, 3, 4); removed = q.splice(1, 2); left = q.join(); taken = removed.join();\n"
        "sl = \"abcdef\".slice(1, -2); pi = Math.PI;\n"
        "s = \"ab\"; t = s; b = new Boolean(1); c = b;");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.stoppedBy;
    EXPECT_EQ(r.integer("p"), 3);
    EXPECT_EQ(r.integer("len"), 2);
    EXPECT_EQ(r.integer("u"), 2);
    EXPECT_EQ(r.text("j"), "4,5");
    EXPECT_EQ(r.text("left"), "1,4");
    EXPECT_EQ(r.text("taken"), "2,3");
    EXPECT_EQ(r.text("sl"), "bcd");
    EXPECT_EQ(r.global("pi").payload.real, 3.14159f);
    EXPECT_NE(r.global("s").payload.object, r.global("t").payload.object);  // copy on assignment
    EXPECT_EQ(r.global("b").payload.object, r.global("c").payload.object);  // shared
    EXPECT_TRUE(r.unloadsClean());
}

TEST(ScriptRun, FatalErrorsEndTheRunAndReleaseEverything) {
    ScriptRunner member("a = 5; a.b = 1;");
    EXPECT_FALSE(member.outcome.completed);
    EXPECT_EQ(member.outcome.stoppedBy, "Express 48");
    EXPECT_TRUE(member.trace.contains("EXCEPTION THROWN at Express line 48\n"));
    EXPECT_TRUE(member.unloadsClean());

    ScriptRunner division("s = \"kept\"; x = 1;\nx = x / 0;");
    EXPECT_FALSE(division.outcome.completed);
    EXPECT_TRUE(division.trace.contains("division by zero at line 2"));
    EXPECT_TRUE(division.unloadsClean());

    ScriptRunner deep("function r(n) { return r(n + 1); } r(1);");
    EXPECT_FALSE(deep.outcome.completed);
    EXPECT_TRUE(deep.outcome.stoppedBy.starts_with("limit")) << deep.outcome.stoppedBy;
    EXPECT_TRUE(deep.trace.contains("too many"));
    EXPECT_TRUE(deep.unloadsClean());

    ScriptRunner unknownClass("b = new Boolean(1);\nx = new Nothing();");
    EXPECT_FALSE(unknownClass.outcome.completed);
    EXPECT_EQ(unknownClass.outcome.stoppedBy, "Express 983");
    EXPECT_NE(unknownClass.outcome.reason.find("unknown class 'Nothing' at line 2"), std::string::npos)
        << unknownClass.outcome.reason;
    EXPECT_TRUE(unknownClass.unloadsClean());

    ScriptRunner inFunction("function f() { y = new Missing(1); } f();");
    EXPECT_FALSE(inFunction.outcome.completed);
    EXPECT_NE(inFunction.outcome.reason.find("unknown class 'Missing' at line 1"), std::string::npos)
        << inFunction.outcome.reason;
    EXPECT_TRUE(inFunction.unloadsClean());

    ScriptRunner preparse("x = 1; y in z;");
    EXPECT_FALSE(preparse.outcome.completed);
    EXPECT_EQ(preparse.engine->stack.top, 0);
    EXPECT_TRUE(preparse.unloadsClean());
}

TEST(ScriptRun, AnEndlessLoopCanBeInterrupted) {
    int polls = 0;
    ScriptRunner r("s = \"x\"; n = 0; while (1) { n++; }", [&polls] { return ++polls > 3; });
    EXPECT_FALSE(r.outcome.completed);
    EXPECT_EQ(r.outcome.stoppedBy, "interrupted 0");
    EXPECT_TRUE(r.trace.contains("script interrupted"));
    EXPECT_EQ(polls, 4);
    EXPECT_TRUE(r.unloadsClean());
}

TEST(ScriptRun, PushingThousandsKeepsEveryValueAndFreesThemAll) {
    ScriptRunner r(
        "var a = []; var i = 0; while (i < 5000) { a.push(i, \"t\"); i++; }"
        "n = a.length; last = a[9998]; text = a[9999]; u = a.unshift(7); first = a[0];");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.reason;
    EXPECT_EQ(r.integer("n"), 10000);
    EXPECT_EQ(r.integer("last"), 4999);
    EXPECT_EQ(r.text("text"), "t");
    EXPECT_EQ(r.integer("u"), 10001);
    EXPECT_EQ(r.integer("first"), 7);
    EXPECT_TRUE(r.unloadsClean());
}

}  // namespace kestrel::script

namespace {

TEST(ScriptRun, AStopFlagEndsTheRunWithinOnePassOfItsLoop) {
    // However slow each pass, the flag is seen at the next jump: the third line printed is the last.
    std::atomic<bool> stop{false};
    int printed = 0;
    const std::string program = "n = 0; while (1) { n++; base_io.writeln(n); }";
    auto engine = std::make_unique<kestrel::script::Engine>();
    engine->stopFlag = &stop;
    engine->objects.standardOutput = [&](std::string_view) {
        if (++printed == 3) stop = true;
    };
    const auto outcome = kestrel::script::runScript(*engine, program);
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(outcome.stoppedBy, "interrupted 0");
    EXPECT_EQ(printed, 3);
    kestrel::script::unloadScript(*engine);
}

}  // namespace

namespace {

TEST(ScriptRun, MemoryPastTheLimitEndsTheRunLikeTheOtherLimits) {
    auto engine = std::make_unique<kestrel::script::Engine>();
    engine->memory.limit = 1 << 20;
    const auto outcome = kestrel::script::runScript(*engine, "var s = \"x\"; while (1) { s = s + s; }");
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(outcome.stoppedBy, "limit memory");
    EXPECT_NE(outcome.reason.find("too much memory in use (limit is 1048576 bytes)"), std::string::npos)
        << outcome.reason;
    EXPECT_LE(engine->memory.peakBytes(), 1u << 20);
    // The engine is usable again: the next run starts from nothing.
    const auto again = kestrel::script::runScript(*engine, "n = 1;");
    EXPECT_TRUE(again.completed) << again.reason;
    kestrel::script::unloadScript(*engine);
}

}  // namespace

namespace kestrel::script {

// An integer on the left takes a float on the right truncated, then adds it as an integer.
TEST(ScriptRun, AnIntegerPlusAFloatTruncatesTheFloatFirst) {
    ScriptRunner r("a = 1 + -0.5; b = 16777217 + 0.25; c = -3 + 2.75; d = 1.5 + 1;");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.reason;
    EXPECT_EQ(r.integer("a"), 1);
    EXPECT_EQ(r.integer("b"), 16777217);  // exact: no trip through a float
    EXPECT_EQ(r.integer("c"), -1);
    EXPECT_EQ(r.real("d"), 2.5f);  // a float on the left stays a float
    EXPECT_TRUE(r.unloadsClean());
}

// The quick paths for integers read in place keep the general rules' order and results: the
// left side of "+=" is read before the right side runs, a variable holding a float or text
// still converts, and a wrapped product stays 32-bit.
TEST(ScriptRun, IntegerQuickPathsKeepTheGeneralRules) {
    ScriptRunner r(
        "var s = 1; s += (s = 5); var f = 1.5; var g = 2 * f; var t = \"4\"; var u = t * 2; "
        "var big = 65536 * 65536; var k = 7; var m = k < 10; var n = 3; n -= n * 2;");
    ASSERT_TRUE(r.outcome.completed) << r.outcome.reason;
    EXPECT_EQ(r.integer("s"), 6);
    EXPECT_EQ(r.integer("g"), 3);  // a float operand takes the general rules, not the integer path
    EXPECT_EQ(r.integer("big"), 0);
    EXPECT_EQ(r.integer("m"), 1);
    EXPECT_EQ(r.integer("n"), -3);
    EXPECT_TRUE(r.unloadsClean());
}

// Twenty-one nested with statements without braces pass the with-stack's limit: the run stops
// at once with the limit's message, however the statements end.
TEST(ScriptRun, TwentyOneNestedWithsStopAtTheLimit) {
    std::string program = "o = new Array(1, 2);\n";
    std::string twenty = program;
    for (int i = 0; i < 21; ++i) program += "with (o) ";
    for (int i = 0; i < 20; ++i) twenty += "with (o) ";
    program += "length;\n";
    twenty += "length;\n";
    ScriptRunner over(program);
    EXPECT_FALSE(over.outcome.completed);
    EXPECT_TRUE(over.trace.contains("too many with statements (limit is 20)\n")) << over.outcome.reason;
    EXPECT_TRUE(over.unloadsClean());
    ScriptRunner at(twenty);
    EXPECT_TRUE(at.outcome.completed) << at.outcome.reason;
    EXPECT_TRUE(at.unloadsClean());
}

}  // namespace kestrel::script
