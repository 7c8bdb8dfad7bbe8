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

void appendInt(std::string& out, std::int64_t value) {
    char buffer[24];
    char* end = buffer + sizeof buffer;
    const std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    char* first = writeDigits(end, magnitude);
    if (value < 0) *--first = '-';
    out.append(first, end);
}

void appendFixed6(std::string& out, double value) {
    // Values too large for the 64-bit path (and infinities, NaNs) are rare: printf them.
    if (!(std::fabs(value) < 9.0e12)) {
        char buffer[512];
        const int n = std::snprintf(buffer, sizeof buffer, "%f", value);
        out.append(buffer, static_cast<std::size_t>(n));
        return;
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
            const Uint128 remainder =
                product - (static_cast<Uint128>(quotient) << shift);
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
    out.append(first, buffer + sizeof buffer);
}

}  // namespace kestrel::formats
