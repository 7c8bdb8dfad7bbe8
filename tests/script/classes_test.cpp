#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "script/array.h"
#include "script/engine.h"
#include "script/frames.h"
#include "script/object.h"

using namespace kestrel::script;

namespace {

// One argument of a call: an integer, a float, a text (null: unassigned), an object, or a
// bare type letter ('A' gives a two-element array value).
struct Arg {
    char type = kInteger;
    std::int32_t integer = 0;
    float real = 0.0f;
    const char* text = nullptr;
    ScriptObject* object = nullptr;

    Arg(int n) : integer(n) {}
    Arg(float f) : type(kFloat), real(f) {}
    Arg(const char* t) : type(kText), text(t) {}
    Arg(ScriptObject* o) : type(kObject), object(o) {}
    static Arg ofType(char letter) {
        Arg a(0);
        a.type = letter;
        return a;
    }
};
const Arg kUnassigned = Arg::ofType(kText);

// Every test is one run: whatever its objects, results and static objects hold must be gone
// after the closedown.
class Classes : public ::testing::Test {
protected:
    CollectTrace trace;  // before the engine, which traces while it is destroyed
    Engine engine;
    std::string output;
    std::deque<ScriptValue> held;  // objects and results, released before the leak check

    void SetUp() override {
        engine.trace.setSink(&trace);
        engine.objects.standardOutput = [this](std::string_view text) { output += text; };
        ASSERT_EQ(engine.memory.liveBlocks(), 0);
        initialiseObjectSystem(engine);
    }

    void TearDown() override {
        for (ScriptValue& v : held) valueRelease(engine, v);
        closedownObjectSystem(engine);
        EXPECT_EQ(engine.frames.depth, 0);
        EXPECT_EQ(engine.stack.top, 0);
        EXPECT_EQ(engine.memory.liveBlocks(), 0);
    }

    void push(const Arg& a) {
        ScriptValue& v = pushValue(engine);
        v.type = a.type;
        if (a.type == kInteger) v.payload.integer = a.integer;
        if (a.type == kFloat) v.payload.real = a.real;
        if (a.type == kText && a.text) valueSetText(engine, v, a.text);
        if (a.type == kArray) v.payload.array = arrayCreate(engine, 2);
        if (a.type == kObject) {
            v.payload.object = a.object;
            if (!(a.object->flags & kObjectStatic)) ++a.object->refcount;
        }
    }

    // A new object constructed with the arguments, held until the test ends.
    ScriptObject* make(const char* className, std::initializer_list<Arg> args = {}) {
        openFrame(engine);
        for (const Arg& a : args) push(a);
        ScriptObject* object = createObject(engine, engine.objects.findClass(className));
        closeFrame(engine);
        ScriptValue& v = held.emplace_back();
        v.type = kObject;
        v.payload.object = object;
        ++object->refcount;
        return object;
    }
    ScriptObject* array(std::initializer_list<Arg> args) { return make("Array", args); }
    ScriptObject* string(const char* t) { return make("String", {t}); }

    // The method's result, which starts as 'V' so that an untouched result shows.
    ScriptValue& call(ScriptObject* object, const char* method, std::initializer_list<Arg> args = {}) {
        ScriptValue& result = held.emplace_back();
        result.type = kVoid;
        openFrame(engine);
        for (const Arg& a : args) push(a);
        EXPECT_EQ(callMethodByName(engine, *object, method, result), 0) << method;
        closeFrame(engine);
        return result;
    }

    // The text of an 'S' value or a String object; a description of anything else.
    static std::string text(const ScriptValue& v) {
        if (v.type == kObject && v.payload.object->objectClass == &stringClass()) return text(v.payload.object);
        if (v.type == kText) return v.payload.text ? v.payload.text : "<unassigned>";
        return std::string("<") + v.type + ">";
    }
    static std::string text(const ScriptObject* string) { return text(string->fields[0]); }

    // An Array's elements as texts, checking that its length follows the store.
    std::string elements(const ScriptObject* array) {
        const ArrayStore* store = array->fields[0].type == kArray ? array->fields[0].payload.array : nullptr;
        const std::int32_t count = store ? store->count : 0;
        EXPECT_EQ(array->fields[3].type, kInteger);
        EXPECT_EQ(array->fields[3].payload.integer, count) << "length";
        std::string out;
        for (std::int32_t i = 0; i < count; ++i) out += (i ? " " : "") + valueText(engine, store->elements[i]);
        return "[" + out + "]";
    }

