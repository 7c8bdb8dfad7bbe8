#pragma once
// Reading numbers and lines out of text held in memory, the way the model files are laid
// out: blanks between numbers, one record a line, "#" comments.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "formats/error.h"
#include "model/vector.h"

namespace kestrel::formats {

// Longest line the line-based model files may hold, without its line end.
inline constexpr std::size_t kMaxLineLength = 198;

// Coordinates beyond this are refused by every reader: far past any console model (16-bit
// coordinates), and small enough that normals cannot overflow and every line prints short.
inline constexpr double kMaxCoordinate = 1e9;
inline bool beyondCoordinateLimit(const model::ModelVertex& v) {
    return !(std::fabs(v.x) <= kMaxCoordinate && std::fabs(v.y) <= kMaxCoordinate && std::fabs(v.z) <= kMaxCoordinate);
}

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
inline bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
// The text without white space at either end.
inline std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Reads a decimal integer as "%d" would: leading white space, an optional sign, digits.
// Consumes it from text; false (text unchanged) when there is none or it overflows.
inline bool scanInt(std::string_view& text, std::int32_t& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && isSpace(*p)) ++p;
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    const char* const digits = p;
    std::uint64_t magnitude = 0;
    for (; p != end && isDigit(*p); ++p) {
        magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
        if (magnitude > 0x80000000u) return false;
    }
    if (p == digits || magnitude > 0x7FFFFFFFu + std::uint64_t{negative}) return false;
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    text = std::string_view(p, static_cast<std::size_t>(end - p));
    return true;
}

// The slow path of scanDouble: exponents, long mantissas, anything from_chars reads.
bool scanDoubleSlow(std::string_view& text, double& value);

// Reads a decimal floating-point number as "%lf" would, refusing infinities and NaNs.
inline bool scanDouble(std::string_view& text, double& value) {
    // Plain decimals ("-12.345678") with at most 15 significant digits: both the digits and
    // the power of ten are exact doubles, so one division gives the correctly rounded value.
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && isSpace(*p)) ++p;
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    const char* const start = p;
    std::uint64_t mantissa = 0;
    for (; p != end && isDigit(*p); ++p) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    const char* const point = p;
    int fraction = 0;
    if (p != end && *p == '.')
        for (++p; p != end && isDigit(*p); ++p, ++fraction) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    const bool anyDigit = point != start || fraction > 0;
    const bool plain = p - start <= 16 && mantissa < (std::uint64_t{1} << 53) &&
                       (p == end || (*p != 'e' && *p != 'E' && *p != 'x' && *p != 'X'));
    if (!anyDigit || !plain) return scanDoubleSlow(text, value);
    value = static_cast<double>(mantissa) / kPowersOfTen[fraction];
    if (negative) value = -value;
    text = std::string_view(p, static_cast<std::size_t>(end - p));
    return true;
}

// Text as the readers take it: a UTF-8 byte-order mark is dropped, and text that starts with a
// UTF-16 mark (little- or big-endian, as some exporters write) is turned into UTF-8 in storage.
std::string_view plainText(std::string_view text, std::string& storage);

// Splits text into lines. A line loses its "\n" and the "\r"s before it. A data line longer
// than kMaxLineLength, or any line holding a zero byte (a binary file), stops the reader with
// an error; a comment line ("#...") may be as long as it likes.
class LineReader {
public:
    LineReader(std::string_view text, std::string file)
        : whole(plainText(text, decoded)), rest(whole), fileName(std::move(file)) {}
    // rest may point into decoded.
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line; false at the end of the text or when a line is too long.
    bool next(std::string_view& line);
    // The next line that does not begin with '#'.
    bool nextData(std::string_view& line);
    int lineNumber() const { return number; }
    const std::string& file() const { return fileName; }
    std::size_t remainingBytes() const { return rest.size(); }
    // Set when the reader stopped at a line that is too long.
    const std::optional<Error>& failure() const { return tooLong; }
    // Nothing, or the line that was too long.
    std::expected<void, Error> status() const {
        if (tooLong) return std::unexpected(*tooLong);
        return {};
    }
    // The text after the current line, for readers that take free-format numbers.
    std::string_view remainder() const { return rest; }
    // Continues after text that a free-format read consumed from remainder().
    void skipTo(std::string_view restOfText, int linesConsumed);
    // Where the reader is in its text, and going back to such a place.
    std::size_t consumedBytes() const { return whole.size() - rest.size(); }
    void restartAt(std::size_t consumed, int line) {
        rest = whole.substr(std::min(consumed, whole.size()));
        number = line;
        tooLong.reset();
    }

private:
    std::string decoded;  // the text turned into UTF-8, when it was UTF-16
    std::string_view whole;
    std::string_view rest;
    std::string fileName;
    int number = 0;
    std::optional<Error> tooLong;
};

// Lines of any length, for the text other programs export: a line loses its "\n" and the
// "\r"s before it.
class AnyLengthLines {
public:
    explicit AnyLengthLines(std::string_view text) : rest(text) {}
    bool next(std::string_view& line) {
        if (rest.empty()) return false;
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++number;
        return true;
    }
    std::size_t remainingBytes() const { return rest.size(); }
    int number = 0;

private:
    std::string_view rest;
};

}  // namespace kestrel::formats
