// The Array class: an element store with its length, and the methods that edit it.
//
// Methods that change the number of elements build a new store of the new size, move the
// elements they keep into it and then replace the old store, so an element is never lost or
// read twice and the length field always equals the store's count. A store the allocator
// refuses (far beyond any script's needs) leaves the array as it was.
#include <algorithm>
#include <vector>

#include "script/array.h"
#include "script/engine.h"
#include "script/frames.h"
#include "script/jsclass.h"

namespace kestrel::script {

namespace {

enum ArrayField { kElements, kInput, kIndex, kLength };

// The element store, or null when the field holds none (a script may have assigned it).
ArrayStore* storeOf(ScriptObject& self) {
    ScriptValue& field = self.fields[kElements];
    return field.type == kArray ? field.payload.array : nullptr;
}

std::int32_t countOf(ScriptObject& self) {
    const ArrayStore* store = storeOf(self);
    return store ? store->count : 0;
}

// Moves src into dst, which holds nothing of its own.
void take(ScriptValue& dst, ScriptValue& src) {
    dst = src;
    src = ScriptValue{};
}

// A store of n 'I' 0 values, or null when the allocator refuses n (it traces why).
ArrayStore* freshStore(Engine& engine, std::int64_t n) {
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(n, 0x7fffffff));
    ArrayStore* store = arrayCreate(engine, count);
    if (store->count == count) return store;
    arrayDestroy(engine, store);
    return nullptr;
}

void syncLength(Engine& engine, ScriptObject& self) { setInteger(engine, self.fields[kLength], countOf(self)); }

// Makes store the object's elements; the old store goes with whatever is still in it.
void install(Engine& engine, ScriptObject& self, ArrayStore* store) {
    ScriptValue v;
    v.type = kArray;
    v.payload.array = store;
    setResult(engine, self.fields[kElements], v);
    syncLength(engine, self);
}

bool isArrayObject(const ScriptValue& v) {
    return v.type == kObject && v.payload.object && isOf(*v.payload.object, arrayClass());
}

// The elements of an Array object or of an array value; null for anything else (and for an
// Array object whose field holds no store).
const ArrayStore* elementsOf(const ScriptValue& v) {
    if (v.type == kArray) return v.payload.array;
    return isArrayObject(v) ? storeOf(*v.payload.object) : nullptr;
}

// How many elements a value adds to a concatenation.
std::int64_t concatCount(const ScriptValue& v) {
    if (const ArrayStore* elements = elementsOf(v)) return elements->count;
    return v.type == kArray || isArrayObject(v) ? 0 : 1;
}

// The elements' texts between separators; "null" for no elements. The store is looked up
// again for every element, as an element's text comes from a method of its own.
std::string joinElements(Engine& engine, ScriptObject& self, const std::string& separator) {
    if (countOf(self) == 0) return "null";
    std::string text;
    for (std::int32_t i = 0; i < countOf(self); ++i) {
        if (i) text += separator;
        text += joinText(engine, storeOf(self)->elements[i]);
    }
    return text;
}

// Copies of the arguments in order; index 0, input 1234.
void arrayConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, arrayClass())) return;
    engine.trace("CLASS:Array:constructor\n");
    const int count = argumentCount(engine);
    ArrayStore* store = freshStore(engine, count);
    for (int i = 0; i < count; ++i) valueCopy(engine, store->elements[i], argument(engine, i));
    install(engine, self, store);
    setInteger(engine, self.fields[kIndex], 0);
    setInteger(engine, self.fields[kInput], 1234);
}

// A new Array of this array's elements and then each argument's: the elements of an Array
// object or array value, any other value as one element.
void arrayConcat(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, arrayClass())) return;
    ScriptObject* made = newConstructed(engine, arrayClass());
    const int count = argumentCount(engine);
    std::int64_t total = countOf(self);
    for (int i = 0; i < count; ++i) total += concatCount(argument(engine, i));
    ArrayStore* store = freshStore(engine, total);
    if (!store) {
        objectRelease(engine, made);
        return;
    }
    std::int32_t k = 0;
    auto append = [&](const ArrayStore* from) {
        for (std::int32_t i = 0; from && i < from->count; ++i)
            valueCopy(engine, store->elements[k++], from->elements[i]);
    };
    append(storeOf(self));
    for (int i = 0; i < count; ++i) {
        const ScriptValue& a = argument(engine, i);
        if (a.type == kArray || isArrayObject(a))
            append(elementsOf(a));
        else
            valueCopy(engine, store->elements[k++], a);
    }
    install(engine, *made, store);
    setResultObject(engine, result, made);
}