    float mathField(const ScriptObject* math, const char* name) {
        const ScriptValue& v = math->fields[findField(*engine.objects.findClass("Math"), name)];
        EXPECT_EQ(v.type, kFloat) << name;
        return v.payload.real;
    }
};

}  // namespace

// ---- The object system ----

TEST_F(Classes, InitialiseConstructsEveryStaticObjectOnce) {
    const std::vector<std::string> expected = {"JavaScript:InitialseObjectSystem()\n", "CLASS:base_io:constructor\n",
                                               "CLASS:Array:constructor\n", "CLASS:Boolean:constructor\n"};
    EXPECT_EQ(trace.lines, expected);
    ScriptObject* math = staticObject(engine, *engine.objects.findClass("Math"));
    EXPECT_EQ(math, staticObject(engine, *engine.objects.findClass("Math")));
    EXPECT_EQ(math->flags, kObjectStatic);
    EXPECT_EQ(math->refcount, 1);
    EXPECT_EQ(mathField(math, "PI"), 3.14159f);  // Math.PI without new
    EXPECT_EQ(mathField(math, "LN10"), 2.302f);
    EXPECT_EQ(mathField(math, "SQRT1_2"), 0.707f);
    EXPECT_EQ(text(staticObject(engine, *engine.objects.findClass("base_io"))->fields[1]), "default buffer setting");
    EXPECT_EQ(elements(staticObject(engine, arrayClass())), "[]");
}

TEST_F(Classes, ClosedownReleasesStaticsAndARunCanStartAgain) {
    const int live = engine.memory.liveBlocks();
    EXPECT_GT(live, 0);              // the base_io buffer, the Array static's store
    initialiseObjectSystem(engine);  // again, without a closedown: nothing is lost
    EXPECT_EQ(engine.memory.liveBlocks(), live);
    closedownObjectSystem(engine);
    EXPECT_EQ(trace.lines.back(), "JavaScript:ClosedownObjectSystem()\n");
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
    initialiseObjectSystem(engine);
    EXPECT_EQ(mathField(staticObject(engine, *engine.objects.findClass("Math")), "E"), 2.718f);
}

namespace {
int probeConstructions = 0;
void probeConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    ++probeConstructions;
    self.fields[1].payload.integer = argumentCount(engine);
}
void probeEcho(Engine& engine, ScriptObject&, ScriptValue& result) { valueCopy(engine, result, argument(engine, 0)); }
constexpr MethodEntry kProbeMethods[] = {
    {probeConstruct, "Probe", "V:"}, {probeEcho, "echo", "I:I"}, {nullptr, "idle", "V:"}};
constexpr FieldEntry kProbeFields[] = {{"unset", kInteger}, {"arguments", kInteger}, {"ratio", kFloat}};
constexpr ObjectClass kProbe{"Probe", kClassConstruct, kProbeMethods, kProbeFields};
constexpr ObjectClass kPlain{"Plain", 0, kProbeMethods, kProbeFields};
constexpr ObjectClass kEmpty{"Empty", 0, {}, {}};
}  // namespace

