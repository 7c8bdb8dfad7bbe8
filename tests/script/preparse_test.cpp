// The pre-parser over whole small programs: symbols and their unique names, resolved names,
// inferred types, control-flow links, the limits, and the trace lines users see.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "script/dump.h"
#include "script/engine.h"

namespace kestrel::script {
namespace {

struct Parsed {
    CollectTrace trace;  // outlives the engine, which traces as it unloads
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
    PreParseEnd end = PreParseEnd::Complete;

    explicit Parsed(std::string_view program) {
        engine->trace.setSink(&trace);
        if (!tokeniseProgram(*engine, program)) {
            end = PreParseEnd::Fatal;
            return;
        }
        end = preParse(*engine);
    }
    const Token& token(int i) const { return engine->program.tokens[static_cast<std::size_t>(i)]; }
    // The index of the n-th token (from 0) of the kind.
    int find(std::uint32_t kind, int n = 0) const {
        for (int i = 0; i < kTokenStoreSize && token(i).kind != T_END; ++i)
            if (token(i).kind == kind && n-- == 0) return i;
        return -1;
    }
    const Symbol* symbol(std::string_view name) const { return findSymbol(*engine, name); }
    std::string signature(std::string_view name) const {
        const Symbol* s = symbol(name);
        return s ? s->signature.data() : "<none>";
    }
};

}  // namespace

TEST(PreParse, ScopedVariablesGetUniqueNamesAndGlobalsSlots) {
    Parsed p("var a; function f(x) { var a; a = x; }");
    ASSERT_EQ(p.end, PreParseEnd::Complete);
    ASSERT_TRUE(p.symbol("a"));
    EXPECT_EQ(p.symbol("a")->flags, kSymbolGlobal);
    EXPECT_EQ(p.symbol("a")->slot, 0);
    ASSERT_TRUE(p.symbol("_f_x"));
    EXPECT_EQ(p.symbol("_f_x")->flags, kSymbolParameter);
    ASSERT_TRUE(p.symbol("_f_a1"));
    EXPECT_EQ(p.symbol("_f_a1")->flags, kSymbolLocal);
    EXPECT_TRUE(p.trace.contains("WARNING: Variable a declared at line 1 is hidden by declaration at line 1\n"));
    // "a = x;" inside f: both resolve to f's own symbols.
    const int assign = p.find(T_ASSIGN);
    EXPECT_EQ(p.token(assign - 1).symbol, p.symbol("_f_a1"));
    EXPECT_EQ(p.token(assign + 1).symbol, p.symbol("_f_x"));
    EXPECT_EQ(p.engine->stack.top, 1);  // one global
    EXPECT_EQ(p.engine->frames.depth, 0);
}

TEST(PreParse, UnknownNamesAreGlobalsAtTopLevelAndFieldsInsideFunctions) {
    Parsed p("x = 5; function g() { y = 2; h(); o.x = 1; o.m(); }");
    ASSERT_EQ(p.end, PreParseEnd::Complete);
    ASSERT_TRUE(p.symbol("x"));
    EXPECT_EQ(p.symbol("x")->flags, kSymbolGlobal);
    EXPECT_EQ(p.token(p.find(T_NAMEDFIELD)).text, std::string("y"));
    EXPECT_TRUE(p.trace.contains("WARNING: unknown variable 'y' refferanced at line 1 - treating as a T_NAMEDFIELD\n"));
    EXPECT_EQ(p.token(p.find(T_NAMEDMETHOD)).text, std::string("h"));
    EXPECT_TRUE(
        p.trace.contains("WARNING: undefined function 'h' refferanced at line 1 - treating as a T_NAMEDMETHOD\n"));
    // A member keeps its name even where a variable of that name exists.
    EXPECT_EQ(p.token(p.find(T_FIELDNAME)).text, std::string("x"));
    EXPECT_EQ(p.token(p.find(T_METHODNAME)).text, std::string("m"));
    EXPECT_EQ(p.find(T_CLASSNAME), -1);  // no class names in this program
}

TEST(PreParse, CoreClassesResolveAndLiteralsBecomeValues) {
    Parsed p("var s = new String(\"x\"); Math.PI; n = 0x1f + 12 + 1.5;");
    ASSERT_EQ(p.end, PreParseEnd::Complete);
    ASSERT_GE(p.find(T_CLASSNAME, 1), 0);
    EXPECT_STREQ(p.token(p.find(T_CLASSNAME, 0)).objectClass->name, "String");
    EXPECT_STREQ(p.token(p.find(T_CLASSNAME, 1)).objectClass->name, "Math");
    EXPECT_EQ(p.token(p.find(T_FIELDNAME)).text, std::string("PI"));
    EXPECT_EQ(p.token(p.find(T_NUMBER, 0)).number, 31);
    EXPECT_EQ(p.token(p.find(T_NUMBER, 1)).number, 12);
    EXPECT_EQ(p.token(p.find(T_REAL)).real, 1.5f);
    EXPECT_EQ(p.token(p.find(T_NUMBER)).text, nullptr);  // the text was freed
}

TEST(PreParse, TheFirstCallFixesParameterTypesAndReturnTheResult) {
    Parsed p("function f(a, b) { return 3; }\nf(1.5, \"s\");\nf(1, 2);\nvar n; n += 2.5;");
    ASSERT_EQ(p.end, PreParseEnd::Complete);
    EXPECT_EQ(p.signature("f"), "I:FS");
    EXPECT_EQ(p.signature("_f_a"), "F");
    EXPECT_EQ(p.signature("_f_b"), "S");
    EXPECT_TRUE(p.trace.contains("FUNCTION: f type=?:??\n"));
    EXPECT_TRUE(p.trace.contains(" resolved type=?:FS\n"));
    EXPECT_EQ(p.signature("n"), "F");  // a compound assignment types an untyped variable
}

TEST(PreParse, MinusIsNegationOnlyWhereNoOperandEndsBeforeIt) {
    Parsed p("a - 1; 1.5 - 1; v[0] - 1; (- 1); b = -1; f() - 1;");
    ASSERT_EQ(p.end, PreParseEnd::Complete);
    int binary = 0, negate = 0;
    for (int i = 0; p.token(i).kind != T_END; ++i) {
        binary += p.token(i).kind == T_MINUS;
        negate += p.token(i).kind == T_NEGATE;
    }
    EXPECT_EQ(binary, 4);
    EXPECT_EQ(negate, 2);
}

TEST(PreParse, LoopsAndConditionsAreLinked) {
    //                0     1 2 3 4 5 6     7 8 9  10 11 12 13
    Parsed p(
        "while (i) { if (j) break; else continue; }\n"
        "do { i--; } while (i);\n"
        "for (i = 0; i < 3; i++) k = i;\n"
        "c = i ? 1 : 2;");
    ASSERT_EQ(p.end, PreParseEnd::Complete) << dumpTokens(*p.engine);
    const int loop = p.find(T_WHILELOOP);
    ASSERT_EQ(loop, 0);
    const int close = p.find(T_LOOPEND_CURLY);
    EXPECT_EQ(p.token(close).link, loop);
    EXPECT_EQ(p.token(loop).link, close + 1);
    const int ifToken = p.find(T_IF);
    EXPECT_EQ(p.token(ifToken).link, p.find(T_ELSE));
    EXPECT_EQ(p.token(p.find(T_BREAK)).link, close + 1);
    EXPECT_EQ(p.token(p.find(T_CONTINUE)).link, close);

    const int doToken = p.find(T_DO);
    const int doWhile = p.find(T_DOWHILE);
    ASSERT_GT(doWhile, doToken);
    EXPECT_EQ(p.token(doWhile).link, doToken + 1);
    EXPECT_EQ(p.token(doToken + 3).kind, T_DECREMENT | kPostfix);  // "i--"

    const int test = p.find(T_LOOPTEST);
    ASSERT_GE(test, 0);
    const int forToken = p.find(T_FOR);
    EXPECT_EQ(p.token(forToken + 1).kind, T_SEMICOLON);  // "(" became ";"
    const int body = p.token(test).link;
    EXPECT_EQ(p.token(body).symbol, p.symbol("k"));
    const int bodyEnd = p.find(T_LOOPEND_SEMICOLON, 1);
    EXPECT_EQ(p.token(bodyEnd).link, test + 1);              // on to the step: "i++"
    EXPECT_EQ(p.token(test).dataLink, bodyEnd + 1);          // out of the loop
    EXPECT_EQ(p.token(body - 1).kind, T_LOOPEND_SEMICOLON);  // ")" goes back to the condition
    EXPECT_EQ(p.token(p.token(body - 1).link).symbol, p.symbol("i"));

    const int question = p.find(T_LOOPTEST, 1);
    EXPECT_EQ(p.token(question).link, question + 1);
    EXPECT_EQ(p.token(p.token(question).dataLink).number, 2);
}

TEST(PreParse, ForInAndWithMarkTheirBodies) {
    Parsed p("var a = new Array(1, 2); for (var x in a) { s = x; }\nwith (a) length;");
    ASSERT_EQ(p.end, PreParseEnd::Complete) << dumpTokens(*p.engine);
    const int forIn = p.find(T_FORIN);
    const int in = p.find(T_IN);
    ASSERT_GE(forIn, 0);
    EXPECT_EQ(p.token(in).link, forIn);
    const int end = p.find(T_LOOPEND_CURLY);
    EXPECT_EQ(p.token(end).link, in);
    EXPECT_EQ(p.token(in).dataLink, p.token(forIn + 1).link + 1);  // the body's "{"
    EXPECT_EQ(p.token(forIn).dataLink, end + 1);
    EXPECT_GE(p.find(T_WITHEND_SEMICOLON), 0);
}

TEST(PreParse, MalformedProgramsEndItWithTheirMessages) {
    Parsed name("function (x) { }");
    EXPECT_EQ(name.end, PreParseEnd::Stopped);
    EXPECT_TRUE(name.trace.contains("ERROR:invalid function name at line 1\n"));
    EXPECT_FALSE(name.trace.contains("pass 2"));

    Parsed variable("var 3;");
    EXPECT_EQ(variable.end, PreParseEnd::Stopped);
    EXPECT_TRUE(variable.trace.contains("ERROR:invalid variable name at line 1\n"));

    Parsed in("x = 1;\ny in z;");
    EXPECT_EQ(in.end, PreParseEnd::Fatal);
    EXPECT_TRUE(in.trace.contains("ERROR: 'in' without 'for' at line 2\n"));
    EXPECT_TRUE(in.trace.contains("EXCEPTION THROWN at preparse line 319\n"));

    Parsed with("with o;");
    EXPECT_EQ(with.end, PreParseEnd::Fatal);
    EXPECT_TRUE(with.trace.contains("EXCEPTION THROWN at preparse line 439\n"));

    Parsed loop("do { x = 1; } y = 2;");
    EXPECT_TRUE(loop.trace.contains("ERROR: 'do' without matching 'while' at line 1\n"));
}

TEST(PreParse, LimitsStopTheRunBeforeAnythingExecutes) {
    std::string parameters = "function f(";
    for (int i = 0; i < 10; ++i) parameters += (i ? ",p" : "p") + std::to_string(i);
    Parsed tooManyParameters(parameters + ") { }");
    EXPECT_EQ(tooManyParameters.end, PreParseEnd::Fatal);
    EXPECT_TRUE(tooManyParameters.trace.contains("too many parameters (limit is 9)\n"));
    Parsed nine(parameters.substr(0, parameters.rfind(',')) + ") { }");
    EXPECT_EQ(nine.end, PreParseEnd::Complete);

    std::string symbols;
    for (int i = 0; i < 41; ++i) symbols += "function f" + std::to_string(i) + "() { }\n";
    Parsed tooManySymbols(symbols);
    EXPECT_EQ(tooManySymbols.end, PreParseEnd::Fatal);
    EXPECT_TRUE(tooManySymbols.trace.contains("too many symbols (limit is 40)\n"));

    std::string globals;
    for (int i = 0; i < 21; ++i) globals += "g" + std::to_string(i) + " = 1;";
    Parsed tooManyGlobals(globals);
    EXPECT_EQ(tooManyGlobals.end, PreParseEnd::Fatal);
    EXPECT_TRUE(tooManyGlobals.trace.contains("too many global variables (limit is 20)\n"));
    EXPECT_EQ(tooManyGlobals.engine->stack.top, 0);
}

TEST(PreParse, NothingLeaksOnceTheScriptIsUnloaded) {
    Parsed p("var a; function f(x) { var a; a = x; return \"t\"; } f(2); o.m(1.5);");
    EXPECT_GT(p.engine->memory.liveBlocks(), 0);
    deleteTokenised(*p.engine);
    releaseSymbols(*p.engine);
    EXPECT_EQ(p.engine->memory.liveBlocks(), 0);
}

TEST(PreParse, TheDumpListsKindsTextsSymbolsAndLinks) {
    Parsed p("function f(x) { return x + 1; }\nf(2);");
    ASSERT_EQ(p.end, PreParseEnd::Complete);
    EXPECT_EQ(dumpTokens(*p.engine),
              "0  line 1  T_FUNCTION symbol f\n"
              "1  line 1  T_SEMICOLON\n"
              "2  line 1  T_OPENBRACKET link 4\n"
              "3  line 1  T_VARREF symbol _f_x\n"
              "4  line 1  T_CLOSEBRACKET link 2\n"
              "5  line 1  T_OPENCURLY link 11\n"
              "6  line 1  T_RETURN\n"
              "7  line 1  T_VARREF symbol _f_x\n"
              "8  line 1  T_PLUS\n"
              "9  line 1  T_NUMBER 1\n"
              "10  line 1  T_SEMICOLON\n"
              "11  line 1  T_FUNCEND link 5\n"
              "12  line 2  T_FUNCREF symbol f\n"
              "13  line 2  T_OPENBRACKET link 15\n"
              "14  line 2  T_NUMBER 2\n"
              "15  line 2  T_CLOSEBRACKET link 13\n"
              "16  line 2  T_SEMICOLON\n"
              "17  line 2  T_END\n");
    EXPECT_EQ(dumpSymbols(*p.engine), "f  function  I:I\n_f_x  parameter  I\n");
}

}  // namespace kestrel::script
