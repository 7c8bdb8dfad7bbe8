#include "render/software_raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/line_span.h"

namespace kestrel::render::raster {

namespace {

// Triangle corners are snapped to 1/16 pixel so that the edge functions are exact integers:
// two triangles sharing an edge then agree on every pixel centre along it.
constexpr std::int64_t kSubpixels = 16;
constexpr std::int64_t kHalfPixel = kSubpixels / 2;

bool fitsFloat(double x) { return std::abs(x) <= std::numeric_limits<float>::max(); }

// std::floor, inline: the library's is a call on processors without a rounding instruction.
inline double floorOf(double x) {
    constexpr double integral = 4503599627370496.0;  // 2^52: from here on doubles are whole
    if (!(std::abs(x) < integral)) return x;
    const auto i = static_cast<double>(static_cast<std::int64_t>(x));
    return i > x ? i - 1 : i;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {  // b > 0
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return -floorDiv(-a, b); }

// x × y / 255, rounded, for bytes.
inline std::uint32_t scale(std::uint32_t x, std::uint32_t y) { return (x * y + 127) / 255; }

// Fixed-point values for stepping along a row, in unsigned words so that the sums are always
// defined. Colour channels are 16.16, held far beyond 0..255 either way; texture coordinates,
// in texels, are 32.32, where the wrap-around of the word is a whole number of texture repeats
// (so the texel is the integer part modulo the size), held to ±2^30 texels.
inline std::uint32_t fixed16(double value) {
    constexpr double limit = 1 << 30;
    value *= 65536.0;
    value = value > -limit ? value : -limit;
    value = value < limit ? value : limit;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
}
inline std::uint64_t fixed32(double value) {
    constexpr double limit = 4611686018427387904.0;  // 2^62
    value *= 4294967296.0;
    value = value > -limit ? value : -limit;
    value = value < limit ? value : limit;
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
}
// The byte of a 16.16 channel, held to 0..255.
inline std::uint32_t byteOf(std::uint32_t fixed) {
    return static_cast<std::uint32_t>(std::clamp(static_cast<std::int32_t>(fixed) >> 16, 0, 255));
}

// The four 16.16 colour channels along a span, stepped together; each byte is its channel held
// to 0..255. On x86 one vector register holds them, laid out as the bytes of 0xAARRGGBB.
#if defined(__SSE2__)
class Shade {
public:
    Shade(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
        : value_(_mm_set_epi32(static_cast<int>(a), static_cast<int>(r), static_cast<int>(g), static_cast<int>(b))) {}
    void step(const Shade& by) { value_ = _mm_add_epi32(value_, by.value_); }
    std::uint32_t argb() const { return low(_mm_packus_epi16(words(*this, *this), _mm_setzero_si128())); }
    // Each channel × the texel's, / 255 rounded.
    std::uint32_t modulate(std::uint32_t texel) const {
        return low(modulated(words(*this, *this), _mm_cvtsi32_si128(static_cast<int>(texel))));
    }
    // The same for two pixels side by side, a and b, at once.
    static std::pair<std::uint32_t, std::uint32_t> argb(const Shade& a, const Shade& b) {
        return split(_mm_packus_epi16(words(a, b), _mm_setzero_si128()));
    }
    static std::pair<std::uint32_t, std::uint32_t> modulate(const Shade& a, const Shade& b, std::uint32_t texelA,
                                                            std::uint32_t texelB) {
        const __m128i texels = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(texelA)),
                                                  _mm_cvtsi32_si128(static_cast<int>(texelB)));
        return split(modulated(words(a, b), texels));
    }

private:
    // The channels' integer parts of a and then b as 16-bit words, saturated.
    static __m128i words(const Shade& a, const Shade& b) {
        return _mm_packs_epi32(_mm_srai_epi32(a.value_, 16), _mm_srai_epi32(b.value_, 16));
    }
    // Up to two pixels' words held to bytes, times the texels' bytes.
    static __m128i modulated(__m128i words, __m128i texels) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i shade = _mm_unpacklo_epi8(_mm_packus_epi16(words, zero), zero);
        const __m128i t = _mm_unpacklo_epi8(texels, zero);
        // (p + p / 256) / 256 with p = x·y + 128 is x·y / 255 rounded, for bytes.
        __m128i p = _mm_add_epi16(_mm_mullo_epi16(t, shade), _mm_set1_epi16(128));
        p = _mm_srli_epi16(_mm_add_epi16(p, _mm_srli_epi16(p, 8)), 8);
        return _mm_packus_epi16(p, zero);
    }
    static std::uint32_t low(__m128i bytes) { return static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes)); }
    static std::pair<std::uint32_t, std::uint32_t> split(__m128i bytes) {
        return {low(bytes), low(_mm_srli_si128(bytes, 4))};
    }
    __m128i value_;
};
#else
class Shade {
public:
    Shade(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) : value_{b, g, r, a} {}
    void step(const Shade& by) {
        for (int c = 0; c < 4; ++c) value_[c] += by.value_[c];
    }
    std::uint32_t argb() const {
        std::uint32_t argb = 0;
        for (int c = 0; c < 4; ++c) argb |= byteOf(value_[c]) << 8 * c;
        return argb;
    }
    std::uint32_t modulate(std::uint32_t texel) const {
        std::uint32_t argb = 0;
        for (int c = 0; c < 4; ++c) argb |= scale(texel >> 8 * c & 0xFF, byteOf(value_[c])) << 8 * c;
        return argb;
    }
    static std::pair<std::uint32_t, std::uint32_t> argb(const Shade& a, const Shade& b) { return {a.argb(), b.argb()}; }
    static std::pair<std::uint32_t, std::uint32_t> modulate(const Shade& a, const Shade& b, std::uint32_t texelA,
                                                            std::uint32_t texelB) {
        return {a.modulate(texelA), b.modulate(texelB)};
    }

private:
    std::array<std::uint32_t, 4> value_;
};
#endif