TEST_F(Classes, ExtensionClassesGetStaticObjectsAndConstructorsTheirArguments) {
    const ObjectClass* list[] = {&kProbe, nullptr, &kPlain, &kEmpty};
    engine.objects.setExtensionClasses(list);
    probeConstructions = 0;
    initialiseObjectSystem(engine);
    EXPECT_EQ(probeConstructions, 1);  // Plain does not ask for its constructor
    ScriptObject* probe = staticObject(engine, kProbe);
    EXPECT_EQ(probe->fields[0].payload.integer, 57005);  // an 'I' field nobody sets
    EXPECT_EQ(probe->fields[1].payload.integer, 0);      // constructed without arguments
    EXPECT_EQ(staticObject(engine, kPlain)->fields[1].payload.integer, 57005);

    ScriptObject* made = make("Probe", {1, 2.5f, "three"});
    EXPECT_EQ(made->refcount, 1);  // the test's count only
    EXPECT_EQ(made->fields[0].payload.integer, 57005);
    EXPECT_EQ(made->fields[1].payload.integer, 3);
    EXPECT_EQ(make("Plain", {1})->fields[1].payload.integer, 57005);
    EXPECT_EQ(probeConstructions, 2);

    EXPECT_EQ(findMethod(kProbe, "echo"), 1);
    EXPECT_EQ(findMethod(kProbe, "Echo"), -1);
    EXPECT_EQ(findField(kProbe, "ratio"), 2);
    EXPECT_EQ(findField(kProbe, "echo"), -1);
    EXPECT_EQ(call(made, "echo", {42}).payload.integer, 42);
    EXPECT_EQ(call(made, "idle").type, kVoid);  // a method without a function does nothing
    ScriptValue result;
    EXPECT_EQ(callMethodByName(engine, *made, "missing", result), -1);
    const ScriptValue uncounted{kObject, 0, {.object = made}};
    EXPECT_EQ(valueText(engine, uncounted), "");  // neither toString nor toStringV
}

TEST_F(Classes, CreateWithoutAClassAndMakeString) {
    EXPECT_EQ(createObject(engine, nullptr), nullptr);
    EXPECT_EQ(trace.lines.back(), "CreateObjectClass:NULL class pointer?\n");

    ScriptObject* s = makeString(engine, "made");
    EXPECT_EQ(s->refcount, 1);
    EXPECT_EQ(engine.frames.depth, 0);
    EXPECT_EQ(text(s), "made");
    EXPECT_EQ(s->fields[1].payload.integer, 4);
    objectRelease(engine, s);

    pushNativeText(engine, "argument");
    EXPECT_EQ(argumentCount(engine), 1);
    EXPECT_EQ(text(argument(engine, 0)), "argument");
    closeFrame(engine);
}

TEST_F(Classes, ObjectTextIsToStringThenToStringV) {
    const ScriptValue yes{kObject, 0, {.object = make("Boolean", {1})}};
    EXPECT_EQ(valueText(engine, yes), "true");
    EXPECT_EQ(objectToText(engine, *array({1, string("two"), 3.5f})), "1,two,3.500000");
    EXPECT_EQ(objectToText(engine, *make("base_io")), "An Object Of The Demonstration Class 'base_io'.");
}

TEST_F(Classes, AnArrayHoldingItselfHasAText) {
    ScriptObject* list = array({1});
    call(list, "push", {list});
    EXPECT_EQ(objectToText(engine, *list), "1,");
    call(list, "sort");  // compares it with itself
    call(list, "pop");   // breaks the cycle, so that it can be freed
}

// ---- Array ----

TEST_F(Classes, ArrayConstructorCopiesItsArguments) {
    ScriptObject* s = string("x");
    ScriptObject* list = array({1, 2.5f, s, "t"});
    EXPECT_EQ(trace.lines.back(), "CLASS:Array:constructor\n");
    EXPECT_EQ(elements(list), "[1 2.500000 x t]");
    EXPECT_EQ(list->fields[1].payload.integer, 1234);
    EXPECT_EQ(list->fields[2].payload.integer, 0);
    EXPECT_NE(list->fields[0].payload.array->elements[2].payload.object, s);  // Strings copy on assignment
}

TEST_F(Classes, PopAndShiftTakeTheEndsAndGiveZeroWhenEmpty) {
    ScriptObject* list = array({1, 2, 3});
    ScriptValue& popped = call(list, "pop");
    EXPECT_EQ(popped.type, kInteger);
    EXPECT_EQ(popped.payload.integer, 3);
    EXPECT_EQ(elements(list), "[1 2]");
    EXPECT_EQ(call(list, "shift").payload.integer, 1);
    EXPECT_EQ(call(list, "shift").payload.integer, 2);
    for (const char* method : {"pop", "shift"}) {
        ScriptValue& empty = call(list, method);
        EXPECT_EQ(empty.type, kInteger);
        EXPECT_EQ(empty.payload.integer, 0);
        EXPECT_EQ(elements(list), "[]");
    }
    ScriptObject* b = make("Boolean", {1});
    EXPECT_EQ(call(array({b}), "pop").payload.object, b);  // moved out, not copied
}

