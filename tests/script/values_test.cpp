#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>

#include "script/array.h"
#include "script/engine.h"
#include "script/object.h"
#include "script/variable.h"

using namespace kestrel::script;

namespace {

ScriptValue integer(std::int32_t n) {
    ScriptValue v;
    v.payload.integer = n;
    return v;
}

ScriptValue real(float f) {
    ScriptValue v;
    v.type = kFloat;
    v.payload.real = f;
    return v;
}

ScriptValue text(Engine& engine, std::string_view s) {
    ScriptValue v;
    valueSetText(engine, v, s);
    return v;
}

ScriptValue integers(Engine& engine, std::initializer_list<std::int32_t> items) {
    ScriptValue v;
    v.type = kArray;
    v.payload.array = arrayCreate(engine, static_cast<std::int32_t>(items.size()));
    int i = 0;
    for (std::int32_t n : items) v.payload.array->elements[i++].payload.integer = n;
    return v;
}

// An 'O' value counting one share of a new object.
ScriptValue object(Engine& engine, const char* className) {
    ScriptValue v;
    v.type = kObject;
    v.payload.object = objectCreate(engine, *engine.objects.findClass(className));
    v.payload.object->refcount = 1;
    return v;
}

std::string textOf(const ScriptValue& v) { return v.type == kText && v.payload.text ? v.payload.text : "<none>"; }

}  // namespace

TEST(Values, CopyTakesItsOwnTextWithTypeAndAux) {
    Engine engine;
    ScriptValue unassigned;
    unassigned.type = kText;
    ScriptValue copy = integer(5);
    valueCopy(engine, copy, unassigned);
    EXPECT_EQ(copy.type, kText);
    EXPECT_EQ(copy.payload.text, nullptr);
    EXPECT_EQ(engine.memory.nextSequence(), 0u);

    ScriptValue original = text(engine, "abc");
    original.aux = 77;
    valueCopy(engine, copy, original);
    EXPECT_EQ(copy.aux, 77u);
    EXPECT_NE(copy.payload.text, original.payload.text);
    valueRelease(engine, original);
    EXPECT_EQ(textOf(copy), "abc");
    valueRelease(engine, copy);
    EXPECT_EQ(copy.type, kInteger);
    EXPECT_EQ(copy.payload.integer, 0);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);

    ScriptValue nothing;
    nothing.type = kVoid;
    nothing.payload.integer = 1234;
    valueCopy(engine, copy, nothing);  // no payload comes along
    EXPECT_EQ(copy.type, kVoid);
    EXPECT_EQ(copy.payload.integer, 0);
}

