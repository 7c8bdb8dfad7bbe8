#pragma once
// A number as a signed 16-bit field of the console holds it: truncated toward zero, then its
// low 16 bits in two's complement, however large it is (so 65536 + 5 holds 5 and −1 holds
// 0xFFFF); NaN and the infinities hold 0. The TMD writer's coordinates and the previewer's
// camera both go through it.
#include <cmath>
#include <cstdint>

namespace kestrel::base {

inline std::int16_t wrap16(double value) {
    if (!std::isfinite(value)) return 0;
    // fmod is exact: the remainder of the truncated value by 65536, whatever its size.
    const double low = std::fmod(std::trunc(value), 65536.0);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::int64_t>(low) & 0xFFFF));
}

}  // namespace kestrel::base
