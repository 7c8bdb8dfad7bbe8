#include "formats/png_writer.h"

#include <array>
#include <algorithm>
#include <string_view>

namespace kestrel::formats {

namespace {

std::uint32_t crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void putBig32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void chunk(std::string& out, std::string_view type, const std::string& data) {
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type) + data;
    out += body;
    putBig32(out, crc32(body));
}

}  // namespace

std::string writePng(int width, int height, const std::vector<std::uint32_t>& pixels) {
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string header;
    putBig32(header, static_cast<std::uint32_t>(width));
    putBig32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter, no interlace
    chunk(out, "IHDR", header);

    // Scanlines (filter byte 0, then RGBA), in a zlib stream of stored deflate blocks.
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 4 * static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            raw += static_cast<char>((p >> 16) & 0xFF);
            raw += static_cast<char>((p >> 8) & 0xFF);
            raw += static_cast<char>(p & 0xFF);
            raw += static_cast<char>(p >> 24);
        }
    }
    std::string zlib = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        zlib += static_cast<char>(at + n >= raw.size() ? 1 : 0);
        zlib += static_cast<char>(n & 0xFF);
        zlib += static_cast<char>(n >> 8);
        zlib += static_cast<char>(~n & 0xFF);
        zlib += static_cast<char>((~n >> 8) & 0xFF);
        zlib.append(raw, at, n);
        if (raw.empty()) break;
    }
    putBig32(zlib, b << 16 | a);
    chunk(out, "IDAT", zlib);
    chunk(out, "IEND", "");
    return out;
}

}  // namespace kestrel::formats
