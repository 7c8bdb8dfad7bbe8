#pragma once
// Script values: a type letter, an aux word carried along, and a payload read by the letter.
// Values own what they point at (texts, array stores) or share it by count (objects), so they
// are copied, moved and released only through these operations.
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::script {

struct Engine;
struct ArrayStore;
struct ScriptObject;

// The type letters.
inline constexpr char kInteger = 'I';  // also a fresh or released value
inline constexpr char kFloat = 'F';
inline constexpr char kText = 'S';     // owned zero-terminated text, or null (unassigned)
inline constexpr char kObject = 'O';   // shared ScriptObject
inline constexpr char kArray = 'A';    // owned ArrayStore
inline constexpr char kVoid = 'V';     // no value
inline constexpr char kUnknown = '?';  // not yet known (signatures only)

// A float as an integer: truncated toward zero, held to the integer range at its ends, NaN 0.
// Every conversion of the engine (arithmetic, indices, the classes' arguments) goes through it.
inline std::int32_t truncatedToInteger(float f) {
    if (f != f) return 0;
    if (f >= 2147483648.0f) return 2147483647;
    if (f < -2147483648.0f) return -2147483647 - 1;
    return static_cast<std::int32_t>(f);
}

struct ScriptValue {
    char type = kInteger;
    std::uint32_t aux = 0;  // copied along; never interpreted by value operations
    union {
        std::int32_t integer;
        float real;
        char* text;
        ScriptObject* object;
        ArrayStore* array;
    } payload{0};
};

// Type 'I', payload 0; aux stays.
void valueInit(ScriptValue& v);

// Integers, floats and the other letters without a payload own nothing: copying and releasing
// them is a plain store, which every loop of a script does many times over.
inline bool ownsNothing(const ScriptValue& v) { return v.type != kText && v.type != kObject && v.type != kArray; }
void valueCopyOwned(Engine& engine, ScriptValue& dst, const ScriptValue& src);
void valueReleaseOwned(Engine& engine, ScriptValue& v);

// Assignment: releases what dst owns, then takes a copy of src (arrays cloned, texts copied,
// objects shared, or cloned when their class copies on assignment), with src's type and aux.
inline void valueCopy(Engine& engine, ScriptValue& dst, const ScriptValue& src) {
    if (ownsNothing(dst) && ownsNothing(src)) {
        // Only integers and floats carry a payload; the other letters copy none.
        if (src.type == kInteger || src.type == kFloat)
            dst.payload = src.payload;
        else
            dst.payload = {};
        dst.type = src.type;
        dst.aux = src.aux;
        return;
    }
    valueCopyOwned(engine, dst, src);
}
// Frees what v owns and leaves it 'I' 0.
inline void valueRelease(Engine& engine, ScriptValue& v) {
    if (ownsNothing(v)) {
        v.type = kInteger;
        v.payload = {};
        return;
    }
    valueReleaseOwned(engine, v);
}
void valueMove(Engine& engine, ScriptValue& dst, ScriptValue& src);
// Releases v, then makes it 'S' with a copy of text.
void valueSetText(Engine& engine, ScriptValue& v, std::string_view text);
// -1, 0 or 1: integers and floats as numbers, everything else as texts.
int valueCompare(Engine& engine, const ScriptValue& a, const ScriptValue& b);
void valueSwap(ScriptValue& a, ScriptValue& b);
// The text a value compares and joins as: decimal integer, float text, the text itself, the
// object's toString text; "" for anything else.
std::string valueText(Engine& engine, const ScriptValue& v);

// Digits from "0123456789ABCDEF"; negative values get "-" and the magnitude's digits.
std::string integerToText(std::int32_t value, int base = 10);
// "5.0", "0.500000", "-2.250000": six truncated fraction digits unless the fraction is 0.
std::string floatToText(float value);
// Base 10, or base 16 after a second character "x"; stops at the first non-digit.
std::int32_t textToInteger(std::string_view text);
// Digits, optionally "." and digits; stops at the first other character; single precision.
float textToFloat(std::string_view text);

}  // namespace kestrel::script
