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

bool LineReader::next(std::string_view& line) {
    if (rest.empty() || tooLong) return false;
    const void* nl = std::memchr(rest.data(), '\n', rest.size());
    const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - rest.data())
                               : rest.size();
    line = rest.substr(0, end);
    rest.remove_prefix(nl ? end + 1 : end);
    ++number;
    // Files converted between systems more than once may end lines in several CRs.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxLineLength) {
        tooLong = makeError(fileName, number,
                            "the line is " + std::to_string(line.size()) +
                                " characters long (limit is " + std::to_string(kMaxLineLength) + ")");
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