// Source over target with the source's alpha; the result is opaque.
inline std::uint32_t blend(std::uint32_t source, std::uint32_t target) {
    const std::uint32_t a = source >> 24, rest = 255 - a;
    const auto mix = [&](int shift) {
        return ((source >> shift & 0xFF) * a + (target >> shift & 0xFF) * rest + 127) / 255 << shift;
    };
    return 0xFF000000u | mix(16) | mix(8) | mix(0);
}

template <unsigned M>
inline void store(std::uint32_t& pixel, std::uint32_t argb) {
    if constexpr ((M & kBlended) != 0)
        pixel = blend(argb, pixel);
    else
        pixel = argb | 0xFF000000u;
}

std::uint32_t channel(std::uint32_t argb, int shift) { return argb >> shift & 0xFF; }

// ---- Triangles ----

struct SnappedPoint {
    std::int64_t x, y;
};

// One edge function, stepped across the bounding box: ≥ 0 inside, with the top-left bias.
struct Edge {
    std::int64_t row;    // at the first pixel of the current row of the box
    std::int64_t right;  // change per pixel to the right
    std::int64_t down;   // change per row down
    double inverse;      // 1 / |right|, for estimating where the row crosses the edge
};

// The first k in 0..limit with row + right·k ≥ 0, for right > 0; limit when none is below it.
// The estimate is exact but for rounding, which the two loops settle in a step or two.
std::int64_t firstInside(const Edge& e, std::int64_t limit) {
    if (e.row >= 0) return 0;
    const double estimate = static_cast<double>(-e.row) * e.inverse;
    std::int64_t k = estimate < static_cast<double>(limit) ? static_cast<std::int64_t>(estimate) : limit;
    std::int64_t value = e.row + e.right * k;
    for (; k < limit && value < 0; ++k) value += e.right;
    for (; k > 0 && value - e.right >= 0; --k) value -= e.right;
    return k;
}

// The last k in -1..limit with row + right·k ≥ 0, for right < 0; -1 when none is.
std::int64_t lastInside(const Edge& e, std::int64_t limit) {
    if (e.row < 0) return -1;
    const double estimate = static_cast<double>(e.row) * e.inverse;
    std::int64_t k = estimate < static_cast<double>(limit) ? static_cast<std::int64_t>(estimate) : limit;
    std::int64_t value = e.row + e.right * k;
    for (; k >= 0 && value < 0; --k) value -= e.right;
    for (; k < limit && value + e.right >= 0; ++k) value += e.right;
    return k;
}

// A vertex attribute as a plane over the bounding box: value at its first pixel, change per
// pixel right and per row down.
struct Plane {
    double base = 0, right = 0, down = 0;
};

enum Attribute { kZ, kRed, kGreen, kBlue, kAlpha, kU, kV, kAttributeCount };

