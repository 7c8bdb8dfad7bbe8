#include "formats/text_scan.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace kestrel::formats {

namespace {

void skipSpace(std::string_view& text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    text.remove_prefix(i);
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Plain decimals ("-12.345678") with at most 15 significant digits: both the digits and the
// power of ten are exact doubles, so one division gives the correctly rounded value.
bool fastDecimal(std::string_view text, std::size_t& used, double& value) {
    std::size_t i = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) negative = text[i++] == '-';
    std::uint64_t mantissa = 0;
    int digits = 0, fraction = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, any = true) {
        mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
        if (mantissa) ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, any = true) {
            mantissa = mantissa * 10 + static_cast<unsigned>(text[i] - '0');
            if (mantissa) ++digits;
            ++fraction;
        }
    }
    if (!any || digits > 15 || fraction > 22) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'x' || text[i] == 'X'))
        return false;
    value = static_cast<double>(mantissa) / kPowersOfTen[fraction];
    if (negative) value = -value;
    used = i;
    return true;
}

}  // namespace

bool scanInt(std::string_view& text, std::int32_t& value) {
    std::string_view t = text;
    skipSpace(t);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    const std::size_t start = i;
    std::int64_t v = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        v = v * 10 + (t[i] - '0');
        if (v > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return false;
    }
    if (i == start) return false;
    if (negative) v = -v;
    if (v > std::numeric_limits<std::int32_t>::max()) return false;
    value = static_cast<std::int32_t>(v);
    text = t.substr(i);
    return true;
}

bool scanDouble(std::string_view& text, double& value) {
    std::string_view t = text;
    skipSpace(t);
    std::size_t used = 0;
    if (!fastDecimal(t, used, value)) {
        std::string_view body = t;
        if (!body.empty() && body[0] == '+') body.remove_prefix(1);
        const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
        if (ec != std::errc{} || !std::isfinite(value)) return false;
        used = static_cast<std::size_t>(end - t.data());
    }
    text = t.substr(used);
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
