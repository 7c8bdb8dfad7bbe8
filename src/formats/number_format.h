#pragma once
// Writing numbers exactly as printf's "%d" and "%f" print them, without printf.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::formats {

// The most bytes writeFixed6 writes (the largest doubles have 309 integer digits).
inline constexpr std::size_t kMaxFixed6Length = 320;
inline constexpr std::size_t kMaxIntLength = 20;

// Write at out and return the end of what they wrote.
char* writeInt(char* out, std::int64_t value);
// The bytes printf("%f") would print: six decimals, rounded to nearest with ties to even
// on the exact binary value.
char* writeFixed6(char* out, double value);

void appendInt(std::string& out, std::int64_t value);
void appendFixed6(std::string& out, double value);

// A growing text that numbers are written into in place.
class TextOut {
public:
    explicit TextOut(std::size_t expected) { grow(expected); }

    TextOut& operator<<(std::string_view s);
    TextOut& operator<<(char c) {
        *room(1) = c;
        if (++used, c == '\n') endLine();
        return *this;
    }
    TextOut& integer(std::int64_t v) {
        used = static_cast<std::size_t>(writeInt(room(kMaxIntLength), v) - text.data());
        return *this;
    }
    TextOut& fixed6(double v) {
        allFinite = allFinite && std::isfinite(v);
        used = static_cast<std::size_t>(writeFixed6(room(kMaxFixed6Length), v) - text.data());
        return *this;
    }
    // The longest line so far, without its line end, and its 1-based number.
    std::size_t longestLine() const { return longest; }
    int longestLineNumber() const { return longestNumber; }
    // False once an infinity or NaN was written: no reader takes those back.
    bool finite() const { return allFinite; }
    std::string take() {
        text.resize(used);
        return std::move(text);
    }

private:
    char* room(std::size_t n) {
        if (used + n > text.size()) grow(std::max(text.size() * 2, used + n));
        return text.data() + used;
    }
    void grow(std::size_t size);
    void endLine() {
        ++lines;
        if (used - 1 - lineStart > longest) {
            longest = used - 1 - lineStart;
            longestNumber = lines;
        }
        lineStart = used;
    }

    std::string text;
    std::size_t used = 0;
    std::size_t lineStart = 0, longest = 0;
    int lines = 0, longestNumber = 0;
    bool allFinite = true;
};

}  // namespace kestrel::formats
