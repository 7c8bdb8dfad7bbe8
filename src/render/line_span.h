#pragma once
// Where a line lies on the pixel grid, the one rule the software rasteriser and the OpenGL
// device both draw by: along the major axis the line passes one pixel centre per pixel, from
// the first vertex up to (not including) the second, and the minor coordinate at that centre
// picks the pixel across.
#include <optional>

#include "render/render_device.h"

namespace kestrel::render {

struct LineSpan {
    bool xMajor = true;
    double m0 = 0, n0 = 0;        // the first vertex along and across the major axis
    double length = 0, rise = 0;  // how far the line runs along and across it
    int lo = 0, hi = 0;           // the centres c + 0.5 for c in lo..hi, inside the window
};

// The line's centres within the window of columns 0..width-1 and rows top..end-1; nothing
// when none lies inside, the line has no length, or a coordinate is not finite.
std::optional<LineSpan> lineSpan(const ScreenVertex& from, const ScreenVertex& to, int width, int top, int end);

bool finite(float a, float b, float c);
// x held to lo..hi, NaN to lo.
inline double hold(double x, double lo, double hi) { return x > lo ? (x < hi ? x : hi) : lo; }
// Floor and ceiling of values held to the int range.
inline int floorInt(double x) {
    const int i = static_cast<int>(x);
    return static_cast<double>(i) > x ? i - 1 : i;
}
inline int ceilInt(double x) {
    const int i = static_cast<int>(x);
    return static_cast<double>(i) < x ? i + 1 : i;
}

}  // namespace kestrel::render
