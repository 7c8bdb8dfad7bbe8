#include "cli/json_writer.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>

namespace kestrel::cli {

void appendHexByte(std::string& out, std::string_view prefix, unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += prefix;
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
}

std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return length;
}

std::string formatNumber(double value) {
    std::array<char, 32> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    assert(result.ec == std::errc{});
    return std::string(buffer.data(), result.ptr);
}

void appendJsonString(std::string& out, std::string_view value) {
    out += '"';
    for (std::size_t i = 0; i < value.size();) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c >= 0x80) {
            if (const std::size_t length = utf8SequenceLength(value, i)) {
                out.append(value.substr(i, length));
                i += length;
            } else {
                appendHexByte(out, "\\u00", c);
                ++i;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20 || c == 0x7F)
                    appendHexByte(out, "\\u00", c);
                else
                    out += static_cast<char>(c);
        }
        ++i;
    }
    out += '"';
}

void JsonWriter::separate() {
    if (afterKey) {
        afterKey = false;
        return;
    }
    if (!firstInLevel.empty()) {
        if (!firstInLevel.back()) out += ',';
        firstInLevel.back() = false;
    }
}

void JsonWriter::beginObject() {
    separate();
    out += '{';
    firstInLevel.push_back(true);
}

void JsonWriter::endObject() {
    assert(!firstInLevel.empty() && !afterKey);
    firstInLevel.pop_back();
    out += '}';
}

void JsonWriter::beginArray() {
    separate();
    out += '[';
    firstInLevel.push_back(true);
}

void JsonWriter::endArray() {
    assert(!firstInLevel.empty() && !afterKey);
    firstInLevel.pop_back();
    out += ']';
}

void JsonWriter::key(std::string_view name) {
    assert(!afterKey);
    separate();
    appendJsonString(out, name);
    out += ':';
    afterKey = true;
}

void JsonWriter::string(std::string_view value) {
    separate();
    appendJsonString(out, value);
}

void JsonWriter::integer(std::int64_t value) {
    separate();
    std::array<char, 24> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

void JsonWriter::number(double value) {
    separate();
    out += std::isfinite(value) ? formatNumber(value) : "null";
}

void JsonWriter::null() {
    separate();
    out += "null";
}

}  // namespace kestrel::cli
