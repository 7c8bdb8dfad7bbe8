#include "script/variable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "script/array.h"
#include "script/engine.h"
#include "script/object.h"

namespace kestrel::script {

namespace {

void clearPayload(ScriptValue& v) { v.payload = decltype(v.payload){}; }

char* copyText(Engine& engine, int line, std::string_view text) {
    auto* copy = static_cast<char*>(engine.memory.allocate(kTagVariable, line, text.size() + 1));
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

// A fresh value holding a copy of src, as Copy gives it: arrays cloned, texts copied,
// objects shared (cloned when their class copies on assignment) and counted.
ScriptValue duplicate(Engine& engine, const ScriptValue& src) {
    ScriptValue out;
    switch (src.type) {
        case kArray:
            out.payload.array = src.payload.array ? arrayClone(engine, *src.payload.array) : nullptr;
            break;
        case kFloat:
        case kInteger:
            out.payload = src.payload;
            break;
        case kObject: {
            ScriptObject* object = src.payload.object;
            if (object && object->objectClass && (object->objectClass->flags & kClassCopyOnAssign))
                object = objectClone(engine, *object);
            if (object && !(object->flags & kObjectStatic)) ++object->refcount;
            out.payload.object = object;
            break;
        }
        case kText:
            out.payload.text =
                src.payload.text ? engine.memory.copyText(kTagVariable, __LINE__, src.payload.text) : nullptr;
            break;
        default:  // no payload to copy
            break;
    }
    out.type = src.type;
    out.aux = src.aux;
    return out;
}

int sign(int difference) { return (difference > 0) - (difference < 0); }

template <typename T>
int order(T a, T b) {
    return (a > b) - (a < b);
}

}  // namespace

void valueInit(ScriptValue& v) {
    v.type = kInteger;
    clearPayload(v);
}

// The copy is made before dst lets go of what it holds, so that assigning a value from
// inside itself (a = a[0], o = o.field, or a value to itself) never reads freed memory.
void valueCopyOwned(Engine& engine, ScriptValue& dst, const ScriptValue& src) {
    if (&dst == &src) return;
    ScriptValue copy = duplicate(engine, src);
    valueRelease(engine, dst);
    dst = copy;
}

// The value is emptied before its contents go, so a release that comes back to it (an
// object whose field refers to the object) finds nothing left to release.
void valueReleaseOwned(Engine& engine, ScriptValue& v) {
    const ScriptValue old = v;
    v.type = kInteger;
    clearPayload(v);
    switch (old.type) {
        case kText:
            if (old.payload.text) engine.memory.free(old.payload.text);
            break;
        case kObject:
            objectRelease(engine, old.payload.object);
            break;
        case kArray:
            arrayDestroy(engine, old.payload.array);
            break;
        default:
            break;
    }
}

// Copy then Release of the source; the source is detached first, so moving a value out of
// the destination's own array or object is safe too.
void valueMove(Engine& engine, ScriptValue& dst, ScriptValue& src) {
    if (&dst == &src) return;
    ScriptValue taken = src;
    src.type = kInteger;
    clearPayload(src);
    valueCopy(engine, dst, taken);
    valueRelease(engine, taken);
}

void valueSetText(Engine& engine, ScriptValue& v, std::string_view text) {
    char* copy = copyText(engine, __LINE__, text);  // text may be v's own
    valueRelease(engine, v);
    v.type = kText;
    v.payload.text = copy;
}

int valueCompare(Engine& engine, const ScriptValue& a, const ScriptValue& b) {
    if (a.type == kInteger && b.type == kInteger) return order(a.payload.integer, b.payload.integer);
    const bool aNumber = a.type == kInteger || a.type == kFloat;
    const bool bNumber = b.type == kInteger || b.type == kFloat;
    if (aNumber && bNumber) {
        const float x = a.type == kInteger ? static_cast<float>(a.payload.integer) : a.payload.real;
        const float y = b.type == kInteger ? static_cast<float>(b.payload.integer) : b.payload.real;
        return order(x, y);  // a NaN compares equal to everything
    }
    return sign(std::string_view(valueText(engine, a)).compare(valueText(engine, b)));
}

void valueSwap(ScriptValue& a, ScriptValue& b) { std::swap(a, b); }

std::string valueText(Engine& engine, const ScriptValue& v) {
    switch (v.type) {
        case kInteger:
            return integerToText(v.payload.integer);
        case kFloat:
            return floatToText(v.payload.real);
        case kText:
            return v.payload.text ? std::string(v.payload.text) : std::string();
        case kObject:
            if (v.payload.object && engine.objects.objectText)
                return engine.objects.objectText(engine, *v.payload.object);
            return {};
        default:
            return {};
    }
}

// A base outside 2..16 is taken as 10.
std::string integerToText(std::int32_t value, int base) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (base < 2 || base > 16) base = 10;
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    char digits[33];
    int n = 0;
    do {
        digits[n++] = kDigits[magnitude % static_cast<std::uint32_t>(base)];
        magnitude /= static_cast<std::uint32_t>(base);
    } while (magnitude);
    std::string text = value < 0 ? "-" : "";
    while (n) text += digits[--n];
    return text;
}

// The integer part is written exactly however large ("3000000000.0", and all 39 digits of
// the largest float). The six fraction digits are taken in single precision, one truncated
// digit per multiplication by 10, as the values themselves are single precision: 0.7 reads
// "0.700000". A NaN reads "NaN", the infinities "Infinity" and "-Infinity"; -0.0 reads "0.0".
std::string floatToText(float value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    std::string text;
    if (std::signbit(value) && value != 0.0f) text += '-';
    const float magnitude = std::fabs(value);
    const float whole = std::trunc(magnitude);
    char digits[64];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(whole), std::chars_format::fixed, 0);
    text.append(digits, written.ptr);
    text += '.';
    float fraction = magnitude - whole;
    if (fraction == 0.0f) return text + '0';
    for (int i = 0; i < 6; ++i) {
        fraction *= 10.0f;
        const float digit = std::trunc(fraction);
        text += static_cast<char>('0' + std::min(static_cast<int>(digit), 9));
        fraction -= digit;
    }
    return text;
}

// Digits beyond 32 bits wrap around (the arithmetic is unsigned).
std::int32_t textToInteger(std::string_view text) {
    std::uint32_t base = 10;
    if (text.size() >= 2 && text[1] == 'x') {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    for (char c : text) {
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        std::uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            break;
        if (digit >= base) break;
        value = value * base + digit;
    }
    return static_cast<std::int32_t>(value);
}

// Rounded once, to the nearest single-precision value. Beyond the float range the result is
// infinity; digits too small to show in a float give 0.
float textToFloat(std::string_view text) {
    std::size_t end = 0;
    bool nonzeroWhole = false;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') nonzeroWhole |= text[end++] != '0';
    std::size_t digitsEnd = end;
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        if (end > digitsEnd + 1) digitsEnd = end;  // "12." reads as "12"
    }
    if (digitsEnd == 0) return 0.0f;
    float value = 0.0f;
    const auto parsed = std::from_chars(text.data(), text.data() + digitsEnd, value, std::chars_format::fixed);
    if (parsed.ec == std::errc::result_out_of_range)
        return nonzeroWhole ? std::numeric_limits<float>::infinity() : 0.0f;
    return value;
}

}  // namespace kestrel::script
