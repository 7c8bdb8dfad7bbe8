#include "formats/number_format.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kestrel::formats {

namespace {

__extension__ typedef unsigned __int128 Uint128;

// Writes the decimal digits of v ending just before end; returns the first digit.
char* writeDigits(char* end, std::uint64_t v) {
    do {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    return end;
}

}  // namespace

char* writeInt(char* out, std::int64_t value) {
    char buffer[kMaxIntLength];
    char* end = buffer + sizeof buffer;
    const std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    char* first = writeDigits(end, magnitude);
    if (value < 0) *out++ = '-';
    std::memcpy(out, first, static_cast<std::size_t>(end - first));
    return out + (end - first);
}

void appendInt(std::string& out, std::int64_t value) {
    char buffer[kMaxIntLength + 1];
    out.append(buffer, writeInt(buffer, value));
}

void appendFixed6(std::string& out, double value) {
    char buffer[kMaxFixed6Length];
    out.append(buffer, writeFixed6(buffer, value));
}

char* writeFixed6(char* out, double value) {
    // Values too large for the 64-bit path (and infinities, NaNs) are rare: printf them.
    if (!(std::fabs(value) < 9.0e12)) {
        const int n = std::snprintf(out, kMaxFixed6Length, "%f", value);
        return out + n;
    }
    // value = mantissa * 2^exponent exactly; scaled = round_half_even(|value| * 10^6).
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent;
    if (biased == 0) {
        exponent = -1074;
    } else {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    std::uint64_t scaled;
    if (exponent >= 0) {
        scaled = (mantissa << exponent) * 1000000;
    } else {
        const int shift = -exponent;
        const Uint128 product = static_cast<Uint128>(mantissa) * 1000000;
        if (shift >= 128) {
            scaled = 0;
        } else {
            auto quotient = static_cast<std::uint64_t>(product >> shift);
            const Uint128 remainder = product - (static_cast<Uint128>(quotient) << shift);
            const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
            if (remainder > half || (remainder == half && (quotient & 1))) ++quotient;
            scaled = quotient;
        }
    }
    char buffer[32];
    char* end = buffer + sizeof buffer;
    std::uint64_t fraction = scaled % 1000000;
    for (int i = 0; i < 6; ++i) {
        *--end = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    *--end = '.';
    char* first = writeDigits(end, scaled / 1000000);
    if (std::signbit(value)) *--first = '-';
    const auto length = static_cast<std::size_t>(buffer + sizeof buffer - first);
    std::memcpy(out, first, length);
    return out + length;
}

TextOut& TextOut::operator<<(std::string_view s) {
    char* const start = room(s.size());
    std::memcpy(start, s.data(), s.size());
    for (std::size_t at = s.find('\n'); at != std::string_view::npos; at = s.find('\n', at + 1)) {
        used = static_cast<std::size_t>(start - text.data()) + at + 1;
        endLine();
    }
    used = static_cast<std::size_t>(start - text.data()) + s.size();
    return *this;
}

// The new bytes are written before they are read, so they need not be cleared first.
void TextOut::grow(std::size_t size) {
    text.resize_and_overwrite(size, [](char*, std::size_t n) { return n; });
}

}  // namespace kestrel::formats
