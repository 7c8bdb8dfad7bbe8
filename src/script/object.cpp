#include "script/object.h"

#include <algorithm>
#include <bit>
#include <iostream>
#include <new>

#include "script/engine.h"
#include "script/frames.h"
#include "script/jsclass.h"

namespace kestrel::script {

namespace {

// Set on an object while its fields are released, so that a field leading back to the
// object (a reference cycle) does not free it a second time.
constexpr std::uint32_t kObjectDying = 0x80000000u;

constexpr std::int32_t kFreshInteger = 57005;           // 0xDEAD
constexpr std::uint32_t kFreshFloatBits = 0x3dfcd6deu;  // 0.1234567

// Object texts made inside object texts (arrays of arrays of ...) go this deep at most; a
// deeper one reads as "", so the native stack stays small whatever a script builds.
constexpr std::size_t kTextDepth = 64;

// A field of a type without an initial value of its own keeps the payload it has.
void setInitialValue(ScriptValue& field, char type) {
    field.type = type;
    if (type == kInteger)
        field.payload.integer = kFreshInteger;
    else if (type == kFloat)
        field.payload.real = std::bit_cast<float>(kFreshFloatBits);
    else if (type == kText)
        field.payload.text = nullptr;
    else if (type == kArray)
        field.payload.array = nullptr;
    else if (type == kObject)
        field.payload.object = nullptr;
}

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

// Runs the class's constructor on the object with the current frame's arguments.
void construct(Engine& engine, ScriptObject& object) {
    const ObjectClass& objectClass = *object.objectClass;
    if (!(objectClass.flags & kClassConstruct) || objectClass.methods.empty() || !objectClass.methods[0].fn) return;
    Held unused{engine};
    objectClass.methods[0].fn(engine, object, unused.value);
}

// Calls a method without arguments in a frame of its own.
bool callWithoutArguments(Engine& engine, ScriptObject& object, std::string_view name, ScriptValue& result) {
    if (!object.objectClass || findMethod(*object.objectClass, name) < 0) return false;
    openFrame(engine);
    callMethodByName(engine, object, name, result);
    closeFrame(engine);
    return true;
}

}  // namespace

ObjectSystem::ObjectSystem()
    : standardOutput{[](std::string_view text) {
          std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
      }},
      core{&baseIoClass(), &arrayClass(), &booleanClass(), &stringClass(), &mathClass()} {}

ObjectSystem::~ObjectSystem() = default;

const ObjectClass* ObjectSystem::findClass(std::string_view name) const {
    for (const ObjectClass* c : core)
        if (name == c->name) return c;
    for (const ObjectClass* c : extensions)
        if (c && c->name && name == c->name) return c;
    return nullptr;
}

ScriptObject* objectCreate(Engine& engine, const ObjectClass& objectClass) {
    ScriptObject* object = newObject(engine, objectClass, 0);
    for (std::size_t i = 0; i < objectClass.fields.size(); ++i)
        setInitialValue(object->fields[i], objectClass.fields[i].type);
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

ScriptObject* staticObject(Engine& engine, const ObjectClass& objectClass) {
    auto& statics = engine.objects.statics;
    for (const auto& s : statics)
        if (s->object.objectClass == &objectClass) return &s->object;
    auto made = std::make_unique<ObjectSystem::StaticObject>();
    made->fields.resize(objectClass.fields.size());
    for (std::size_t i = 0; i < objectClass.fields.size(); ++i)
        setInitialValue(made->fields[i], objectClass.fields[i].type);
    made->object = ScriptObject{&objectClass, made->fields.empty() ? nullptr : made->fields.data(), 1, kObjectStatic};
    statics.push_back(std::move(made));
    return &statics.back()->object;
}

// Running again without a closedown first releases what the static objects still hold
// rather than losing it.
void initialiseObjectSystem(Engine& engine) {
    engine.trace("JavaScript:InitialseObjectSystem()\n");
    ObjectSystem& objects = engine.objects;
    objects.objectText = [](Engine& e, ScriptObject& object) { return objectToText(e, object); };
    std::vector<const ObjectClass*> classes = objects.core;
    for (const ObjectClass* c : objects.extensions)
        if (c) classes.push_back(c);
    for (const ObjectClass* c : classes) {
        ScriptObject& object = *staticObject(engine, *c);
        for (std::size_t i = 0; i < c->fields.size(); ++i) {
            valueRelease(engine, object.fields[i]);
            setInitialValue(object.fields[i], c->fields[i].type);
        }
        openFrame(engine);  // no arguments
        construct(engine, object);
        closeFrame(engine);
    }
}

void closedownObjectSystem(Engine& engine) {
    engine.trace("JavaScript:ClosedownObjectSystem()\n");
    for (const auto& s : engine.objects.statics)
        for (ScriptValue& field : s->fields) valueRelease(engine, field);
}

// A constructor that ends the run takes the half-made object with it.
ScriptObject* createObject(Engine& engine, const ObjectClass* objectClass) {
    if (!objectClass) {
        engine.trace("CreateObjectClass:NULL class pointer?\n");
        return nullptr;
    }
    ScriptObject* object = objectCreate(engine, *objectClass);
    try {
        construct(engine, *object);
    } catch (...) {
        objectRelease(engine, object);
        throw;
    }
    return object;
}

int findMethod(const ObjectClass& objectClass, std::string_view name) {
    for (std::size_t i = 0; i < objectClass.methods.size(); ++i)
        if (objectClass.methods[i].name && name == objectClass.methods[i].name) return static_cast<int>(i);
    return -1;
}

int findField(const ObjectClass& objectClass, std::string_view name) {
    for (std::size_t i = 0; i < objectClass.fields.size(); ++i)
        if (objectClass.fields[i].name && name == objectClass.fields[i].name) return static_cast<int>(i);
    return -1;
}

// A table entry without a function is a method that does nothing.
int callMethodByName(Engine& engine, ScriptObject& object, std::string_view name, ScriptValue& result) {
    if (!object.objectClass) return -1;
    const int index = findMethod(*object.objectClass, name);
    if (index < 0) return -1;
    if (NativeMethod fn = object.objectClass->methods[static_cast<std::size_t>(index)].fn) fn(engine, object, result);
    return 0;
}

std::string objectToText(Engine& engine, ScriptObject& object) {
    auto& converting = engine.objects.converting;
    if (converting.size() >= kTextDepth || std::ranges::find(converting, &object) != converting.end()) return {};
    converting.push_back(&object);
    struct Leave {
        std::vector<const ScriptObject*>& list;
        ~Leave() { list.pop_back(); }
    } leave{converting};

    Held text{engine};
    if (!callWithoutArguments(engine, object, "toString", text.value) &&
        !callWithoutArguments(engine, object, "toStringV", text.value))
        return {};
    if (text.value.type == kObject) {
        Held inner{engine};
        ScriptObject* made = text.value.payload.object;
        if (!made || !callWithoutArguments(engine, *made, "toStringV", inner.value)) return {};
        valueMove(engine, text.value, inner.value);
        if (text.value.type == kObject) return {};
    }
    return valueText(engine, text.value);
}

void pushNativeText(Engine& engine, std::string_view text) {
    openFrame(engine);
    valueSetText(engine, pushValue(engine), text);
}

ScriptObject* makeString(Engine& engine, std::string_view text) {
    pushNativeText(engine, text);
    ScriptObject* string = createObject(engine, &stringClass());
    closeFrame(engine);
    string->refcount = 1;
    return string;
}

}  // namespace kestrel::script
