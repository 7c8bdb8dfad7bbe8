#include "sample_dog_textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace kestrel::samples {

namespace {

// An indexed picture drawn top row first, with its palette as 0xRRGGBB.
struct Canvas {
    Canvas(int w, int h) : width(w), height(h), index(static_cast<std::size_t>(w * h)) {}
    int width, height;
    std::vector<std::uint8_t> index;
    std::vector<std::uint32_t> palette;

    std::uint8_t& at(int x, int y) { return index[static_cast<std::size_t>(y * width + x)]; }
    template <typename Paint>
    void each(Paint paint) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) paint(x, y, at(x, y));
    }
};

// A fixed scatter of small values, the same on every run: grain for the metal and rubber.
int grain(int x, int y, int range) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<int>(h % static_cast<std::uint32_t>(range));
}

// Palette entries from `from` to `to` in `steps` even steps.
void ramp(std::vector<std::uint32_t>& palette, std::uint32_t from, std::uint32_t to, int steps) {
    for (int i = 0; i < steps; ++i) {
        std::uint32_t c = 0;
        for (int shift = 16; shift >= 0; shift -= 8) {
            const int a = static_cast<int>(from >> shift & 0xFF), b = static_cast<int>(to >> shift & 0xFF);
            c |= static_cast<std::uint32_t>(a + (b - a) * i / (steps - 1)) << shift;
        }
        palette.push_back(c);
    }
}

double distance(double x, double y, double cx, double cy) { return std::hypot(x - cx, y - cy); }

formats::TimImage timOf(const Canvas& canvas, int bits, std::uint16_t imageX, std::uint16_t clutY) {
    formats::TimImage image;
    image.bitsPerPixel = bits;
    image.width = canvas.width;
    image.height = canvas.height;
    image.imageX = imageX;
    image.clutY = clutY;
    for (std::size_t i = 0; i < canvas.palette.size() && i < image.palette.size(); ++i)
        image.palette[i] = canvas.palette[i];
    const int stride = image.stride();
    image.pixels.assign(static_cast<std::size_t>(stride * image.height), 0);
    for (int y = 0; y < canvas.height; ++y) {
        std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>((canvas.height - 1 - y) * stride);
        for (int x = 0; x < canvas.width; ++x) {
            const std::uint8_t c = canvas.index[static_cast<std::size_t>(y * canvas.width + x)];
            if (bits == 8)
                row[x] = c;
            else
                row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? c : c << 4);  // left pixel high
        }
    }
    return image;
}

// Where the face screen's outline runs: an octagon over the whole picture whose corners are
// cut by 0.3 of each half side, as the head's outline is.
double insideOctagon(double x, double y, double size) {
    const double c = 0.3 * size / 2, far = size - 1;
    const double cut = std::min({x + y, far - x + y, x + far - y, 2 * far - x - y}) - c;
    return std::min({x, far - x, y, far - y, cut / std::sqrt(2.0)});
}

}  // namespace

