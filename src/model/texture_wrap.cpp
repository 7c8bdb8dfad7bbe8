#include "model/texture_wrap.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "model/model_editing.h"

namespace kestrel::model {

namespace {

constexpr int kMaxTexel = 255;

// A whole texel, held to the console's range; a coordinate that is no number is 0.
std::int32_t texel(double value) {
    if (!(value > 0)) return 0;
    return value >= kMaxTexel ? kMaxTexel : static_cast<std::int32_t>(value);
}

// Where a coordinate lies between an axis's ends, 0 to 1; 0 on an axis of no extent.
double across(double value, const Extent& e) {
    const double range = e.max - e.min;
    if (!(range > 0) || !std::isfinite(range)) return 0;
    const double at = (value - e.min) / range;
    return std::isfinite(at) ? at : 0;
}

// Whole repeats of the texture: into (0, 1], a whole number of repeats landing on 1.
double wrap(double v) {
    if (!std::isfinite(v)) return 0;
    return v > 1 ? v - (std::ceil(v) - 1) : v;
}

double around(double angle, int size) { return angle / PI * 0.5 * (size - 1); }

struct Planar {
    double ModelVertex::*normal;  // the face normal's component that decides the facing
    bool positive;
    double ModelVertex::*a;
    double ModelVertex::*b;
};

Planar planarOf(PlanarFace face) {
    using V = ModelVertex;
    switch (face) {
        case PlanarFace::YPlus:
            return {&V::y, true, &V::x, &V::z};
        case PlanarFace::YMinus:
            return {&V::y, false, &V::x, &V::z};
        case PlanarFace::XPlus:
            return {&V::x, true, &V::y, &V::z};
        case PlanarFace::XMinus:
            return {&V::x, false, &V::y, &V::z};
        case PlanarFace::ZPlus:
            return {&V::z, true, &V::x, &V::y};
        case PlanarFace::ZMinus:
            return {&V::z, false, &V::x, &V::y};
    }
    return {&V::y, true, &V::x, &V::z};
}

const Extent& extentOn(const std::array<Extent, 3>& e, double ModelVertex::*axis) {
    return axis == &ModelVertex::x ? e[0] : axis == &ModelVertex::y ? e[1] : e[2];
}

}  // namespace

bool sameTexturePath(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

int wrapTexture(Model& model, int texture, int width, int height, const WrapOptions& options) {
    model.recomputeNormals();
    const std::array<Extent, 3> extents = vertexExtents(model, options.selectedOnly);
    const ModelVertex centre = makeVector((extents[0].max + extents[0].min) / 2, (extents[1].max + extents[1].min) / 2,
                                          (extents[2].max + extents[2].min) / 2);
    const Planar planar = planarOf(options.face);
    const double threshold = options.exact ? 0.99 : 0.0;
    const auto vertexCount = model.vertices.size();
    int textured = 0;
    for (ModelPolygon& p : model.polygons) {
        p.wrapMark = 0;
        if (options.selectedOnly && !model.isPolygonSelected(p)) continue;
        const int corners = polygonCornerCount(p);
        bool valid = true;
        for (int k = 0; k < corners; ++k)
            valid = valid && p.vId[k] >= 0 && static_cast<std::size_t>(p.vId[k]) < vertexCount;
        if (!valid) continue;
        if (options.type == WrapType::Planar) {
            const double n = p.faceNormal.*planar.normal;
            if (!(planar.positive ? n > threshold : n < -threshold)) continue;
        }
        p.wrapMark = 1;
        for (int k = 0; k < corners; ++k) {
            const auto v = static_cast<std::size_t>(p.vId[k]);
            const ModelVertex& at = model.vertices[v];
            const ModelVertex normal = v < model.normals.size() ? model.normals[v] : ModelVertex{};
            double u = 0, w = 0;
            switch (options.type) {
                case WrapType::CylinderY:
                    u = around(AngleY(normal), width);
                    w = height * across(at.y, extents[1]);
                    break;
                case WrapType::CylinderX:
                    u = width * across(at.x, extents[0]);
                    w = around(AngleX(normal), height);
                    break;
                case WrapType::SphereNormal:
                    u = around(AngleY(normal), width);
                    w = around(AngleX(normal), height);
                    break;
                case WrapType::SphereCentre: {
                    const ModelVertex d = vectorDifference(at, centre);
                    u = around(AngleY(d), width);
                    w = around(AngleX(d), height);
                    break;
                }
                case WrapType::Planar:
                    u = width * wrap(options.repeatX * across(at.*planar.a, extentOn(extents, planar.a)));
                    w = height * wrap(options.repeatY * across(at.*planar.b, extentOn(extents, planar.b)));
                    break;
            }
            p.tu[k] = texel(u);
            p.tv[k] = texel(w);
        }
    }
    for (ModelPolygon& p : model.polygons) {
        if (p.wrapMark != 1) continue;
        ++textured;
        if (p.type == PTYPE_SINGLE_COLOUR || p.type == PTYPE_GRADATION_COLOUR) {
            p.type = p.type == PTYPE_SINGLE_COLOUR ? PTYPE_TEXTURED_COLOURED : PTYPE_TEXTURED_GRADATION_COLOURED;
            p.mat_flag |= 1;
        }
        p.tId = texture;
        for (int k = 0; k < polygonCornerCount(p); ++k) {
            if (options.swap && width > 0 && height > 0) {
                const double u = p.tu[k], v = p.tv[k];
                p.tu[k] = texel(static_cast<double>(width) * v / height);
                p.tv[k] = texel(u / width * height);
            }
            if (options.flipHorizontally) p.tu[k] = texel(width - p.tu[k]);
            if (options.flipVertically) p.tv[k] = texel(height - p.tv[k]);
        }
    }
    return textured;
}

int paintTexture(Model& model, int texture, int width, int height) {
    int painted = 0;
    for (ModelPolygon& p : model.polygons) {
        if (!model.isPolygonSelected(p)) continue;
        p.tId = texture;
        p.type = PTYPE_TEXTURED;
        p.tu = {0, texel(width), 0, texel(width)};
        p.tv = {0, 0, texel(height), texel(height)};
        ++painted;
    }
    return painted;
}

}  // namespace kestrel::model