template <unsigned M>
void drawTriangle(const Target& target, const Sampler& sampler, const ScreenVertex& first, const ScreenVertex& second,
                  const ScreenVertex& third) {
    constexpr bool textured = (M & kTextured) != 0;
    std::array<const ScreenVertex*, 3> corners{&first, &second, &third};
    std::array<SnappedPoint, 3> p{};
    for (int i = 0; i < 3; ++i) {
        const ScreenVertex& vertex = *corners[i];
        if (!finite(vertex.x, vertex.y, vertex.z)) return;
        if (textured && !finite(vertex.u, vertex.v, 0.0f)) return;
        if (std::abs(vertex.x) > kMaxCoordinate || std::abs(vertex.y) > kMaxCoordinate) return;
        p[i] = {static_cast<std::int64_t>(floorOf(static_cast<double>(vertex.x) * kSubpixels + 0.5)),
                static_cast<std::int64_t>(floorOf(static_cast<double>(vertex.y) * kSubpixels + 0.5))};
    }
    std::int64_t area = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
    if (area == 0) return;
    if (area < 0) {  // make the winding clockwise on the screen (y down)
        std::swap(corners[1], corners[2]);
        std::swap(p[1], p[2]);
        area = -area;
    }

    // The pixels whose centres lie within the corners' extent, cut to the buffer.
    const auto [minX, maxX] = std::minmax({p[0].x, p[1].x, p[2].x});
    const auto [minY, maxY] = std::minmax({p[0].y, p[1].y, p[2].y});
    const std::int64_t left = std::max<std::int64_t>(0, ceilDiv(minX - kHalfPixel, kSubpixels));
    const std::int64_t right = std::min<std::int64_t>(target.width - 1, floorDiv(maxX - kHalfPixel, kSubpixels));
    const std::int64_t top = std::max<std::int64_t>(target.top, ceilDiv(minY - kHalfPixel, kSubpixels));
    const std::int64_t bottom = std::min<std::int64_t>(target.end - 1, floorDiv(maxY - kHalfPixel, kSubpixels));
    if (left > right || top > bottom) return;

    // Edge i runs from corner i to corner i + 1; divided by the area it is the barycentric
    // weight of the corner opposite, i + 2.
    const std::int64_t centreX = left * kSubpixels + kHalfPixel, centreY = top * kSubpixels + kHalfPixel;
    const double perArea = 1.0 / static_cast<double>(area);
    std::array<Edge, 3> edges{};
    std::array<double, 3> weight{}, weightRight{}, weightDown{};
    for (int i = 0; i < 3; ++i) {
        const SnappedPoint a = p[i], b = p[(i + 1) % 3];
        const std::int64_t value = (b.x - a.x) * (centreY - a.y) - (b.y - a.y) * (centreX - a.x);
        Edge& e = edges[i];
        e.right = -(b.y - a.y) * kSubpixels;
        e.down = (b.x - a.x) * kSubpixels;
        e.inverse = e.right != 0 ? 1.0 / std::abs(static_cast<double>(e.right)) : 0.0;
        // Centres on a top edge (horizontal, the triangle below) or a left edge (going up in
        // this winding) are inside; on any other edge they belong to the neighbour.
        const bool topLeft = (a.y == b.y && b.x > a.x) || b.y < a.y;
        e.row = value - (topLeft ? 0 : 1);
        const int corner = (i + 2) % 3;
        weight[corner] = static_cast<double>(value) * perArea;
        weightRight[corner] = static_cast<double>(e.right) * perArea;
        weightDown[corner] = static_cast<double>(e.down) * perArea;
    }

    std::array<std::array<double, 3>, kAttributeCount> values{};
    for (int i = 0; i < 3; ++i) {
        values[kZ][i] = corners[i]->z;
        values[kRed][i] = channel(corners[i]->colour, 16);
        values[kGreen][i] = channel(corners[i]->colour, 8);
        values[kBlue][i] = channel(corners[i]->colour, 0);
        values[kAlpha][i] = channel(corners[i]->colour, 24);
    }
    int attributes = kAlpha + 1;
    if constexpr (textured) {
        // Whole texture repeats do not change the texels sampled: taking them off keeps the
        // coordinates small, where the fixed-point steps are finest.
        const double uOffset = floorOf(std::min({corners[0]->u, corners[1]->u, corners[2]->u}));
        const double vOffset = floorOf(std::min({corners[0]->v, corners[1]->v, corners[2]->v}));
        for (int i = 0; i < 3; ++i) {
            values[kU][i] = (corners[i]->u - uOffset) * sampler.size;
            values[kV][i] = (corners[i]->v - vOffset) * sampler.size;
        }
        attributes = kAttributeCount;
    }
    std::array<Plane, kAttributeCount> planes{};
    for (int a = 0; a < attributes; ++a) {
        Plane& plane = planes[a];
        for (int i = 0; i < 3; ++i) {
            plane.base += values[a][i] * weight[i];
            plane.right += values[a][i] * weightRight[i];
            plane.down += values[a][i] * weightDown[i];
        }
        // Depths or texture coordinates near the float limit can make planes beyond it.
        if (!fitsFloat(plane.base) || !fitsFloat(plane.right) || !fitsFloat(plane.down)) return;
    }
    // Along a row the colour steps in 16.16 fixed point and the texture coordinates in 32.32;
    // each row starts afresh from the planes.
    const auto zStep = static_cast<float>(planes[kZ].right);
    constexpr bool blended = (M & kBlended) != 0;  // else the alpha is never read
    const Shade shadeStep(fixed16(planes[kRed].right), fixed16(planes[kGreen].right), fixed16(planes[kBlue].right),
                          blended ? fixed16(planes[kAlpha].right) : 0);
    std::uint64_t uStep = 0, vStep = 0;
    if constexpr (textured) {
        uStep = fixed32(planes[kU].right);
        vStep = fixed32(planes[kV].right);
    }

    const std::int64_t last = right - left;  // the last k of a row
    for (std::int64_t y = top; y <= bottom; ++y) {
        std::int64_t from = 0, to = last;
        for (const Edge& e : edges) {
            if (e.right > 0)
                from = std::max(from, firstInside(e, last + 1));
            else if (e.right < 0)
                to = std::min(to, lastInside(e, last));
            else if (e.row < 0)
                to = -1;
        }
        for (Edge& e : edges) e.row += e.down;
        if (from > to) continue;

        const auto rowsDown = static_cast<double>(y - top), firstK = static_cast<double>(from);
        const auto at = [&](const Plane& plane) { return plane.base + plane.down * rowsDown + plane.right * firstK; };
        const auto zRow = static_cast<float>(planes[kZ].base + planes[kZ].down * rowsDown);
        // + 0.5: the byte is the value rounded.
        Shade shade(fixed16(at(planes[kRed]) + 0.5), fixed16(at(planes[kGreen]) + 0.5),
                    fixed16(at(planes[kBlue]) + 0.5), blended ? fixed16(at(planes[kAlpha]) + 0.5) : 0);
        std::uint64_t u = 0, v = 0;
        if constexpr (textured) {
            u = fixed32(at(planes[kU]));
            v = fixed32(at(planes[kV]));
        }
        const std::size_t rowIndex =
            static_cast<std::size_t>(y) * static_cast<std::size_t>(target.width) + static_cast<std::size_t>(left);
        std::uint32_t* colour = target.colour + rowIndex;
        float* depth = target.depth + rowIndex;
        const std::uint32_t* texels = sampler.texels;
        const std::size_t mask = sampler.mask;
        const int shift = sampler.shift;
        const auto texel = [&] {
            const std::size_t column = static_cast<std::size_t>(u >> 32) & mask;
            const std::size_t line = static_cast<std::size_t>(v >> 32) & mask;
            u += uStep;
            v += vStep;
            return texels[line << shift | column];
        };
        const auto put = [&](std::int64_t k, float z, std::uint32_t argb, std::uint32_t sampled) {
            if constexpr (textured && (M & kAlphaModulate) == 0) argb = (argb & 0x00FFFFFFu) | (sampled & 0xFF000000u);
            store<M>(colour[k], argb);
            if constexpr ((M & kDepthWrite) != 0) depth[k] = z;
        };
        const auto visible = [&](std::int64_t k, float z) { return (M & kDepthTest) == 0 || z <= depth[k]; };
        // Two pixels at a time while two are left. k counts in a float as well (exact: rows
        // are far shorter than 2^24). The alpha matters only when blended.
        std::int64_t k = from;
        auto kf = static_cast<float>(from);
        for (; k < to; k += 2, kf += 2.0f) {
            const float z0 = zRow + zStep * kf, z1 = zRow + zStep * (kf + 1.0f);
            const bool visible0 = visible(k, z0), visible1 = visible(k + 1, z1);
            Shade next = shade;
            next.step(shadeStep);
            std::uint32_t texel0 = 0, texel1 = 0;
            if constexpr (textured) {
                texel0 = texel();
                texel1 = texel();
            }
            if (visible0 || visible1) {
                const auto [argb0, argb1] =
                    textured ? Shade::modulate(shade, next, texel0, texel1) : Shade::argb(shade, next);
                if (visible0) put(k, z0, argb0, texel0);
                if (visible1) put(k + 1, z1, argb1, texel1);
            }
            shade = next;
            shade.step(shadeStep);
        }
        if (k == to) {
            const float z = zRow + zStep * kf;
            if (visible(k, z)) {
                const std::uint32_t t = textured ? texel() : 0;
                put(k, z, textured ? shade.modulate(t) : shade.argb(), t);
            }
        }
    }
}

