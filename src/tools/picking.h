#pragma once
// Finding what the pointer points at in an edit view: the nearest visible vertex, the
// vertices inside a rubber band, the magic wand's flood, and texture corners in UV edit mode.
#include <optional>
#include <vector>

#include "model/model.h"
#include "model/view_projection.h"

namespace kestrel::tools {

// A screen rectangle; left and top inclusive, right and bottom exclusive.
struct ScreenRect {
    double left = 0, top = 0, right = 0, bottom = 0;
    // The rectangle between two corners in any order.
    static ScreenRect between(double x0, double y0, double x1, double y1);
    bool contains(double x, double y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The vertex of the first polygon, in model order, that faces the viewer and has a corner
// within tolerance pixels on both axes of (x, y); within that polygon a corner wins when it is
// nearer on screen than the best so far or lies in front of it.
std::optional<int> nearestVisibleVertex(const model::Model& model, const model::ViewProjection& view, double x,
                                        double y, double tolerance);

// Every vertex whose projection lies inside the rectangle, facing the viewer or not.
std::vector<int> verticesInside(const model::Model& model, const model::ViewProjection& view, const ScreenRect& rect);

// The magic wand from a vertex: every polygon on it that is not yet wholly selected has all its
// corners added, and so on from each of those corners. The vertices to select, in the order found.
std::vector<int> magicWandFrom(const model::Model& model, int vertex);

// A texture corner: polygon and corner number.
struct UvCorner {
    int polygon = 0, corner = 0;
    bool operator==(const UvCorner&) const = default;
};
// Where a texel of a bitmapWidth x bitmapHeight texture lies in a client area of this size.
struct UvView {
    int clientWidth = 0, clientHeight = 0, bitmapWidth = 0, bitmapHeight = 0;
    double x(int tu) const { return bitmapWidth ? static_cast<double>(clientWidth) * tu / bitmapWidth : 0; }
    double y(int tv) const { return bitmapHeight ? static_cast<double>(clientHeight) * tv / bitmapHeight : 0; }
};
// The corners UV edit mode draws for the texture (render::showsUvCorners) inside the rectangle.
std::vector<UvCorner> uvCornersInside(const model::Model& model, int texture, const UvView& view,
                                      const ScreenRect& rect);

}  // namespace kestrel::tools
