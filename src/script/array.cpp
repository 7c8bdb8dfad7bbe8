#include "script/array.h"

#include <algorithm>
#include <new>

#include "script/engine.h"

namespace kestrel::script {

namespace {

// The most elements one store may hold (64 MB of values). A script asking for more is
// refused rather than left to exhaust the heap or overflow the block length.
constexpr std::int32_t kMaxElements = 1 << 22;

bool acceptable(Engine& engine, std::int32_t n) {
    if (n >= 0 && n <= kMaxElements) return true;
    engine.trace("ERROR: array of %d elements refused\n", static_cast<int>(n));
    return false;
}

// A block of n values, each 'I' 0; null for none.
ScriptValue* newElements(Engine& engine, int line, std::int32_t n) {
    if (n <= 0) return nullptr;
    void* block = engine.memory.allocate(kTagArray, line, static_cast<std::size_t>(n) * sizeof(ScriptValue));
    auto* elements = static_cast<ScriptValue*>(block);
    for (std::int32_t i = 0; i < n; ++i) new (elements + i) ScriptValue{};
    return elements;
}

ArrayStore* newStore(Engine& engine, int line) {
    return new (engine.memory.allocate(kTagArray, line, sizeof(ArrayStore))) ArrayStore{};
}

}  // namespace

// A negative or too large count gives an empty store.
ArrayStore* arrayCreate(Engine& engine, std::int32_t n) {
    ArrayStore* store = newStore(engine, __LINE__);
    if (!acceptable(engine, n)) return store;
    store->elements = newElements(engine, __LINE__, n);
    store->count = store->capacity = store->elements ? n : 0;
    return store;
}

void arrayDestroy(Engine& engine, ArrayStore* store) {
    if (!store) return;
    for (std::int32_t i = 0; i < store->count; ++i) valueRelease(engine, store->elements[i]);
    if (store->elements) engine.memory.free(store->elements);
    engine.memory.free(store);
}

ArrayStore* arrayClone(Engine& engine, const ArrayStore& store) {
    ArrayStore* copy = newStore(engine, __LINE__);
    copy->elements = newElements(engine, __LINE__, store.count);
    copy->count = copy->capacity = copy->elements ? store.count : 0;
    for (std::int32_t i = 0; i < copy->count; ++i) valueCopy(engine, copy->elements[i], store.elements[i]);
    return copy;
}

// A count beyond the limit leaves the store as it is.
void arrayGrow(Engine& engine, ArrayStore& store, std::int32_t n) {
    if (store.count >= n || !acceptable(engine, n)) return;
    ScriptValue* elements = newElements(engine, __LINE__, n);
    for (std::int32_t i = 0; i < store.count; ++i) {
        valueCopy(engine, elements[i], store.elements[i]);
        valueRelease(engine, store.elements[i]);
    }
    if (store.elements) engine.memory.free(store.elements);
    store.elements = elements;
    store.count = store.capacity = n;
}

bool arrayReserve(Engine& engine, ArrayStore& store, std::int32_t n) {
    if (n <= store.capacity) return true;
    if (!acceptable(engine, n)) return false;
    const std::int32_t room = std::min(kMaxElements, std::max({n, 2 * store.capacity, std::int32_t{4}}));
    ScriptValue* elements = newElements(engine, __LINE__, room);
    // The values move as they are: nothing they own changes hands.
    for (std::int32_t i = 0; i < store.count; ++i) {
        elements[i] = store.elements[i];
        store.elements[i] = ScriptValue{};
    }
    if (store.elements) engine.memory.free(store.elements);
    store.elements = elements;
    store.capacity = room;
    return true;
}

}  // namespace kestrel::script