formats::TimImage dogPlatePicture() {
    enum : std::uint8_t {
        kSeam = 32,
        kBevelLight,
        kBevelDark,
        kRivet,
        kRivetLight,
        kRivetDark,
        kStripe,
        kStripeEdge,
        kStripeLight
    };
    Canvas c{64, 64};
    ramp(c.palette, 0x465264, 0xAAB6C8, 32);
    for (std::uint32_t colour :
         {0x1E222Cu, 0xD2DAE6u, 0x323846u, 0x787E8Cu, 0xEBF0FAu, 0x282C36u, 0xF0821Eu, 0x78320Au, 0xFFBE5Au})
        c.palette.push_back(colour);
    // Panels 32 texels across and 16 along: the body stretches the picture along its length.
    c.each([](int x, int y, std::uint8_t& p) {
        const int px = x % 32, py = y % 16;
        p = static_cast<std::uint8_t>(std::clamp(6 + (px + 2 * py) / 3 + grain(x, y, 3), 0, 31));
        if (x >= 27 && x < 37) p = x == 27 || x == 36 ? kStripeEdge : x == 28 ? kStripeLight : kStripe;
        if (px == 0 || py == 0) p = x >= 27 && x < 37 ? kStripeLight : kBevelLight;
        if (px == 31 || py == 15) p = x >= 27 && x < 37 ? kStripeEdge : kBevelDark;
        if (py == 15 && px == 31) p = kSeam;
    });
    for (int panelY = 0; panelY < 64; panelY += 16)
        for (int panelX = 0; panelX < 64; panelX += 32)
            for (const auto& [rx, ry] : {std::pair{3, 3}, std::pair{27, 3}, std::pair{3, 11}, std::pair{27, 11}}) {
                const int x = panelX + rx, y = panelY + ry;
                c.at(x, y) = kRivetLight;
                c.at(x + 1, y) = c.at(x, y + 1) = kRivet;
                c.at(x + 1, y + 1) = kRivetDark;
            }
    // A few scratches, lighter than the metal round them.
    for (int s = 0; s < 7; ++s) {
        const int x0 = 2 + grain(s, 1, 56), y0 = 2 + grain(s, 2, 56);
        for (int k = 0; k < 5; ++k) {
            std::uint8_t& p = c.at(x0 + k, y0 + k / 2);
            if (p < kSeam) p = static_cast<std::uint8_t>(std::min(31, p + 7));
        }
    }
    return timOf(c, 8, 768, 482);
}

formats::TimImage dogFacePicture() {
    enum : std::uint8_t { kRim = 16, kRimDark, kRimLight, kEye, kEyeEdge, kGlint, kPupil, kCheek, kScanline };
    Canvas c{64, 64};
    ramp(c.palette, 0x0A0E28, 0x182250, 16);
    for (std::uint32_t colour :
         {0xFAC828u, 0xAA7814u, 0xFFF096u, 0x46E1F0u, 0x1E96BEu, 0xFAFFFFu, 0x082846u, 0xF078A0u, 0x121A3Cu})
        c.palette.push_back(colour);
    c.each([](int x, int y, std::uint8_t& p) {
        p = static_cast<std::uint8_t>(15 - y / 4);
        if (y % 3 == 2) p = kScanline;
        for (const double cx : {21.0, 42.0}) {
            const double d = distance(x, y, cx, 25);
            if (d < 8.5) p = d > 7 ? kEyeEdge : kEye;
            if (distance(x, y, cx, 26) < 3.5) p = kPupil;
            if (distance(x, y, cx + 3, 22) < 1.6) p = kGlint;
        }
        for (const double cx : {11.0, 52.0})
            if (distance(x, y, cx, 41) < 3.2) p = kCheek;
        const double edge = insideOctagon(x, y, 64);
        if (edge < 3.5) p = edge < 1 ? kRimDark : edge > 2.6 ? kRimLight : kRim;
    });
    return timOf(c, 8, 800, 483);
}

formats::TimImage dogPadsPicture() {
    enum : std::uint8_t { kRubber, kRubberLight, kRidge, kRidgeLight, kRim, kRimDark };
    Canvas c{32, 32};
    c.palette = {0x222024, 0x36323A, 0x58545C, 0x78747C, 0xE6781E, 0x823C0F};
    c.each([](int x, int y, std::uint8_t& p) {
        // Chevrons pointing along the paw, like a boot's tread.
        const int along = static_cast<int>(y + 0.6 * std::fabs(x - 15.5));
        p = along % 6 < 2 ? kRidge : along % 6 == 2 ? kRidgeLight : grain(x, y, 4) ? kRubber : kRubberLight;
        const int edge = std::min({x, 31 - x, y, 31 - y});
        if (edge < 2) p = edge == 0 ? kRimDark : kRim;
    });
    return timOf(c, 4, 832, 484);
}

}  // namespace kestrel::samples
