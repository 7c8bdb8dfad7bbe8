#pragma once
// The element stores of array values: each owned by exactly one 'A' value, never shared.
#include <cstdint>

#include "script/variable.h"

namespace kestrel::script {

struct ArrayStore {
    std::int32_t count = 0;
    ScriptValue* elements = nullptr;  // count values, or null when count is 0
    std::int32_t capacity = 0;        // values the block has room for ('I' 0 beyond count)
};

// A store of n values, each 'I' 0.
ArrayStore* arrayCreate(Engine& engine, std::int32_t n);
// Releases every element and frees the store.
void arrayDestroy(Engine& engine, ArrayStore* store);
// A new store whose elements are Copies.
ArrayStore* arrayClone(Engine& engine, const ArrayStore& store);
// Grows to n elements (kept in order, the new tail 'I' 0); a store of n or more is untouched.
void arrayGrow(Engine& engine, ArrayStore& store, std::int32_t n);
// Makes room for n elements without changing the count, growing the block to twice its size
// (or more) so that appending one at a time costs a constant time each. False, with nothing
// changed, when n is more than a store may hold.
bool arrayReserve(Engine& engine, ArrayStore& store, std::int32_t n);

}  // namespace kestrel::script
