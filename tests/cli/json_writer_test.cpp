// The JSON writer and the terminal-safe text used by kestrel-cli.
#include "cli/json_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "cli/report.h"
#include "json_value.h"

namespace kestrel::cli {
namespace {

std::string jsonQuoted(std::string_view text) {
    std::string out;
    appendJsonString(out, text);
    return out;
}

TEST(JsonWriter, NumbersReadBackBitForBit) {
    const double values[] = {0.1,
                             -2.5,
                             1.0 / 3.0,
                             1e300,
                             -1e-300,
                             5e-324,
                             123456789.123456789,
                             4096.0,
                             -0.0,
                             std::numeric_limits<double>::max()};
    for (const double value : values) {
        const std::string text = formatNumber(value);
        double back = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), back);
        ASSERT_EQ(result.ptr, text.data() + text.size()) << text;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(value)) << text;
    }
    // Whole numbers stay short; the shortest form is what a reader of the output sees.
    EXPECT_EQ(formatNumber(-30.0), "-30");
    EXPECT_EQ(formatNumber(0.1), "0.1");
    EXPECT_EQ(formatNumber(1e300), "1e+300");
}

TEST(JsonWriter, NestsAndSeparatesValues) {
    std::string out;
    JsonWriter json(out);
    json.beginObject();
    json.key("a");
    json.beginArray();
    json.integer(1);
    json.integer(-2147483648LL);
    json.beginObject();
    json.key("b");
    json.string("c");
    json.endObject();
    json.beginArray();
    json.endArray();
    json.endArray();
    json.key("d");
    json.beginObject();
    json.endObject();
    json.key("e");
    json.number(std::nan(""));
    json.key("f");
    json.number(-std::numeric_limits<double>::infinity());
    json.endObject();
    // Non-finite numbers have no JSON spelling; null keeps the document valid.
    EXPECT_EQ(out, R"({"a":[1,-2147483648,{"b":"c"},[]],"d":{},"e":null,"f":null})");
    EXPECT_TRUE(test::parseJson(out));
}

TEST(JsonWriter, EscapesWhatJsonForbidsAndKeepsUtf8) {
    EXPECT_EQ(jsonQuoted("plain c:\\models\\a.ply"), R"("plain c:\\models\\a.ply")");
    EXPECT_EQ(jsonQuoted("\"\n\r\t\b\f"), R"("\"\n\r\t\b\f")");
    EXPECT_EQ(jsonQuoted(std::string("\x00\x01\x1f\x7f", 4)), R"("\u0000\u0001\u001f\u007f")");
    // Valid UTF-8 of every length passes through unchanged.
    EXPECT_EQ(jsonQuoted("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"");
    // Each byte of an invalid sequence is written as the code point of that byte: a lone
    // Latin-1 byte, a cut sequence, an overlong form, an encoded surrogate, a stray
    // continuation byte and a code point above U+10FFFF.
    EXPECT_EQ(jsonQuoted("\xE9"), R"("\u00e9")");
    EXPECT_EQ(jsonQuoted("\xE2\x82"), R"("\u00e2\u0082")");
    EXPECT_EQ(jsonQuoted("\xC0\xAF"), R"("\u00c0\u00af")");
    EXPECT_EQ(jsonQuoted("\xED\xA0\x80"), R"("\u00ed\u00a0\u0080")");
    EXPECT_EQ(jsonQuoted("a\x80z"), R"("a\u0080z")");
    EXPECT_EQ(jsonQuoted("\xF4\x90\x80\x80"), R"("\u00f4\u0090\u0080\u0080")");
    // Whatever the bytes, the result is a JSON string that a strict reader accepts.
    std::string everyByte;
    for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
    EXPECT_TRUE(test::parseJson(jsonQuoted(everyByte)));
}

TEST(PrintableText, EscapesBytesATerminalWouldObey) {
    EXPECT_EQ(printable("c:\\models\\a.ply"), "c:\\models\\a.ply");
    EXPECT_EQ(printable("line\nbreak\r\x1B[2J\x7F"), "line\\x0abreak\\x0d\\x1b[2J\\x7f");
    EXPECT_EQ(printable("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(printable("\xC2\x9B"
                        "31m"),
              "\\xc2\\x9b31m");  // the C1 control CSI
    EXPECT_EQ(printable("\xE9t\xE9"), "\\xe9t\\xe9");
}

}  // namespace
}  // namespace kestrel::cli
