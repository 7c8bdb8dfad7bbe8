#pragma once
// Objects of the classes the host defines: a class has a name, flags, a method table and a
// field table; scripts create objects of them and reach each class's static object by name.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/variable.h"

namespace kestrel::script {

struct ScriptObject;
// A method reads its arguments from the current frame (argumentCount, argument) and writes
// its return value into result, releasing what result held; a "V:" method leaves it alone.
// A new object returned in an 'O' result carries one count.
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
inline constexpr std::uint32_t kClassConstruct = 1;      // run the constructor on creation
inline constexpr std::uint32_t kClassCountElements = 2;  // for-in counts elements, not fields
inline constexpr std::uint32_t kClassCopyOnAssign = 4;   // Copy clones the object
inline constexpr std::uint32_t kClassIndexByChar = 8;    // an integer index gives a character

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
    ~ObjectSystem();
    ObjectSystem(const ObjectSystem&) = delete;
    ObjectSystem& operator=(const ObjectSystem&) = delete;

    // The core classes (base_io, Array, Boolean, String, Math) come first in every lookup,
    // then the host's extension list.
    void setExtensionClasses(std::span<const ObjectClass* const> classes) { extensions = classes; }
    const ObjectClass* findClass(std::string_view name) const;

    // The text of an object where a value is turned into text (its toString result).
    // initialiseObjectSystem installs objectToText; until then objects read as "".
    std::function<std::string(Engine&, ScriptObject&)> objectText;
    // Where writeln sends integers and floats: the process's standard output unless replaced.
    std::function<void(std::string_view)> standardOutput;

    std::uint64_t created = 0;   // objects made, new and cloned
    std::uint64_t releases = 0;  // release calls on counted objects

private:
    // A class's static object with its field block, which is not the allocator's.
    struct StaticObject {
        ScriptObject object;
        std::vector<ScriptValue> fields;
    };

    std::vector<const ObjectClass*> core;
    std::span<const ObjectClass* const> extensions;
    std::vector<std::unique_ptr<StaticObject>> statics;  // in the order they were first asked for
    std::vector<const ScriptObject*> converting;         // objects whose text is being made

    friend ScriptObject* staticObject(Engine& engine, const ObjectClass& objectClass);
    friend void initialiseObjectSystem(Engine& engine);
    friend void closedownObjectSystem(Engine& engine);
    friend std::string objectToText(Engine& engine, ScriptObject& object);
};

// A new object of the class with each field set to its type's initial value, refcount 0
// (the caller counts the value it stores it in). No constructor runs: see createObject.
ScriptObject* objectCreate(Engine& engine, const ObjectClass& objectClass);
// A new object of the same class and flags, each field Copied, refcount 0.
ScriptObject* objectClone(Engine& engine, const ScriptObject& object);
// One sharer fewer; the last one releases the fields and frees the object. Static objects
// are left alone.
void objectRelease(Engine& engine, ScriptObject* object);

// At the start of every run: every class's static object gets its fields typed and set to
// their initial values, and its constructor run without arguments when the class asks for
// construction. Installs objectToText as the engine's object text.
void initialiseObjectSystem(Engine& engine);
// When the script is unloaded: releases every value held by a static object.
void closedownObjectSystem(Engine& engine);
// The class's one static object (kObjectStatic, refcount 1), which scripts reach through the
// class name. Made with fresh fields on first use; initialiseObjectSystem constructs it.
ScriptObject* staticObject(Engine& engine, const ObjectClass& objectClass);

// A new object of the class, refcount 0, counted, fields initialised; a class with
// kClassConstruct has its constructor run with the arguments of the current frame, which
// the caller opened and filled. A null class is traced and gives null.
ScriptObject* createObject(Engine& engine, const ObjectClass* objectClass);
// Index in the class's method or field table, or -1.
int findMethod(const ObjectClass& objectClass, std::string_view name);
int findField(const ObjectClass& objectClass, std::string_view name);
// -1 when the object's class has no such method; otherwise calls it with the current
// frame's arguments and gives 0.
int callMethodByName(Engine& engine, ScriptObject& object, std::string_view name, ScriptValue& result);
// The text of an object: its toString result, turned into text by that result's toStringV
// when it is an object; "" when the class has neither method. An object met again while
// its own text is being made (an array holding itself) reads as "".
std::string objectToText(Engine& engine, ScriptObject& object);

// Opens a frame and pushes one 'S' argument holding a copy of text; the caller closes it.
void pushNativeText(Engine& engine, std::string_view text);
// A new String object holding a copy of text, refcount 1.
ScriptObject* makeString(Engine& engine, std::string_view text);

// The core classes the evaluator builds literals of.
const ObjectClass& stringClass();
const ObjectClass& arrayClass();

}  // namespace kestrel::script