// ---- Lines ----

template <unsigned M>
void drawLine(const Target& target, const ScreenVertex& from, const ScreenVertex& to) {
    const auto span = lineSpan(from, to, target.width, target.top, target.end);
    if (!span) return;
    const auto [xMajor, m0, n0, length, rise, lo, hi] = *span;
    const int minorLo = xMajor ? target.top : 0, minorEnd = xMajor ? target.end : target.width;

    const double inverseLength = 1 / length, slope = rise * inverseLength;
    const float dz = to.z - from.z;
    if (!std::isfinite(dz)) return;
    // The colour steps in 16.16 fixed point from the first column drawn.
    const bool oneColour = from.colour == to.colour;
    std::array<std::uint32_t, 4> shade{}, shadeStep{};  // blue, green, red, alpha
    if (!oneColour) {
        const double firstT = (lo + 0.5 - m0) * inverseLength;
        for (int i = 0; i < 4; ++i) {
            const double base = channel(from.colour, 8 * i);
            const double change = static_cast<double>(channel(to.colour, 8 * i)) - base;
            shade[i] = fixed16(base + change * firstT + 0.5);
            shadeStep[i] = fixed16(change * inverseLength);
        }
    }
    for (int c = lo; c <= hi; ++c) {
        const double along = c + 0.5 - m0;
        const double across = n0 + along * slope;
        if (across >= minorLo && across < minorEnd) {
            const auto minor = static_cast<int>(across);
            const int x = xMajor ? c : minor, y = xMajor ? minor : c;
            const std::size_t index =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(target.width) + static_cast<std::size_t>(x);
            const float z = from.z + dz * static_cast<float>(along * inverseLength);
            bool visible = true;
            if constexpr ((M & kDepthTest) != 0) visible = z <= target.depth[index];
            if (visible) {
                std::uint32_t argb = from.colour;
                if (!oneColour)
                    argb = byteOf(shade[3]) << 24 | byteOf(shade[2]) << 16 | byteOf(shade[1]) << 8 | byteOf(shade[0]);
                store<M>(target.colour[index], argb);
                if constexpr ((M & kDepthWrite) != 0) target.depth[index] = z;
            }
        }
        for (int i = 0; i < 4; ++i) shade[i] += shadeStep[i];
    }
}

