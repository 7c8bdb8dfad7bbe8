#pragma once
// Objects of the classes the host defines: a class has a name, flags, a method table and a
// field table; scripts create objects of them and reach each class's static object by name.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/variable.h"

namespace kestrel::script {

struct ScriptObject;
using NativeMethod = void (*)(Engine& engine, ScriptObject& self, ScriptValue& result);

struct MethodEntry {
    NativeMethod fn;
    const char* name;
    const char* signature;  // "R:P...": result letter, ':', a letter per parameter
};

struct FieldEntry {
    const char* name;
    char type;
};

// Class flags.
inline constexpr std::uint32_t kClassConstruct = 1;     // run the constructor on creation
inline constexpr std::uint32_t kClassCountElements = 2; // for-in counts elements, not fields
inline constexpr std::uint32_t kClassCopyOnAssign = 4;  // Copy clones the object
inline constexpr std::uint32_t kClassIndexByChar = 8;   // an integer index gives a character

struct ObjectClass {
    const char* name;
    std::uint32_t flags;
    std::span<const MethodEntry> methods;  // entry 0 is the constructor, named after the class
    std::span<const FieldEntry> fields;
};

inline constexpr std::uint32_t kObjectStatic = 1;  // never counted or freed

struct ScriptObject {
    const ObjectClass* objectClass = nullptr;
    ScriptValue* fields = nullptr;  // one per field of the class, in table order
    std::int32_t refcount = 0;
    std::uint32_t flags = 0;
};

// The class lists and the objects' bookkeeping of one engine.
class ObjectSystem {
public:
    ObjectSystem();
    // The core classes (base_io, Array, Boolean, String, Math) come first in every lookup,
    // then the host's extension list.
    void setExtensionClasses(std::span<const ObjectClass* const> classes) { extensions = classes; }
    const ObjectClass* findClass(std::string_view name) const;

    // The text of an object where a value is turned into text (its toString result). Until
    // the evaluator installs the call, objects read as "".
    std::function<std::string(Engine&, ScriptObject&)> objectText;

    std::uint64_t created = 0;   // objects made, new and cloned
    std::uint64_t releases = 0;  // release calls on counted objects

private:
    std::vector<const ObjectClass*> core;
    std::span<const ObjectClass* const> extensions;
};

// A new object of the class with each field set to its type's initial value, refcount 0
// (the caller counts the value it stores it in). Constructors are run by the evaluator.
ScriptObject* objectCreate(Engine& engine, const ObjectClass& objectClass);
// A new object of the same class and flags, each field Copied, refcount 0.
ScriptObject* objectClone(Engine& engine, const ScriptObject& object);
// One sharer fewer; the last one releases the fields and frees the object. Static objects
// are left alone.
void objectRelease(Engine& engine, ScriptObject* object);

}  // namespace kestrel::script