// The separator is the text of the last argument, whatever its type (a String object gives
// its text, a number its digits); "," without one.
void arrayJoin(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, arrayClass())) return;
    const int count = argumentCount(engine);
    const std::string separator = count ? joinText(engine, argument(engine, count - 1)) : ",";
    setResultString(engine, result, joinElements(engine, self, separator));
}

// Removes the element at index (the first or the last) and returns it; 'I' 0 when empty.
void removeOne(Engine& engine, ScriptObject& self, ScriptValue& result, bool first) {
    const std::int32_t count = countOf(self);
    if (count == 0) {
        syncLength(engine, self);
        setResultInteger(engine, result, 0);
        return;
    }
    ArrayStore* store = freshStore(engine, count - 1);
    if (!store) return;
    ArrayStore& old = *storeOf(self);
    Held removed{engine};
    const std::int32_t at = first ? 0 : count - 1;
    take(removed.value, old.elements[at]);
    for (std::int32_t i = 0, k = 0; i < count; ++i)
        if (i != at) take(store->elements[k++], old.elements[i]);
    install(engine, self, store);
    setResult(engine, result, removed.value);
}

void arrayPop(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (isOf(self, arrayClass())) removeOne(engine, self, result, false);
}

void arrayShift(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (isOf(self, arrayClass())) removeOne(engine, self, result, true);
}

// Puts Copies of the arguments before (or after) the elements.
bool insertArguments(Engine& engine, ScriptObject& self, bool before) {
    const int count = argumentCount(engine);
    const std::int32_t had = countOf(self);
    ArrayStore* store = freshStore(engine, std::int64_t{had} + count);
    if (!store) return false;
    const std::int32_t kept = before ? count : 0, added = before ? 0 : had;
    ArrayStore* old = storeOf(self);
    for (std::int32_t i = 0; i < had; ++i) take(store->elements[kept + i], old->elements[i]);
    for (int i = 0; i < count; ++i) valueCopy(engine, store->elements[added + i], argument(engine, i));
    install(engine, self, store);
    return true;
}

// Without arguments nothing is appended and the result is left alone.
void arrayPush(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, arrayClass())) return;
    const int count = argumentCount(engine);
    if (count == 0) return;
    // Appending grows the store in place, by doubling: a loop of pushes stays linear.
    if (ArrayStore* store = storeOf(self);
        store && store->count <= 0x7fffffff - count && arrayReserve(engine, *store, store->count + count)) {
        for (int i = 0; i < count; ++i) valueCopy(engine, store->elements[store->count + i], argument(engine, i));
        store->count += count;
        syncLength(engine, self);
    } else if (!insertArguments(engine, self, false)) {
        return;
    }
    Held last{engine};
    valueCopy(engine, last.value, argument(engine, count - 1));
    setResult(engine, result, last.value);
}

// The result is the new length (the old one without arguments).
void arrayUnshift(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, arrayClass())) return;
    if (argumentCount(engine)) insertArguments(engine, self, true);
    syncLength(engine, self);
    setResultInteger(engine, result, countOf(self));
}

void arrayReverse(Engine&, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, arrayClass())) return;
    ArrayStore* store = storeOf(self);
    if (!store) return;
    std::reverse(store->elements, store->elements + store->count);
}

// Ascending by valueCompare: a quicksort with the first element of each range as pivot and
// an explicit stack of ranges still to sort. The larger side of each partition waits on the
// stack while the smaller is sorted, so the stack never holds more than log2(count) ranges.
//
// Comparing objects runs their toString methods, so while it sorts the store is taken out of
// the object: nothing a method does to this array can free or resize the store under it.
void arraySort(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, arrayClass())) return;
    if (self.fields[kElements].type != kArray || !self.fields[kElements].payload.array) return;
    struct Detached {
        Engine& engine;
        ScriptObject& self;
        ScriptValue store{};
        ~Detached() { install(engine, self, store.payload.array); }
    } detached{engine, self};
    take(detached.store, self.fields[kElements]);
    ArrayStore& store = *detached.store.payload.array;

    struct Range {
        std::int32_t low, high;  // inclusive
    };
    std::vector<Range> pending;
    if (store.count > 1) pending.push_back({0, store.count - 1});
    ScriptValue* e = store.elements;
    while (!pending.empty()) {
        auto [low, high] = pending.back();
        pending.pop_back();
        while (low < high) {
            // Both scans stop at elements equal to the pivot, so runs of equal elements are
            // split evenly rather than one at a time.
            std::int32_t i = low, j = high + 1;
            for (;;) {
                while (++i < high && valueCompare(engine, e[i], e[low]) < 0) {
                }
                while (--j > low && valueCompare(engine, e[j], e[low]) > 0) {
                }
                if (i >= j) break;
                valueSwap(e[i], e[j]);
            }
            valueSwap(e[low], e[j]);  // the pivot's place
            if (j - low < high - j) {
                pending.push_back({j + 1, high});
                high = j - 1;
            } else {
                pending.push_back({low, j - 1});
                low = j + 1;
            }
        }
    }
}