TEST_F(Classes, PushAppendsAndUnshiftPrepends) {
    ScriptObject* list = array({});
    EXPECT_EQ(call(list, "push", {5}).payload.integer, 5);
    ScriptValue& length = call(list, "unshift", {4});
    EXPECT_EQ(length.type, kInteger);
    EXPECT_EQ(length.payload.integer, 2);
    EXPECT_EQ(elements(list), "[4 5]");
    EXPECT_EQ(text(call(list, "push", {6, "seven"})), "seven");
    EXPECT_EQ(call(list, "unshift", {1, 2}).payload.integer, 6);
    EXPECT_EQ(elements(list), "[1 2 4 5 6 seven]");
    // Without arguments nothing is added; push leaves its result, unshift gives the length.
    EXPECT_EQ(call(list, "push").type, kVoid);
    EXPECT_EQ(call(list, "unshift").payload.integer, 6);
    EXPECT_EQ(elements(list), "[1 2 4 5 6 seven]");
}

TEST_F(Classes, SpliceRemovesAndInserts) {
    ScriptObject* list = array({1, 2, 3, 4});
    ScriptValue& removed = call(list, "splice", {1, 2});
    ASSERT_EQ(removed.type, kObject);
    EXPECT_EQ(removed.payload.object->refcount, 1);
    EXPECT_EQ(elements(removed.payload.object), "[2 3]");
    EXPECT_EQ(elements(list), "[1 4]");
    EXPECT_EQ(call(list, "splice", {1, 0, 7, "eight"}).type, kVoid);  // none removed
    EXPECT_EQ(elements(list), "[1 7 eight 4]");
    ScriptValue& one = call(list, "splice", {0, 1, 9});
    EXPECT_EQ(one.type, kInteger);
    EXPECT_EQ(one.payload.integer, 1);
    EXPECT_EQ(elements(list), "[9 7 eight 4]");

    const std::size_t lines = trace.lines.size();
    EXPECT_EQ(call(list, "splice", {1}).type, kVoid);
    ASSERT_EQ(trace.lines.size(), lines + 1);
    EXPECT_EQ(trace.lines.back(), "Array::splice(): not enough parameters\n");
    EXPECT_EQ(elements(list), "[9 7 eight 4]");
}

TEST_F(Classes, SpliceHoldsItsRangeToTheElements) {
    ScriptObject* list = array({1, 2, 3, 4});
    EXPECT_EQ(call(list, "splice", {10, 3, 5}).type, kVoid);  // start beyond the end: appends
    EXPECT_EQ(elements(list), "[1 2 3 4 5]");
    EXPECT_EQ(call(list, "splice", {4, 100}).payload.integer, 5);                // only one there to take
    EXPECT_EQ(elements(call(list, "splice", {-5, 2}).payload.object), "[1 2]");  // start held to 0
    EXPECT_EQ(call(list, "splice", {0, -3}).type, kVoid);
    EXPECT_EQ(call(list, "splice", {INT_MAX, INT_MAX}).type, kVoid);
    EXPECT_EQ(elements(call(list, "splice", {0.9f, 1e30f}).payload.object), "[3 4]");  // floats truncated
    EXPECT_EQ(call(list, "splice", {0, 1}).type, kVoid);
    EXPECT_EQ(elements(list), "[]");
}

TEST_F(Classes, JoinWritesEachTypeBetweenSeparators) {
    EXPECT_EQ(text(call(array({1, 2}), "join")), "1,2");
    EXPECT_EQ(text(call(array({}), "join", {"-"})), "null");
    ScriptObject* mixed = array({1, -2.25f, "s", make("Boolean"), string("str")});
    EXPECT_EQ(text(call(mixed, "join", {"; "})), "1; -2.250000; s; false; str");
    EXPECT_EQ(text(call(mixed, "toString", {"ignored"})), "1,-2.250000,s,false,str");
    EXPECT_EQ(text(call(array({kUnassigned, Arg::ofType(kArray), Arg::ofType(kVoid)}), "join")), ",ARRAY,");
    // A separator that is not a text is written as its text; the last argument counts.
    ScriptObject* pair = array({1, 2});
    EXPECT_EQ(text(call(pair, "join", {string("<>")})), "1<>2");
    EXPECT_EQ(text(call(pair, "join", {0})), "102");
    EXPECT_EQ(text(call(pair, "join", {kUnassigned})), "12");
    EXPECT_EQ(text(call(pair, "join", {"a", "b"})), "1b2");
    EXPECT_EQ(call(pair, "toInt").payload.integer, 2);
}

