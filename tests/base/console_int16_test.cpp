// The console's 16-bit fields: the low 16 bits of the truncated value, for any size.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/console_int16.h"

namespace kestrel::base {

TEST(ConsoleInt16, TruncatesThenKeepsTheLowSixteenBitsOfAnySize) {
    EXPECT_EQ(wrap16(0.0), 0);
    EXPECT_EQ(wrap16(32767.9), 32767);
    EXPECT_EQ(wrap16(-32768.9), -32768);
    EXPECT_EQ(wrap16(-0.99), 0);
    EXPECT_EQ(wrap16(32768.0), -32768);
    EXPECT_EQ(wrap16(65536.0 + 5), 5);
    EXPECT_EQ(wrap16(-1.0), -1);
    EXPECT_EQ(wrap16(-65537.0), -1);
    // Beyond 64 bits too the low bits are the value's own (a cast to 64 bits would lose them).
    EXPECT_EQ(wrap16(std::ldexp(1.0, 70)), 0);
    EXPECT_EQ(wrap16(1e19 + 0.0), static_cast<std::int16_t>(static_cast<std::uint16_t>(std::fmod(1e19, 65536.0))));
    EXPECT_EQ(wrap16(-1e19), static_cast<std::int16_t>(-static_cast<std::int64_t>(std::fmod(1e19, 65536.0))));
    EXPECT_EQ(wrap16(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(wrap16(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(wrap16(-std::numeric_limits<double>::infinity()), 0);
}

}  // namespace kestrel::base
