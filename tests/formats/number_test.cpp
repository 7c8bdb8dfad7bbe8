#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>

#include "formats/number_format.h"
#include "formats/text_scan.h"

using namespace kestrel::formats;

namespace {

std::string printfFixed(double v) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", v);
    return buffer;
}

std::string fixed6(double v) {
    std::string out;
    appendFixed6(out, v);
    return out;
}

}  // namespace

TEST(NumberFormat, FixedSixMatchesPrintfByteForByte) {
    // Exact ties round to even, tiny negatives keep their sign, huge values fall back.
    const double cases[] = {0.0,
                            -0.0,
                            1.0,
                            -1.5,
                            0.0078125,
                            0.0000005,
                            0.0000015,
                            2.5e-7,
                            1e-300,
                            -1e-300,
                            4.9e-324,
                            123456.1234565,
                            8999999999999.999,
                            9.0e12,
                            1e15,
                            -1e300,
                            0.1,
                            0.7,
                            1.0 / 3,
                            2.0 / 3,
                            1e-6,
                            -1e-6,
                            0.0000004999999,
                            std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
    for (double v : cases) EXPECT_EQ(fixed6(v), printfFixed(v)) << printfFixed(v);

    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> coordinate(-20000.0, 20000.0);
    std::uniform_int_distribution<std::uint64_t> bits;
    for (int i = 0; i < 200000; ++i) {
        const double v = coordinate(random);
        ASSERT_EQ(fixed6(v), printfFixed(v));
        // Values with exactly representable half-way points at the sixth decimal.
        const double tie = std::round(v * 2e6) / 2e6;
        ASSERT_EQ(fixed6(tie), printfFixed(tie));
        const double any = std::bit_cast<double>(bits(random));
        ASSERT_EQ(fixed6(any), printfFixed(any));
    }
}

TEST(NumberFormat, IntegersMatchPrintf) {
    for (std::int64_t v : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{8421504},
                           std::int64_t{std::numeric_limits<std::int32_t>::min()},
                           std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()}) {
        std::string out;
        appendInt(out, v);
        EXPECT_EQ(out, std::to_string(v));
    }
}

TEST(NumberScan, DoublesReadBackExactlyWhatPrintfWrote) {
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> coordinate(-1e6, 1e6);
    for (int i = 0; i < 100000; ++i) {
        const std::string text = printfFixed(coordinate(random));
        std::string_view view = text;
        double value = 0;
        ASSERT_TRUE(scanDouble(view, value)) << text;
        ASSERT_EQ(value, std::strtod(text.c_str(), nullptr)) << text;
        ASSERT_TRUE(view.empty());
    }
    for (const char* text : {"  +1.25 rest", "1e3", "-.5", "5.", "12345678901234567890.5",
                             "0.00000000000000000000000012345", "\t-0.000000"}) {
        std::string_view view = text;
        double value = 0;
        ASSERT_TRUE(scanDouble(view, value)) << text;
        EXPECT_EQ(value, std::strtod(text, nullptr)) << text;
        EXPECT_EQ(std::signbit(value), std::signbit(std::strtod(text, nullptr))) << text;
    }
}

TEST(NumberScan, RefusesWhatIsNotAFiniteNumber) {
    for (const char* text : {"", "  ", "abc", "inf", "nan", "-", ".", "+", "1e999"}) {
        std::string_view view = text;
        double d = 7;
        EXPECT_FALSE(scanDouble(view, d)) << text;
        EXPECT_EQ(view, text);
        std::int32_t i = 7;
        if (std::string_view(text) != "1e999") {
            EXPECT_FALSE(scanInt(view, i)) << text;
        }
    }
    std::string_view big = "2147483648", small = "-2147483649", edge = "-2147483648 x";
    std::int32_t i = 0;
    EXPECT_FALSE(scanInt(big, i));
    EXPECT_FALSE(scanInt(small, i));
    EXPECT_TRUE(scanInt(edge, i));
    EXPECT_EQ(i, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(edge, " x");
}

TEST(LineReader, StripsLineEndsCountsLinesAndRefusesLongLines) {
    LineReader lines("one\r\r\n#two\r\n\nthree", "f.txt");
    std::string_view line;
    ASSERT_TRUE(lines.nextData(line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(lines.nextData(line));
    EXPECT_EQ(line, "");
    ASSERT_TRUE(lines.nextData(line));
    EXPECT_EQ(line, "three");
    EXPECT_EQ(lines.lineNumber(), 4);
    EXPECT_FALSE(lines.next(line));
    EXPECT_FALSE(lines.failure());

    const std::string longest(kMaxLineLength, 'x');
    const std::string text = longest + "\r\n" + longest + "y\n";
    LineReader limited(text, "f.txt");
    EXPECT_TRUE(limited.next(line));
    EXPECT_FALSE(limited.next(line));
    ASSERT_TRUE(limited.failure());
    EXPECT_EQ(limited.failure()->describe(), "f.txt:2: the line is 199 characters long (limit is 198)");
}
