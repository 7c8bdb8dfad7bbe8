// The classes base_io, Boolean and Math, and what every core class shares.
#include <cmath>
#include <limits>

#include "script/application.h"
#include "script/engine.h"
#include "script/frames.h"
#include "script/jsclass.h"

namespace kestrel::script {

Held::~Held() { valueRelease(engine, value); }

void setResult(Engine& engine, ScriptValue& result, ScriptValue& value) {
    if (&value == &result) return;
    ScriptValue old = result;
    result = value;
    valueInit(value);
    valueRelease(engine, old);
}

void setResultInteger(Engine& engine, ScriptValue& result, std::int32_t n) {
    ScriptValue v;
    v.payload.integer = n;
    setResult(engine, result, v);
}

void setResultObject(Engine& engine, ScriptValue& result, ScriptObject* object) {
    ScriptValue v;
    v.type = kObject;
    v.payload.object = object;
    setResult(engine, result, v);
}

void setResultString(Engine& engine, ScriptValue& result, std::string_view text) {
    setResultObject(engine, result, makeString(engine, text));
}

void setInteger(Engine& engine, ScriptValue& field, std::int32_t n) {
    valueRelease(engine, field);
    field.payload.integer = n;
}

void setFloat(Engine& engine, ScriptValue& field, float f) {
    valueRelease(engine, field);
    field.type = kFloat;
    field.payload.real = f;
}

std::int32_t integerOf(const ScriptValue& v) {
    if (v.type == kInteger) return v.payload.integer;
    return v.type == kFloat ? truncatedToInteger(v.payload.real) : 0;
}

std::string joinText(Engine& engine, const ScriptValue& v) {
    switch (v.type) {
        case kArray:
            return "ARRAY";
        case kObject: {
            ScriptObject* object = v.payload.object;
            if (!object) return {};
            // Counted while its methods run, so the object outlives its text whatever they do.
            // One that nothing counts yet is left as it is: letting go of the count would free it.
            Held hold{engine};
            if (object->refcount > 0 && !(object->flags & kObjectStatic)) {
                hold.value.type = kObject;
                hold.value.payload.object = object;
                ++object->refcount;
            }
            return objectToText(engine, *object);
        }
        case kFloat:
        case kInteger:
        case kText:
            return valueText(engine, v);
        default:
            return {};
    }
}

ScriptObject* newConstructed(Engine& engine, const ObjectClass& objectClass) {
    openFrame(engine);
    ScriptObject* object = createObject(engine, &objectClass);
    closeFrame(engine);
    object->refcount = 1;
    return object;
}

namespace {

// ---- base_io: a demonstration class with a writeln ----

enum BaseIoField { kMode, kBuffer };

void baseIoConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, baseIoClass())) return;
    engine.trace("CLASS:base_io:constructor\n");
    ScriptValue buffer;
    buffer.type = kObject;
    buffer.payload.object = makeString(engine, "default buffer setting");
    setResult(engine, self.fields[kBuffer], buffer);
    setInteger(engine, self.fields[kMode], 0);
    for (int i = argumentCount(engine) - 1; i >= 0; --i) {
        const ScriptValue& a = argument(engine, i);
        if (a.type == kObject)
            valueCopy(engine, self.fields[kBuffer], a);
        else
            engine.trace("illegal constructor for base_io class\n");
    }
}

// Numbers go to the process's standard output, everything else to the engine trace (and to
// the application, which shows it).
void baseIoWriteln(Engine& engine, ScriptObject&, ScriptValue&) {
    const int count = argumentCount(engine);
    for (int i = 0; i < count; ++i) {
        const ScriptValue& a = argument(engine, i);
        switch (a.type) {
            case kInteger:
            case kFloat:
                if (engine.objects.standardOutput) engine.objects.standardOutput(valueText(engine, a) + "\n");
                break;
            case kObject: {
                const std::string text = joinText(engine, a);
                engine.trace("%s\n", text.c_str());
                if (engine.application) engine.application->writeOutput(text);
                break;
            }
            case kText:
                if (a.payload.text) {
                    engine.trace("%s\n", a.payload.text);
                    if (engine.application) engine.application->writeOutput(a.payload.text);
                } else
                    engine.trace("base_io.writeln:*UNASSIGNED STRING VARIABLE*\n");
                break;
            default:
                engine.trace("base_io.writeln:unknown variable type '%c'\n", a.type);
                break;
        }
    }
}