TEST_F(Classes, ReverseAndConcat) {
    ScriptObject* list = array({1, "b", 3.0f});
    EXPECT_EQ(call(list, "reverse").type, kVoid);
    EXPECT_EQ(elements(list), "[3.0 b 1]");
    ScriptValue& joined = call(list, "concat", {array({4, 5})});
    ASSERT_EQ(joined.type, kObject);
    EXPECT_EQ(joined.payload.object->refcount, 1);
    EXPECT_EQ(elements(joined.payload.object), "[3.0 b 1 4 5]");
    EXPECT_EQ(elements(call(list, "concat", {list}).payload.object), "[3.0 b 1 3.0 b 1]");
    EXPECT_EQ(elements(call(list, "concat", {7, string("s")}).payload.object), "[3.0 b 1 7 s]");
    call(call(list, "concat").payload.object, "pop");  // the concatenation has its own elements
    EXPECT_EQ(elements(list), "[3.0 b 1]");
}

TEST_F(Classes, SortOrdersNumbersAsNumbersAndTheRestAsTexts) {
    ScriptObject* numbers = array({3, 1.5f, -2, 10, 2, 1.5f, 0});
    EXPECT_EQ(call(numbers, "sort").type, kVoid);
    EXPECT_EQ(elements(numbers), "[-2 0 1.500000 1.500000 2 3 10]");
    ScriptObject* texts = array({"b", "10", string("a"), "9", 9});
    call(texts, "sort");
    EXPECT_EQ(elements(texts), "[10 9 9 a b]");

    // Ascending, descending, equal and random runs all come out as std::sort has them.
    std::mt19937 random(7);
    std::vector<std::vector<int>> runs(4);
    for (int i = 0; i < 300; ++i) {
        runs[0].push_back(i);
        runs[1].push_back(300 - i);
        runs[2].push_back(5);
        runs[3].push_back(static_cast<int>(random() % 50) - 25);
    }
    for (std::vector<int>& run : runs) {
        ScriptObject* list = array({});
        for (int n : run) call(list, "push", {n});
        call(list, "sort");
        std::ranges::sort(run);
        const ArrayStore& store = *list->fields[0].payload.array;
        ASSERT_EQ(store.count, 300);
        for (std::size_t i = 0; i < run.size(); ++i) ASSERT_EQ(store.elements[i].payload.integer, run[i]) << i;
        EXPECT_EQ(list->fields[3].payload.integer, 300);
    }
}

TEST_F(Classes, MethodsCopeWithFieldsAScriptAssigned) {
    ScriptObject* list = array({1, 2});
    valueSetText(engine, list->fields[0], "not an array");
    EXPECT_EQ(call(list, "pop").payload.integer, 0);
    EXPECT_EQ(text(call(list, "join")), "null");
    call(list, "sort");
    call(list, "reverse");
    EXPECT_EQ(call(list, "push", {8}).payload.integer, 8);
    list->fields[3].payload.integer = 99;
    EXPECT_EQ(call(list, "toInt").payload.integer, 1);
    EXPECT_EQ(elements(list), "[8]");

    ScriptObject* s = string("abcdef");
    s->fields[1].payload.integer = 1000;  // a String's length is not trusted either
    EXPECT_EQ(text(call(s, "slice", {3})), "def");
    EXPECT_EQ(text(call(s, "charAt", {10})), "");
}

// ---- Boolean ----

