#pragma once
// A strict JSON reader for checking the command line's output: it refuses anything RFC 8259
// refuses (raw control characters, invalid UTF-8, trailing commas, bare words), so a test
// that parses the output also proves it is valid JSON.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel::cli::test {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0.0;
    std::string string;  // UTF-8, escapes decoded
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;  // in document order

    // The member named key; throws std::out_of_range naming it when absent.
    const Json& operator[](std::string_view key) const;
    const Json& operator[](std::size_t index) const { return items.at(index); }
    bool has(std::string_view key) const;
    std::vector<std::string> keys() const;
    std::vector<double> numbers() const;  // the items of an array of numbers

    bool operator==(const Json&) const = default;
};

// The document, or nothing with the reason in error.
std::optional<Json> parseJson(std::string_view text, std::string* error = nullptr);

}  // namespace kestrel::cli::test
