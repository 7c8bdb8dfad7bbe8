#include "render/line_span.h"

#include <algorithm>
#include <cmath>

namespace kestrel::render {

bool finite(float a, float b, float c) { return std::isfinite(a) && std::isfinite(b) && std::isfinite(c); }

std::optional<LineSpan> lineSpan(const ScreenVertex& from, const ScreenVertex& to, int width, int top, int end) {
    if (!finite(from.x, from.y, from.z) || !finite(to.x, to.y, to.z)) return std::nullopt;
    LineSpan s;
    s.xMajor = std::abs(static_cast<double>(to.x) - from.x) >= std::abs(static_cast<double>(to.y) - from.y);
    s.m0 = s.xMajor ? from.x : from.y;
    s.n0 = s.xMajor ? from.y : from.x;
    const double m1 = s.xMajor ? to.x : to.y, n1 = s.xMajor ? to.y : to.x;
    s.length = m1 - s.m0;
    s.rise = n1 - s.n0;
    if (s.length == 0) return std::nullopt;
    // The window as ranges along and across the line.
    const int majorLo = s.xMajor ? 0 : top, majorEnd = s.xMajor ? width : end;
    const int minorLo = s.xMajor ? top : 0, minorEnd = s.xMajor ? end : width;

    // The centres from the first vertex up to, not including, the second, cut to the window.
    // Holding the ends to just beyond it first leaves the rounding the same.
    const double beyond = majorEnd + 1.0;
    if (s.length > 0) {
        s.lo = ceilInt(hold(s.m0 - 0.5, -1, beyond));
        s.hi = ceilInt(hold(m1 - 0.5, -1, beyond)) - 1;
    } else {
        s.hi = floorInt(hold(s.m0 - 0.5, -1, beyond));
        s.lo = floorInt(hold(m1 - 0.5, -1, beyond)) + 1;
    }
    s.lo = std::max(s.lo, majorLo);
    s.hi = std::min(s.hi, majorEnd - 1);
    if (s.lo > s.hi) return std::nullopt;
    // Across the major axis, when an end lies outside: the centres where the minor coordinate
    // is inside, give or take a pixel for rounding, which the drawing checks exactly. (From
    // floats, run and the ends stay finite.)
    const bool inside0 = s.n0 >= minorLo && s.n0 < minorEnd, inside1 = n1 >= minorLo && n1 < minorEnd;
    if (!inside0 || !inside1) {
        if (s.rise == 0) return std::nullopt;
        const double run = s.length / s.rise;
        const double c0 = s.m0 - 0.5 - (s.n0 - minorLo) * run, c1 = c0 + (minorEnd - minorLo) * run;
        s.lo = std::max(s.lo, floorInt(hold(std::min(c0, c1), -2, beyond)) - 1);
        s.hi = std::min(s.hi, ceilInt(hold(std::max(c0, c1), -2, beyond)) + 1);
        if (s.lo > s.hi) return std::nullopt;
    }
    return s;
}

}  // namespace kestrel::render