// splice(start, count, items...). start is held to 0..length and count to what lies
// beyond start, so nothing outside the elements is read or removed. The result follows the
// number of elements actually removed: one gives the element itself, more a new Array of
// them, none leaves the result alone.
void arraySplice(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, arrayClass())) return;
    const int arguments = argumentCount(engine);
    if (arguments < 2) {
        engine.trace("Array::splice(): not enough parameters\n");
        return;
    }
    const std::int32_t had = countOf(self);
    const std::int32_t start = std::clamp(integerOf(argument(engine, 0)), 0, had);
    const std::int32_t removed = std::clamp(integerOf(argument(engine, 1)), 0, had - start);
    const int items = arguments - 2;
    ArrayStore* store = freshStore(engine, std::int64_t{had} - removed + items);
    if (!store) return;
    ScriptObject* removedArray = removed > 1 ? newConstructed(engine, arrayClass()) : nullptr;
    ArrayStore* removedStore = removed > 1 ? freshStore(engine, removed) : nullptr;
    Held single{engine};

    ArrayStore* old = storeOf(self);
    std::int32_t k = 0;
    for (std::int32_t i = 0; i < start; ++i) take(store->elements[k++], old->elements[i]);
    for (std::int32_t i = 0; i < removed; ++i)
        take(removedStore ? removedStore->elements[i] : single.value, old->elements[start + i]);
    for (int i = 0; i < items; ++i) valueCopy(engine, store->elements[k++], argument(engine, 2 + i));
    for (std::int32_t i = start + removed; i < had; ++i) take(store->elements[k++], old->elements[i]);
    install(engine, self, store);

    if (removedArray) {
        install(engine, *removedArray, removedStore);
        setResultObject(engine, result, removedArray);
    } else if (removed == 1) {
        setResult(engine, result, single.value);
    }
}

// join with ",", whatever the arguments.
void arrayToString(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, arrayClass())) return;
    setResultString(engine, result, joinElements(engine, self, ","));
}

void arrayToInt(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, arrayClass())) return;
    syncLength(engine, self);
    setResultInteger(engine, result, countOf(self));
}

constexpr MethodEntry kArrayMethods[] = {
    {arrayConstruct, "Array", "V:"}, {arrayConcat, "concat", "O:OO"},   {arrayJoin, "join", "S:"},
    {arrayPop, "pop", "V:"},         {arrayPush, "push", "V:"},         {arrayReverse, "reverse", "V:"},
    {arrayShift, "shift", "V:"},     {arraySort, "sort", "V:"},         {arraySplice, "splice", "V:"},
    {arrayUnshift, "unshift", "V:"}, {arrayToString, "toString", "S:"}, {arrayToInt, "toInt", "I:"},
};
constexpr FieldEntry kArrayFields[] = {
    {"array", kArray}, {"input", kInteger}, {"index", kInteger}, {"length", kInteger}};
constexpr ObjectClass kArrayClass{"Array", kClassConstruct | kClassCountElements, kArrayMethods, kArrayFields};

}  // namespace

const ObjectClass& arrayClass() { return kArrayClass; }

ScriptObject* makeArray(Engine& engine, std::int32_t count) {
    ScriptObject* made = newConstructed(engine, arrayClass());
    if (ArrayStore* store = freshStore(engine, count)) install(engine, *made, store);
    return made;
}

ArrayStore* arrayElements(const ScriptValue& v) {
    if (v.type != kObject || !v.payload.object || !isOf(*v.payload.object, arrayClass())) return nullptr;
    return storeOf(*v.payload.object);
}

void setArrayCount(Engine& engine, ScriptObject& array, std::int32_t count) {
    if (!isOf(array, arrayClass())) return;
    if (ArrayStore* store = storeOf(array)) {
        if (store->count < count) arrayGrow(engine, *store, count);
    } else if (ArrayStore* fresh = freshStore(engine, count)) {
        install(engine, array, fresh);
    }
    syncLength(engine, array);
}

}  // namespace kestrel::script