TEST(Values, ArrayCopyIsIndependentDownToNestedValues) {
    Engine engine;
    ScriptValue first = integers(engine, {1, 2, 3});
    valueSetText(engine, first.payload.array->elements[2], "inner");
    ScriptValue second;
    valueCopy(engine, second, first);
    second.payload.array->elements[0].payload.integer = 99;
    valueSetText(engine, second.payload.array->elements[2], "changed");
    EXPECT_EQ(first.payload.array->elements[0].payload.integer, 1);
    EXPECT_EQ(textOf(first.payload.array->elements[2]), "inner");
    valueRelease(engine, first);
    valueRelease(engine, second);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(Values, CopyAndMoveFromInsideTheDestinationAreSafe) {
    Engine engine;
    ScriptValue a = integers(engine, {0, 0});
    valueSetText(engine, a.payload.array->elements[0], "kept");
    valueCopy(engine, a, a.payload.array->elements[0]);  // a = a[0]
    valueCopy(engine, a, a);
    valueMove(engine, a, a);
    EXPECT_EQ(textOf(a), "kept");
    valueSetText(engine, a, std::string_view(a.payload.text + 1));  // its own text's tail
    EXPECT_EQ(textOf(a), "ept");
    ScriptValue b = integers(engine, {5, 6});
    valueMove(engine, b, b.payload.array->elements[1]);
    EXPECT_EQ(b.payload.integer, 6);
    valueMove(engine, b, a);
    EXPECT_EQ(textOf(b), "ept");
    EXPECT_EQ(a.type, kInteger);
    valueRelease(engine, b);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(Values, AMixOfOperationsLeavesNoBlocksBehind) {
    Engine engine;
    ScriptValue a = integers(engine, {1, 2, 3});
    ScriptValue s = object(engine, "String");
    valueSetText(engine, s.payload.object->fields[0], "str");
    valueCopy(engine, a.payload.array->elements[1], s);
    arrayGrow(engine, *a.payload.array, 6);
    ScriptValue b;
    valueCopy(engine, b, a);
    valueMove(engine, b.payload.array->elements[5], s);
    valueSetText(engine, a, "now a text");
    valueSwap(a, b);
    valueCopy(engine, b, a.payload.array->elements[1]);
    EXPECT_EQ(engine.objects.created, 6u);  // the String and a clone at each of its five copies
    valueRelease(engine, a);
    valueRelease(engine, b);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
    EXPECT_EQ(engine.memory.allocatedBytes(), engine.memory.freedBytes());
}

TEST(Values, CompareNumbersAsNumbersAndAnythingElseAsTexts) {
    Engine engine;
    EXPECT_EQ(valueCompare(engine, integer(10), real(9.5f)), 1);
    EXPECT_EQ(valueCompare(engine, integer(std::numeric_limits<std::int32_t>::min()), integer(1)), -1);
    EXPECT_EQ(valueCompare(engine, integer(3), real(3.0f)), 0);
    EXPECT_EQ(valueCompare(engine, real(std::nanf("")), real(1.0f)), 0);

    ScriptValue ten = text(engine, "10"), ab = text(engine, "ab"), abc = text(engine, "abc");
    ScriptValue high = text(engine, "\xe9"), half = text(engine, "0.500000"), empty = text(engine, "");
    EXPECT_EQ(valueCompare(engine, ten, integer(9)), -1);  // "10" < "9"
    EXPECT_EQ(valueCompare(engine, high, abc), 1);         // bytes compare unsigned
    EXPECT_EQ(valueCompare(engine, half, real(0.5f)), 0);
    ScriptValue nothing, unassigned;
    nothing.type = kVoid;
    unassigned.type = kText;
    EXPECT_EQ(valueCompare(engine, nothing, empty), 0);
    EXPECT_EQ(valueCompare(engine, unassigned, empty), 0);
    ScriptValue b = object(engine, "Boolean");
    EXPECT_EQ(valueCompare(engine, b, empty), 0);  // no toString installed yet
    engine.objects.objectText = [](Engine&, ScriptObject& o) { return std::string(o.objectClass->name); };
    EXPECT_EQ(valueCompare(engine, b, abc), -1);  // "Boolean" < "abc"
    for (ScriptValue* v : {&ten, &ab, &abc, &high, &half, &empty, &b}) valueRelease(engine, *v);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(Values, EngineReleasesEveryStackAndWithEntryWhenItEnds) {
    // The texts come from another engine's allocator, so each release shows as this one's
    // "free invalid block" report while the owner keeps the memory.
    Engine owner;
    CollectTrace collect;
    {
        Engine engine;
        engine.trace.setSink(&collect);
        for (ScriptValue* v : {&engine.stack.entries[0].value, &engine.stack.entries[kValueStackSize - 1].value,
                               &engine.with.objects[0], &engine.with.objects[kWithDepth - 1]})
            valueSetText(owner, *v, "foreign");
    }
    int reports = 0;
    for (const std::string& line : collect.lines) reports += line == "ERROR: free invalid block\n";
    EXPECT_EQ(reports, 4);
}

TEST(ValuesText, IntegerAndFloatToText) {
    EXPECT_EQ(integerToText(-5), "-5");
    EXPECT_EQ(integerToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(integerToText(255, 16), "FF");
    EXPECT_EQ(integerToText(-10, 2), "-1010");

    EXPECT_EQ(floatToText(5.0f), "5.0");
    EXPECT_EQ(floatToText(0.5f), "0.500000");
    EXPECT_EQ(floatToText(-2.25f), "-2.250000");
    EXPECT_EQ(floatToText(10.0f), "10.0");
    EXPECT_EQ(floatToText(-0.0f), "0.0");
    EXPECT_EQ(floatToText(0.7f), "0.700000");
    EXPECT_EQ(floatToText(std::bit_cast<float>(0x3dfcd6deu)), "0.123456");
    EXPECT_EQ(floatToText(-123.456f), "-123.456001");
    EXPECT_EQ(floatToText(-3e9f), "-3000000000.0");
    EXPECT_EQ(floatToText(std::numeric_limits<float>::max()), "340282346638528859811704183484516925440.0");
    EXPECT_EQ(floatToText(std::numeric_limits<float>::quiet_NaN()), "NaN");
    EXPECT_EQ(floatToText(-std::numeric_limits<float>::infinity()), "-Infinity");
}

TEST(ValuesText, TextToNumbers) {
    EXPECT_EQ(textToInteger("0x1f"), 31);
    EXPECT_EQ(textToInteger("12"), 12);
    EXPECT_EQ(textToInteger("0xFF"), 255);
    EXPECT_EQ(textToInteger("12ab"), 12);
    EXPECT_EQ(textToInteger("-5"), 0);
    EXPECT_EQ(textToInteger("0xffffffff"), -1);
    EXPECT_EQ(textToInteger("99999999999999999999"), 1661992959);  // wraps modulo 2^32

    EXPECT_EQ(textToFloat("2.25f"), 2.25f);
    EXPECT_EQ(textToFloat("12."), 12.0f);
    EXPECT_EQ(textToFloat(".5"), 0.5f);
    EXPECT_EQ(textToFloat("1e5"), 1.0f);
    EXPECT_EQ(textToFloat("0.1"), 0.1f);
    EXPECT_TRUE(std::isinf(textToFloat(std::string(60, '9'))));
    EXPECT_EQ(textToFloat("0." + std::string(60, '0') + "1"), 0.0f);
}

TEST(ValuesArray, GrowKeepsElementsInOrderAndAddsIntegerZeros) {
    Engine engine;
    ScriptValue v = integers(engine, {7, 8, 9});
    ArrayStore& store = *v.payload.array;
    valueSetText(engine, store.elements[1], "eight");
    arrayGrow(engine, store, 5);
    ASSERT_EQ(store.count, 5);
    EXPECT_EQ(store.elements[0].payload.integer, 7);
    EXPECT_EQ(textOf(store.elements[1]), "eight");
    EXPECT_EQ(store.elements[2].payload.integer, 9);
    EXPECT_EQ(store.elements[4].payload.integer, 0);
    const ScriptValue* elements = store.elements;
    arrayGrow(engine, store, 2);
    EXPECT_EQ(store.count, 5);
    EXPECT_EQ(store.elements, elements);
    valueRelease(engine, v);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(ValuesArray, NegativeAndAbsurdCountsAreRefused) {
    CollectTrace collect;
    Engine engine;
    engine.trace.setSink(&collect);
    ArrayStore* negative = arrayCreate(engine, -4);
    ArrayStore* huge = arrayCreate(engine, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(negative->count, 0);
    EXPECT_EQ(huge->count, 0);
    ScriptValue v = integers(engine, {1, 2});
    arrayGrow(engine, *v.payload.array, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(v.payload.array->count, 2);
    EXPECT_TRUE(collect.contains("refused"));
    arrayDestroy(engine, negative);
    arrayDestroy(engine, huge);
    valueRelease(engine, v);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(Objects, CoreClassesComeFirstWithTheirFlagsAndFields) {
    ObjectSystem objects;
    const std::pair<const char*, std::string> expected[] = {
        {"base_io", "1 mode:I buffer:O"},
        {"Array", "3 array:A input:I index:I length:I"},
        {"Boolean", "1 value:I"},
        {"String", "15 text:S length:I"},
        {"Math", "1 E:F LN10:F LN2:F LOG10E:F LOG2E:F PI:F SQRT1_2:F SQRT2:F"},
    };
    for (const auto& [name, description] : expected) {
        const ObjectClass* c = objects.findClass(name);
        ASSERT_NE(c, nullptr) << name;
        std::string actual = std::to_string(c->flags);
        for (const FieldEntry& f : c->fields) actual += std::string(" ") + f.name + ":" + f.type;
        EXPECT_EQ(actual, description);
    }
    EXPECT_EQ(objects.findClass("string"), nullptr);
    const ObjectClass vertex{"KSvertex", 0, {}, {}}, fakeMath{"Math", 0, {}, {}};
    const ObjectClass* list[] = {&fakeMath, &vertex};
    objects.setExtensionClasses(list);
    EXPECT_EQ(objects.findClass("KSvertex"), &vertex);
    EXPECT_EQ(objects.findClass("Math")->flags, 1u);
}

TEST(Objects, NewObjectFieldsStartWithTheirTypesInitialValues) {
    Engine engine;
    ScriptObject* array = objectCreate(engine, *engine.objects.findClass("Array"));
    ScriptObject* math = objectCreate(engine, *engine.objects.findClass("Math"));
    ScriptObject* string = objectCreate(engine, *engine.objects.findClass("String"));
    EXPECT_EQ(array->refcount, 0);
    EXPECT_EQ(array->fields[0].type, kArray);
    EXPECT_EQ(array->fields[0].payload.array, nullptr);
    EXPECT_EQ(array->fields[3].payload.integer, 57005);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(math->fields[5].payload.real), 0x3dfcd6deu);
    EXPECT_EQ(string->fields[0].type, kText);
    EXPECT_EQ(string->fields[0].payload.text, nullptr);
    EXPECT_EQ(engine.objects.created, 3u);
    // Released while nobody counts them, they are freed.
    for (ScriptObject* o : {array, math, string}) objectRelease(engine, o);
    EXPECT_EQ(engine.objects.releases, 3u);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(Objects, CopySharesPlainObjectsAndClonesStrings) {
    Engine engine;
    ScriptValue b = object(engine, "Boolean"), c;
    valueCopy(engine, c, b);
    ASSERT_EQ(c.payload.object, b.payload.object);
    EXPECT_EQ(b.payload.object->refcount, 2);
    c.payload.object->fields[0].payload.integer = 1;
    EXPECT_EQ(b.payload.object->fields[0].payload.integer, 1);
    valueRelease(engine, b);
    EXPECT_EQ(engine.memory.liveBlocks(), 2);  // c still holds the object and its fields

    ScriptValue s = object(engine, "String"), t;
    valueSetText(engine, s.payload.object->fields[0], "ab");
    valueCopy(engine, t, s);
    ASSERT_NE(t.payload.object, s.payload.object);
    EXPECT_EQ(t.payload.object->refcount, 1);
    EXPECT_EQ(s.payload.object->refcount, 1);
    valueSetText(engine, t.payload.object->fields[0], "zz");
    EXPECT_EQ(textOf(s.payload.object->fields[0]), "ab");
    for (ScriptValue* v : {&c, &s, &t}) valueRelease(engine, *v);
    EXPECT_EQ(engine.objects.created, 3u);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(Objects, StaticObjectsAreNeitherCountedNorFreedAndCloneIntoOrdinaryOnes) {
    Engine engine;
    ScriptValue booleanFields[1], stringFields[2];
    ScriptObject booleanStatic{engine.objects.findClass("Boolean"), booleanFields, 1, kObjectStatic};
    ScriptObject stringStatic{engine.objects.findClass("String"), stringFields, 1, kObjectStatic};
    valueSetText(engine, stringFields[0], "static");
    ScriptValue v, copy;
    v.type = kObject;
    v.payload.object = &booleanStatic;
    valueCopy(engine, copy, v);
    EXPECT_EQ(copy.payload.object, &booleanStatic);
    valueRelease(engine, copy);
    EXPECT_EQ(booleanStatic.refcount, 1);
    EXPECT_EQ(engine.objects.releases, 0u);

    v.payload.object = &stringStatic;
    valueCopy(engine, copy, v);
    ASSERT_NE(copy.payload.object, &stringStatic);
    EXPECT_EQ(copy.payload.object->flags & kObjectStatic, 0u);
    EXPECT_EQ(textOf(copy.payload.object->fields[0]), "static");
    valueRelease(engine, copy);
    valueRelease(engine, stringFields[0]);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
}

TEST(Objects, AnObjectHoldingItselfIsFreedOnce) {
    CollectTrace collect;
    Engine engine;
    engine.trace.setSink(&collect);
    ScriptObject* io = objectCreate(engine, *engine.objects.findClass("base_io"));
    ScriptValue uncounted;
    uncounted.type = kObject;
    uncounted.payload.object = io;
    valueCopy(engine, io->fields[1], uncounted);  // buffer = itself
    objectRelease(engine, io);
    EXPECT_EQ(engine.memory.liveBlocks(), 0);
    EXPECT_FALSE(collect.contains("ERROR"));
}

// The one float-to-integer rule of the engine, at its edges.
TEST(Values, FloatsBecomeIntegersByTruncationHeldToTheRange) {
    using kestrel::script::truncatedToInteger;
    EXPECT_EQ(truncatedToInteger(2.9f), 2);
    EXPECT_EQ(truncatedToInteger(-2.9f), -2);
    EXPECT_EQ(truncatedToInteger(-0.5f), 0);
    EXPECT_EQ(truncatedToInteger(2147483648.0f), 2147483647);
    EXPECT_EQ(truncatedToInteger(-2147483648.0f), -2147483647 - 1);
    EXPECT_EQ(truncatedToInteger(-1e20f), -2147483647 - 1);
    EXPECT_EQ(truncatedToInteger(2147483520.0f), 2147483520);  // the largest float below 2^31
    EXPECT_EQ(truncatedToInteger(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(truncatedToInteger(std::numeric_limits<float>::infinity()), 2147483647);
}
