// The String class: a text with its length, copied on assignment and indexable by
// character. Every method measures the text itself rather than trusting the length field,
// which a script may have assigned.
#include <algorithm>
#include <cstring>

#include "script/engine.h"
#include "script/frames.h"
#include "script/jsclass.h"

namespace kestrel::script {

namespace {

enum StringField { kTextField, kLengthField };

// The text, "" when it is unassigned or the field holds something else.
std::string_view textOf(const ScriptObject& self) {
    const ScriptValue& field = self.fields[kTextField];
    return field.type == kText && field.payload.text ? std::string_view(field.payload.text) : std::string_view();
}

void setLength(Engine& engine, ScriptObject& self) {
    setInteger(engine, self.fields[kLengthField], static_cast<std::int32_t>(textOf(self).size()));
}

// The text of the last argument: a String object's text or an 'S' value, copied; anything
// else leaves the text unassigned. Without arguments "default string".
void stringConstruct(Engine& engine, ScriptObject& self, ScriptValue&) {
    if (!isOf(self, stringClass())) return;
    ScriptValue& text = self.fields[kTextField];
    if (const int count = argumentCount(engine)) {
        const ScriptValue& a = argument(engine, count - 1);
        const ScriptValue* source = nullptr;
        if (a.type == kText)
            source = &a;
        else if (a.type == kObject && a.payload.object && isOf(*a.payload.object, stringClass()) &&
                 a.payload.object->fields[kTextField].type == kText)
            source = &a.payload.object->fields[kTextField];
        if (source) {
            valueCopy(engine, text, *source);
        } else {
            valueRelease(engine, text);
            text.type = kText;
        }
    } else {
        valueSetText(engine, text, "default string");
    }
    setLength(engine, self);
}

// A clone of the object, counted once.
ScriptObject* cloneOf(Engine& engine, const ScriptObject& self) {
    ScriptObject* clone = objectClone(engine, self);
    clone->refcount = 1;
    return clone;
}

void stringToString(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, stringClass())) return;
    setResultObject(engine, result, cloneOf(engine, self));
}

// A Copy of the text; a field holding something other than a text gives an unassigned one.
void stringToStringV(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, stringClass())) return;
    Held text{engine};
    if (self.fields[kTextField].type == kText)
        valueCopy(engine, text.value, self.fields[kTextField]);
    else
        text.value.type = kText;
    setResult(engine, result, text.value);
}

void stringToInt(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, stringClass())) return;
    setResultInteger(engine, result, 1);
}

// charAt(i): the character at i (with anything but one 'I' argument, the first). An index
// outside the text, like any index into an empty text, gives the empty String.
void stringCharAt(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, stringClass())) return;
    const std::string_view text = textOf(self);
    std::int32_t index = 0;
    if (argumentCount(engine) == 1 && argument(engine, 0).type == kInteger) index = argument(engine, 0).payload.integer;
    const bool inside = index >= 0 && static_cast<std::size_t>(index) < text.size();
    setResultString(engine, result, inside ? text.substr(static_cast<std::size_t>(index), 1) : std::string_view());
}

// slice(start[, end]): the characters from start up to end (the end of the text when there is
// no end); a negative end counts from the end of the text. start is held to 0..length and end
// to start..length, so a slice is never read outside the text: out of range gives less, or
// the empty String. Without arguments the result is left alone.
void stringSlice(Engine& engine, ScriptObject& self, ScriptValue& result) {
    if (!isOf(self, stringClass())) return;
    const int count = argumentCount(engine);
    if (count == 0) return;
    const std::string_view text = textOf(self);
    const auto length = static_cast<std::int64_t>(text.size());
    const std::int64_t start = std::clamp<std::int64_t>(integerOf(argument(engine, 0)), 0, length);
    std::int64_t end = length;
    if (count >= 2) {
        end = integerOf(argument(engine, 1));
        if (end < 0) end += length;
    }
    end = std::clamp(end, start, length);
    setResultString(engine, result,
                    text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

// A clone whose ASCII letters are changed from one case to the other; other bytes stay.
void changeCase(Engine& engine, ScriptObject& self, ScriptValue& result, char from, char to) {
    if (!isOf(self, stringClass())) return;
    ScriptObject* clone = cloneOf(engine, self);
    ScriptValue& text = clone->fields[kTextField];
    if (text.type == kText && text.payload.text)
        for (char* c = text.payload.text; *c; ++c)
            if (*c >= from && *c <= from + 25) *c = static_cast<char>(*c - from + to);
    setResultObject(engine, result, clone);
}

void stringToUpperCase(Engine& engine, ScriptObject& self, ScriptValue& result) {
    changeCase(engine, self, result, 'a', 'A');
}

void stringToLowerCase(Engine& engine, ScriptObject& self, ScriptValue& result) {
    changeCase(engine, self, result, 'A', 'a');
}

constexpr MethodEntry kStringMethods[] = {
    {stringConstruct, "String", "V:"},        {stringToString, "toString", "O:"},
    {stringToStringV, "toStringV", "S:"},     {stringToInt, "toInt", "I:"},
    {stringCharAt, "charAt", "O:I"},          {stringSlice, "slice", "O:II"},
    {stringToUpperCase, "toUpperCase", "O:"}, {stringToLowerCase, "toLowerCase", "O:"},
};
constexpr FieldEntry kStringFields[] = {{"text", kText}, {"length", kInteger}};
constexpr std::uint32_t kStringFlags = kClassConstruct | kClassCountElements | kClassCopyOnAssign | kClassIndexByChar;
constexpr ObjectClass kStringClass{"String", kStringFlags, kStringMethods, kStringFields};

}  // namespace

const ObjectClass& stringClass() { return kStringClass; }

}  // namespace kestrel::script