// toString and toInt alike.
void baseIoToString(Engine& engine, ScriptObject&, ScriptValue& result) {
    setResultString(engine, result, "An Object Of The Demonstration Class 'base_io'.");
}

constexpr MethodEntry kBaseIoMethods[] = {
    {baseIoConstruct, "base_io", "V:"},
    {baseIoWriteln, "writeln", "V:S"},
    {baseIoToString, "toString", "S:"},
    {baseIoToString, "toInt", "I:"},
};
constexpr FieldEntry kBaseIoFields[] = {{"mode", kInteger}, {"buffer", kObject}};
constexpr ObjectClass kBaseIoClass{"base_io", kClassConstruct, kBaseIoMethods, kBaseIoFields};

// ---- Boolean ----

constexpr int kBooleanValue = 0;

// Only the last argument counts. An argument of another type (an array, a void) gives false.
void booleanConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, booleanClass())) return;
    engine.trace("CLASS:Boolean:constructor\n");
    std::int32_t value = 0;
    if (const int count = argumentCount(engine)) {
        const ScriptValue& a = argument(engine, count - 1);
        switch (a.type) {
            case kFloat:
                value = a.payload.real != 0.0f;
                break;
            case kInteger:
                value = a.payload.integer != 0;
                break;
            case kObject:
                value = 1;
                break;
            case kText:
                value = a.payload.text && a.payload.text[0];
                break;
            default:
                break;
        }
    }
    setInteger(engine, self.fields[kBooleanValue], value);
}

void booleanToString(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, booleanClass())) return;
    setResultString(engine, result, integerOf(self.fields[kBooleanValue]) ? "true" : "false");
}

void booleanToInt(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, booleanClass())) return;
    setResultInteger(engine, result, integerOf(self.fields[kBooleanValue]));
}

constexpr MethodEntry kBooleanMethods[] = {
    {booleanConstruct, "Boolean", "V:"},
    {booleanToString, "toString", "S:"},
    {booleanToInt, "toInt", "I:"},
};
constexpr FieldEntry kBooleanFields[] = {{"value", kInteger}};
constexpr ObjectClass kBooleanClass{"Boolean", kClassConstruct, kBooleanMethods, kBooleanFields};

// ---- Math: the constants, in single precision and to the digits given, and abs ----

constexpr float kMathConstants[] = {2.718f, 2.302f, 0.693f, 0.434f, 1.442f, 3.14159f, 0.707f, 1.414f};

void mathConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, mathClass())) return;
    for (std::size_t i = 0; i < std::size(kMathConstants); ++i) setFloat(engine, self.fields[i], kMathConstants[i]);
}

// The magnitude of the one argument. The most negative integer has none in 32 bits: it gives
// the largest integer rather than itself.
void mathAbs(Engine& engine, ScriptObject&, ScriptValue& result) {
    if (argumentCount(engine) != 1) return;
    const ScriptValue& a = argument(engine, 0);
    if (a.type == kFloat) {
        ScriptValue v;
        v.type = kFloat;
        v.payload.real = std::fabs(a.payload.real);
        setResult(engine, result, v);
    } else if (a.type == kInteger) {
        const std::int32_t n = a.payload.integer;
        setResultInteger(engine, result,
                         n == std::numeric_limits<std::int32_t>::min() ? std::numeric_limits<std::int32_t>::max()
                                                                       : (n < 0 ? -n : n));
    }
}

constexpr MethodEntry kMathMethods[] = {
    {mathConstruct, "Math", "V:"},
    {mathAbs, "abs", "I:"},
};
constexpr FieldEntry kMathFields[] = {{"E", kFloat},     {"LN10", kFloat}, {"LN2", kFloat},     {"LOG10E", kFloat},
                                      {"LOG2E", kFloat}, {"PI", kFloat},   {"SQRT1_2", kFloat}, {"SQRT2", kFloat}};
constexpr ObjectClass kMathClass{"Math", kClassConstruct, kMathMethods, kMathFields};

}  // namespace

const ObjectClass& baseIoClass() { return kBaseIoClass; }
const ObjectClass& booleanClass() { return kBooleanClass; }
const ObjectClass& mathClass() { return kMathClass; }

}  // namespace kestrel::script