TEST_F(Classes, BooleanTakesItsTruthFromTheLastArgument) {
    struct Case {
        std::initializer_list<Arg> args;
        int value;
    };
    const Case cases[] = {{{}, 0},
                          {{7}, 1},
                          {{0}, 0},
                          {{-0.0f}, 0},
                          {{0.25f}, 1},
                          {{""}, 0},
                          {{"x"}, 1},
                          {{kUnassigned}, 0},
                          {{1, 0}, 0},
                          {{0, "yes"}, 1},
                          {{Arg::ofType(kArray)}, 0}};
    for (const Case& c : cases) {
        ScriptObject* b = make("Boolean", c.args);
        const int n = static_cast<int>(&c - cases);
        EXPECT_EQ(b->fields[0].payload.integer, c.value) << "case " << n;
        EXPECT_EQ(call(b, "toInt").payload.integer, c.value) << "case " << n;
        EXPECT_EQ(text(call(b, "toString")), c.value ? "true" : "false") << "case " << n;
    }
    EXPECT_EQ(make("Boolean", {make("Boolean")})->fields[0].payload.integer, 1);  // any object
}

TEST_F(Classes, BooleansAreSharedWhereStringsAreCopied) {
    ScriptValue b{kObject, 0, {.object = make("Boolean", {1})}}, c;
    ++b.payload.object->refcount;
    valueCopy(engine, c, b);
    EXPECT_EQ(c.payload.object, b.payload.object);
    c.payload.object->fields[0].payload.integer = 0;
    EXPECT_EQ(text(call(b.payload.object, "toString")), "false");

    ScriptValue s{kObject, 0, {.object = string("ab")}}, t;
    ++s.payload.object->refcount;
    valueCopy(engine, t, s);
    ASSERT_NE(t.payload.object, s.payload.object);
    EXPECT_NE(t.payload.object->fields[0].payload.text, s.payload.object->fields[0].payload.text);
    EXPECT_EQ(text(t), "ab");
    for (ScriptValue* v : {&b, &c, &s, &t}) valueRelease(engine, *v);
}

// ---- String ----

TEST_F(Classes, StringConstructorTakesTheLastText) {
    EXPECT_EQ(text(make("String")), "default string");
    ScriptObject* from = string("abc");
    EXPECT_EQ(from->fields[1].payload.integer, 3);
    ScriptObject* copy = make("String", {from});
    EXPECT_EQ(text(copy), "abc");
    EXPECT_NE(copy->fields[0].payload.text, from->fields[0].payload.text);
    EXPECT_EQ(text(make("String", {"first", "last"})), "last");
    for (ScriptObject* none : {make("String", {5}), make("String", {kUnassigned}), make("String", {make("Boolean")})}) {
        EXPECT_EQ(none->fields[0].type, kText);
        EXPECT_EQ(none->fields[0].payload.text, nullptr);
        EXPECT_EQ(none->fields[1].payload.integer, 0);
    }
}

TEST_F(Classes, StringConversions) {
    ScriptObject* s = string("Mixed Case 1!");
    ScriptValue& clone = call(s, "toString");
    ASSERT_EQ(clone.type, kObject);
    EXPECT_NE(clone.payload.object, s);
    EXPECT_EQ(clone.payload.object->refcount, 1);
    EXPECT_EQ(text(clone), "Mixed Case 1!");
    ScriptValue& v = call(s, "toStringV");
    EXPECT_EQ(v.type, kText);
    EXPECT_NE(v.payload.text, s->fields[0].payload.text);
    EXPECT_EQ(text(v), "Mixed Case 1!");
    EXPECT_EQ(call(s, "toInt").payload.integer, 1);
    EXPECT_EQ(text(call(s, "toUpperCase")), "MIXED CASE 1!");
    EXPECT_EQ(text(call(s, "toLowerCase")), "mixed case 1!");
    EXPECT_EQ(text(s), "Mixed Case 1!");
    ScriptObject* edges = string("\xc9z@[`{");  // the neighbours of the letters stay
    EXPECT_EQ(text(call(edges, "toUpperCase")), "\xc9Z@[`{");
    EXPECT_EQ(text(call(edges, "toLowerCase")), "\xc9z@[`{");
    ScriptObject* unassigned = make("String", {5});
    EXPECT_EQ(text(call(unassigned, "toStringV")), "<unassigned>");
    EXPECT_EQ(text(call(unassigned, "toUpperCase")), "<unassigned>");
}

