#include "formats/error.h"

#include <utility>

namespace kestrel::formats {

std::string Error::describe() const {
    std::string out = file;
    if (line > 0) {
        out += ':';
        out += std::to_string(line);
    }
    if (!out.empty()) out += ": ";
    out += message;
    return out;
}

Error makeError(std::string file, int line, std::string message) {
    return Error{std::move(file), line, std::move(message)};
}

std::string countOf(long long count, const std::string& singular) {
    std::string noun = singular;
    if (count != 1) noun = singular == "vertex" ? "vertices" : singular + "s";
    return std::to_string(count) + " " + noun;
}

Warning makeWarning(std::string file, int line, std::string message) {
    return Warning{makeError(std::move(file), line, std::move(message))};
}

}  // namespace kestrel::formats
