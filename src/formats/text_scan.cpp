#include "formats/text_scan.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace kestrel::formats {

bool scanDoubleSlow(std::string_view& text, double& value) {
    std::string_view t = text;
    while (!t.empty() && isSpace(t[0])) t.remove_prefix(1);
    std::string_view body = t;
    if (!body.empty() && body[0] == '+') body.remove_prefix(1);
    const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec != std::errc{} || !std::isfinite(value)) return false;
    text = t.substr(static_cast<std::size_t>(end - t.data()));
    return true;
}

namespace {

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 after its mark; an unpaired surrogate becomes U+FFFD, an odd last byte is dropped.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2 + bytes.size() / 8);
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? a << 8 | b : b << 8 | a);
    };
    constexpr std::uint32_t kReplacement = 0xFFFD;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const std::uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, c >= 0xD800 && c < 0xE000 ? kReplacement : c);
    }
    return out;
}

// "PLY" for robot.ply: what the readers call the kind of file they were given.
std::string kindOf(std::string_view file) {
    const auto dot = file.rfind('.');
    const auto slash = file.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return "model";
    std::string kind(file.substr(dot + 1));
    for (char& c : kind) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return kind;
}

}  // namespace

std::string_view plainText(std::string_view text, std::string& storage) {
    if (text.starts_with("\xEF\xBB\xBF")) return text.substr(3);
    const bool little = text.starts_with("\xFF\xFE"), big = text.starts_with("\xFE\xFF");
    if (!little && !big) return text;
    storage = utf16ToUtf8(text.substr(2), big);
    return storage;
}

bool LineReader::next(std::string_view& line) {
    if (rest.empty() || tooLong) return false;
    const void* nl = std::memchr(rest.data(), '\n', rest.size());
    const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - rest.data()) : rest.size();
    line = rest.substr(0, end);
    rest.remove_prefix(nl ? end + 1 : end);
    ++number;
    // Files converted between systems more than once may end lines in several CRs.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (std::memchr(line.data(), 0, line.size())) {
        tooLong =
            makeError(fileName, number,
                      "the line holds a zero byte: this is a binary file, not a text " + kindOf(fileName) + " file");
        return false;
    }
    if (line.size() > kMaxLineLength && !line.starts_with('#')) {
        tooLong = makeError(fileName, number,
                            "the line is " + std::to_string(line.size()) + " characters long (limit is " +
                                std::to_string(kMaxLineLength) + ")");
        return false;
    }
    return true;
}

bool LineReader::nextData(std::string_view& line) {
    while (next(line))
        if (line.empty() || line[0] != '#') return true;
    return false;
}

void LineReader::skipTo(std::string_view restOfText, int linesConsumed) {
    rest = restOfText;
    number += linesConsumed;
}

}  // namespace kestrel::formats