TEST_F(Classes, CharAtGivesOneCharacterOrNone) {
    ScriptObject* s = string("abc");
    EXPECT_EQ(text(call(s, "charAt", {1})), "b");
    EXPECT_EQ(text(call(s, "charAt", {2})), "c");
    EXPECT_EQ(text(call(s, "charAt")), "a");          // no index: the first
    EXPECT_EQ(text(call(s, "charAt", {"2"})), "a");   // not an integer: the first
    EXPECT_EQ(text(call(s, "charAt", {1, 2})), "a");  // more than one: the first
    for (int outside : {3, -1, INT_MIN}) EXPECT_EQ(text(call(s, "charAt", {outside})), "") << outside;
    EXPECT_EQ(text(call(make("String", {""}), "charAt")), "");
    EXPECT_EQ(text(call(make("String", {0}), "charAt", {0})), "");
}

TEST_F(Classes, SliceTakesARangeHeldToTheText) {
    EXPECT_EQ(text(call(string("abc"), "slice", {1})), "bc");
    ScriptObject* s = string("abcdef");
    EXPECT_EQ(text(call(s, "slice", {1, -2})), "bcd");
    EXPECT_EQ(text(call(s, "slice", {1, 3})), "bc");
    EXPECT_EQ(call(s, "slice").type, kVoid);
    EXPECT_EQ(text(call(s, "slice", {-3})), "abcdef");  // start held to 0
    EXPECT_EQ(text(call(s, "slice", {2, 100})), "cdef");
    const std::pair<int, int> empty[] = {{4, 2}, {2, -100}, {100, 100}, {0, INT_MIN}, {INT_MAX, INT_MAX}};
    for (auto [start, end] : empty) EXPECT_EQ(text(call(s, "slice", {start, end})), "") << start << "," << end;
    EXPECT_EQ(text(call(make("String", {0}), "slice", {0, 5})), "");
}

// ---- Math ----

TEST_F(Classes, MathConstantsAndAbs) {
    EXPECT_EQ(mathField(make("Math"), "LN2"), 0.693f);
    ScriptObject* math = staticObject(engine, *engine.objects.findClass("Math"));
    ScriptValue& f = call(math, "abs", {-2.5f});
    EXPECT_EQ(f.type, kFloat);
    EXPECT_EQ(f.payload.real, 2.5f);
    ScriptValue& i = call(math, "abs", {-7});
    EXPECT_EQ(i.type, kInteger);
    EXPECT_EQ(i.payload.integer, 7);
    EXPECT_EQ(call(math, "abs", {INT_MIN}).payload.integer, INT_MAX);
    EXPECT_EQ(call(math, "abs").type, kVoid);
    EXPECT_EQ(call(math, "abs", {1, 2}).type, kVoid);
    EXPECT_EQ(call(math, "abs", {"-3"}).type, kVoid);
}

// ---- base_io ----

TEST_F(Classes, BaseIoConstructorKeepsTheFirstObject) {
    ScriptObject* io = make("base_io");
    EXPECT_EQ(io->fields[0].payload.integer, 0);
    EXPECT_EQ(text(io->fields[1]), "default buffer setting");
    ScriptObject* first = make("Boolean");
    ScriptObject* second = string("second");
    trace.lines.clear();
    ScriptObject* with = make("base_io", {first, 5, second, "s"});
    EXPECT_EQ(with->fields[1].payload.object, first);
    EXPECT_EQ(std::ranges::count(trace.lines, std::string("illegal constructor for base_io class\n")), 2);
    EXPECT_EQ(text(call(with, "toString")), "An Object Of The Demonstration Class 'base_io'.");
    EXPECT_EQ(text(call(with, "toInt")), "An Object Of The Demonstration Class 'base_io'.");
}

TEST_F(Classes, WritelnSendsNumbersToTheOutputAndTheRestToTheTrace) {
    ScriptObject* io = staticObject(engine, *engine.objects.findClass("base_io"));
    ScriptObject* yes = make("Boolean", {1});
    trace.lines.clear();
    EXPECT_EQ(call(io, "writeln", {7, -2.25f, "text", kUnassigned, yes, Arg::ofType(kArray), 1.0f}).type, kVoid);
    EXPECT_EQ(output, "7\n-2.250000\n1.0\n");
    const std::vector<std::string> expected = {"text\n", "base_io.writeln:*UNASSIGNED STRING VARIABLE*\n", "true\n",
                                               "base_io.writeln:unknown variable type 'A'\n"};
    EXPECT_EQ(trace.lines, expected);
}
