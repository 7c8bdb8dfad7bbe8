#pragma once
// Reading numbers and lines out of text held in memory, the way the model files are laid
// out: blanks between numbers, one record a line, "#" comments.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/error.h"

namespace kestrel::formats {

// Longest line the line-based model files may hold, without its line end.
inline constexpr std::size_t kMaxLineLength = 198;

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
inline bool isSpace(char c) { return isBlank(c) || c == '\n'; }

// Reads a decimal integer as "%d" would: leading white space, an optional sign, digits.
// Consumes it from text; false (text unchanged) when there is none or it overflows.
bool scanInt(std::string_view& text, std::int32_t& value);
// Reads a decimal floating-point number as "%lf" would, refusing infinities and NaNs.
bool scanDouble(std::string_view& text, double& value);

// Splits text into lines. A line loses its "\n" and the "\r"s before it; a line longer than
// kMaxLineLength stops the reader with an error.
class LineReader {
public:
    LineReader(std::string_view text, std::string file) : rest(text), fileName(std::move(file)) {}

    // The next line; false at the end of the text or when a line is too long.
    bool next(std::string_view& line);
    // The next line that does not begin with '#'.
    bool nextData(std::string_view& line);
    int lineNumber() const { return number; }
    const std::string& file() const { return fileName; }
    std::size_t remainingBytes() const { return rest.size(); }
    // Set when the reader stopped at a line that is too long.
    const std::optional<Error>& failure() const { return tooLong; }
    // The text after the current line, for readers that take free-format numbers.
    std::string_view remainder() const { return rest; }
    // Continues after text that a free-format read consumed from remainder().
    void skipTo(std::string_view restOfText, int linesConsumed);

private:
    std::string_view rest;
    std::string fileName;
    int number = 0;
    std::optional<Error> tooLong;
};

}  // namespace kestrel::formats