template <unsigned M>
void triangleOf(const Target& target, const Sampler& sampler, const ScreenVertex* c) {
    drawTriangle<M>(target, sampler, c[0], c[1], c[2]);
}
template <unsigned M>
void lineOf(const Target& target, const ScreenVertex* e) {
    drawLine<M>(target, e[0], e[1]);
}

using TriangleFn = void (*)(const Target&, const Sampler&, const ScreenVertex*);
using LineFn = void (*)(const Target&, const ScreenVertex*);

template <std::size_t... M>
constexpr std::array<TriangleFn, sizeof...(M)> triangleTable(std::index_sequence<M...>) {
    return {&triangleOf<M>...};
}
// Lines are never textured: only the blend and depth switches.
template <std::size_t... I>
constexpr std::array<LineFn, sizeof...(I)> lineTable(std::index_sequence<I...>) {
    return {&lineOf<(I << 2)>...};
}
constexpr auto kTriangles = triangleTable(std::make_index_sequence<kModeCount>{});
constexpr auto kLines = lineTable(std::make_index_sequence<kModeCount / 4>{});

}  // namespace

unsigned modeOf(const RenderStates& states, bool textured) {
    unsigned mode = 0;
    if (textured) mode |= kTextured;
    if (textured && states.textureBlend == TextureBlend::ModulateAlpha) mode |= kAlphaModulate;
    if (states.blend == Blend::SourceAlpha) mode |= kBlended;
    if (states.depthTest) mode |= kDepthTest;
    if (states.depthWrite) mode |= kDepthWrite;
    return mode;
}

void drawTriangle(unsigned mode, const Target& target, const Sampler& sampler, const ScreenVertex* corners) {
    kTriangles[mode & (kModeCount - 1)](target, sampler, corners);
}

void drawLine(unsigned mode, const Target& target, const ScreenVertex* ends) {
    kLines[(mode & (kModeCount - 1)) >> 2](target, ends);
}

}  // namespace kestrel::render::raster
