#pragma once
// A small streaming JSON writer for the command line's machine-readable output. It writes
// compact JSON (no blanks) and keeps track of commas itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::cli {

// Appends prefix and the two lower-case hex digits of c ("\\u00e9", "\\x1b").
void appendHexByte(std::string& out, std::string_view prefix, unsigned char c);

// Length of the valid UTF-8 sequence that starts at text[i], or 0 when none starts there
// (overlong forms, surrogates and code points above U+10FFFF are not valid).
std::size_t utf8SequenceLength(std::string_view text, std::size_t i);

// Shortest text that reads back as exactly the same double ("0.1", "-2.5", "1e+300").
std::string formatNumber(double value);

// Appends value as a quoted JSON string. Valid UTF-8 passes through; quotes, backslashes,
// control characters and DEL are escaped; every byte of an invalid UTF-8 sequence becomes
// \u00XX, so text written on systems with an 8-bit code page still yields valid JSON.
void appendJsonString(std::string& out, std::string_view value);

class JsonWriter {
public:
    explicit JsonWriter(std::string& target) : out(target) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The name of the next member; must be followed by exactly one value.
    void key(std::string_view name);

    void string(std::string_view value);
    void integer(std::int64_t value);
    // Non-finite values have no JSON form and are written as null.
    void number(double value);
    void null();

private:
    void separate();

    std::string& out;
    std::vector<bool> firstInLevel;  // one entry per open object or array
    bool afterKey = false;
};

}  // namespace kestrel::cli
