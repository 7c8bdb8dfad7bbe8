#pragma once
// What the core class files share: the class records the object system lists, and the
// helpers their methods read arguments and write fields and results with.
#include <cstdint>
#include <string>
#include <string_view>

#include "script/object.h"

namespace kestrel::script {

const ObjectClass& baseIoClass();
const ObjectClass& booleanClass();
const ObjectClass& mathClass();

// A value released when it goes out of scope, also when a run ends inside a method.
struct Held {
    explicit Held(Engine& owner) : engine(owner) {}
    ~Held();
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

    Engine& engine;
    ScriptValue value{};
};

// Moves a value, owned by the caller until now, into a method's result; what the result held
// before is released afterwards, so a value taken from the result's own contents is safe.
void setResult(Engine& engine, ScriptValue& result, ScriptValue& value);
void setResultInteger(Engine& engine, ScriptValue& result, std::int32_t n);
// An object that already carries the count the result takes over.
void setResultObject(Engine& engine, ScriptValue& result, ScriptObject* object);
// A new String object holding text.
void setResultString(Engine& engine, ScriptValue& result, std::string_view text);

// A field (or element) becomes 'I' n or 'F' f, releasing what it held.
void setInteger(Engine& engine, ScriptValue& field, std::int32_t n);
void setFloat(Engine& engine, ScriptValue& field, float f);

// The integer a number argument stands for: 'I' as it is, 'F' truncated (and held to the
// integer range, NaN 0); anything else 0.
std::int32_t integerOf(const ScriptValue& v);
// A value as join writes it: 'A' "ARRAY", 'F' float text, 'I' decimal, 'O' the object's text,
// 'S' the text (an unassigned one ""), anything else "".
std::string joinText(Engine& engine, const ScriptValue& v);
// A new object of the class constructed without arguments, refcount 1.
ScriptObject* newConstructed(Engine& engine, const ObjectClass& objectClass);
// A new Array object of count 'I' 0 elements, refcount 1.
ScriptObject* makeArray(Engine& engine, std::int32_t count);
// The elements of an Array object; null for anything else, or an Array whose store a script
// replaced.
struct ArrayStore;
ArrayStore* arrayElements(const ScriptValue& v);
// Grows an Array object to at least count elements (the new ones 'I' 0), keeping its length.
void setArrayCount(Engine& engine, ScriptObject& array, std::int32_t count);

// Whether the object is of the class: methods do nothing to an object of another class.
inline bool isOf(const ScriptObject& object, const ObjectClass& objectClass) {
    return object.objectClass == &objectClass && (object.fields || objectClass.fields.empty());
}

}  // namespace kestrel::script
