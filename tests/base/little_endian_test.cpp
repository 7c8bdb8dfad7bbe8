// Numbers least significant byte first, whatever the machine's own order.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/little_endian.h"

namespace kestrel::base {

TEST(LittleEndian, BytesGoLeastSignificantFirstBothWays) {
    const unsigned char bytes[] = {0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF};
    EXPECT_EQ(loadLittleEndian<std::uint32_t>(bytes), 0x12345678u);
    EXPECT_EQ(loadLittleEndian<std::uint16_t>(bytes + 1), 0x3456u);  // any address
    EXPECT_EQ(loadLittleEndian<std::int16_t>(bytes + 4), -2);

    char out[4] = {};
    storeLittleEndian(out, std::uint32_t{0xA1B2C3D4});
    EXPECT_EQ(std::string(out, 4), std::string("\xD4\xC3\xB2\xA1", 4));
    std::string appended;
    appendLittleEndian(appended, std::int16_t{-2});
    appendLittleEndian(appended, std::uint16_t{0x320});
    EXPECT_EQ(appended, std::string("\xFE\xFF\x20\x03", 4));
    const double value = 0.1;
    std::string eight;
    appendLittleEndian(eight, value);
    EXPECT_EQ(loadLittleEndian<double>(eight.data()), value);
}

}  // namespace kestrel::base
