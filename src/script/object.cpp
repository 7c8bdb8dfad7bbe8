#include "script/object.h"

#include <bit>
#include <new>

#include "script/engine.h"

namespace kestrel::script {

namespace {

// The core classes. Their methods are added with the evaluator's calling convention.
constexpr FieldEntry kBaseIoFields[] = {{"mode", kInteger}, {"buffer", kObject}};
constexpr FieldEntry kArrayFields[] = {{"array", kArray}, {"input", kInteger}, {"index", kInteger}, {"length", kInteger}};
constexpr FieldEntry kBooleanFields[] = {{"value", kInteger}};
constexpr FieldEntry kStringFields[] = {{"text", kText}, {"length", kInteger}};
constexpr FieldEntry kMathFields[] = {{"E", kFloat},      {"LN10", kFloat},    {"LN2", kFloat},   {"LOG10E", kFloat},
                                      {"LOG2E", kFloat},  {"PI", kFloat},      {"SQRT1_2", kFloat}, {"SQRT2", kFloat}};

const ObjectClass kBaseIoClass{"base_io", kClassConstruct, {}, kBaseIoFields};
const ObjectClass kArrayClass{"Array", kClassConstruct | kClassCountElements, {}, kArrayFields};
const ObjectClass kBooleanClass{"Boolean", kClassConstruct, {}, kBooleanFields};
const ObjectClass kStringClass{
    "String", kClassConstruct | kClassCountElements | kClassCopyOnAssign | kClassIndexByChar, {}, kStringFields};
const ObjectClass kMathClass{"Math", kClassConstruct, {}, kMathFields};

// Set on an object while its fields are released, so that a field leading back to the
// object (a reference cycle) does not free it a second time.
constexpr std::uint32_t kObjectDying = 0x80000000u;

constexpr std::int32_t kFreshInteger = 57005;             // 0xDEAD
constexpr std::uint32_t kFreshFloatBits = 0x3dfcd6deu;  // 0.1234567

ScriptObject* newObject(Engine& engine, const ObjectClass& objectClass, std::uint32_t flags) {
    auto* object = new (engine.memory.allocate(kTagObject, __LINE__, sizeof(ScriptObject))) ScriptObject{};
    object->objectClass = &objectClass;
    object->flags = flags;
    const std::size_t count = objectClass.fields.size();
    if (count) {
        void* block = engine.memory.allocate(kTagObject, __LINE__, count * sizeof(ScriptValue));
        object->fields = static_cast<ScriptValue*>(block);
        for (std::size_t i = 0; i < count; ++i) new (object->fields + i) ScriptValue{};
    }
    ++engine.objects.created;
    return object;
}

}  // namespace

ObjectSystem::ObjectSystem() : core{&kBaseIoClass, &kArrayClass, &kBooleanClass, &kStringClass, &kMathClass} {}

const ObjectClass* ObjectSystem::findClass(std::string_view name) const {
    for (const ObjectClass* c : core)
        if (name == c->name) return c;
    for (const ObjectClass* c : extensions)
        if (c && c->name && name == c->name) return c;
    return nullptr;
}

// A field of a type without an initial value of its own starts as 0.
ScriptObject* objectCreate(Engine& engine, const ObjectClass& objectClass) {
    ScriptObject* object = newObject(engine, objectClass, 0);
    for (std::size_t i = 0; i < objectClass.fields.size(); ++i) {
        ScriptValue& field = object->fields[i];
        field.type = objectClass.fields[i].type;
        if (field.type == kInteger)
            field.payload.integer = kFreshInteger;
        else if (field.type == kFloat)
            field.payload.real = std::bit_cast<float>(kFreshFloatBits);
    }
    return object;
}

// The clone is never static, even when the original is a class's static object: it is an
// ordinary object, counted and freed like any other.
ScriptObject* objectClone(Engine& engine, const ScriptObject& object) {
    ScriptObject* clone = newObject(engine, *object.objectClass, object.flags & ~(kObjectStatic | kObjectDying));
    for (std::size_t i = 0; i < object.objectClass->fields.size(); ++i)
        valueCopy(engine, clone->fields[i], object.fields[i]);
    return clone;
}

// An object released while nobody counts it (refcount 0, as objectCreate returns it) has no
// other sharer and is freed as well.
void objectRelease(Engine& engine, ScriptObject* object) {
    if (!object || (object->flags & kObjectStatic)) return;
    ++engine.objects.releases;
    if (object->flags & kObjectDying) return;
    if (--object->refcount > 0) return;
    object->flags |= kObjectDying;
    if (object->fields) {
        for (std::size_t i = 0; i < object->objectClass->fields.size(); ++i) valueRelease(engine, object->fields[i]);
        engine.memory.free(object->fields);
    }
    engine.memory.free(object);
}

}  // namespace kestrel::script
