#pragma once
// The 3-D vector of all geometry: a vertex, a normal or a direction in double precision.
#include <cmath>
#include <cstdint>

namespace kestrel::model {

struct ModelVertex {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    // Bit 0 selected, bit 1 polygon-reduction in-use mark, bit 2 pose already-moved mark.
    std::uint16_t flags = 0;

    bool operator==(const ModelVertex&) const = default;
};

inline constexpr std::uint16_t kVertexSelected = 1;
inline constexpr std::uint16_t kVertexInUse = 2;
inline constexpr std::uint16_t kVertexMoved = 4;

// The angles are the single-precision values, held as doubles, that the angle operations return.
inline constexpr double PI = 3.1415927410125732;
inline constexpr double HALF_PI = 1.5707963705062866;
inline constexpr double THREE_HALF_PI = 4.71238911151886;
inline constexpr double TWO_PI = 6.2831854820251465;
// Degrees as radians of the PI above, so that quarter and eighth turns are exact multiples of
// it (90 degrees is HALF_PI) and become whole console angle units.
inline constexpr double degreesToRadians(double degrees) { return degrees / 180.0 * PI; }

// Results built from existing vectors carry the left operand's flags; results built from
// numbers carry flags 0. The small operations are inline: normals and poses run them for
// every corner of every polygon.
inline ModelVertex makeVector(double x, double y, double z) { return {x, y, z, 0}; }
inline ModelVertex vectorSum(const ModelVertex& a, const ModelVertex& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.flags};
}
inline ModelVertex vectorDifference(const ModelVertex& a, const ModelVertex& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.flags};
}
// In place; a keeps its flags.
inline void Add(ModelVertex& a, const ModelVertex& b) {
    a.x += b.x;
    a.y += b.y;
    a.z += b.z;
}
inline void Subtract(ModelVertex& a, const ModelVertex& b) {
    a.x -= b.x;
    a.y -= b.y;
    a.z -= b.z;
}
inline void Scale(ModelVertex& a, double s) {
    a.x *= s;
    a.y *= s;
    a.z *= s;
}
inline ModelVertex midpoint(const ModelVertex& a, const ModelVertex& b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2, 0};
}
inline ModelVertex CrossProduct(const ModelVertex& a, const ModelVertex& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, a.flags};
}
inline double Distance(const ModelVertex& a) { return std::sqrt(a.z * a.z + (a.x * a.x + a.y * a.y)); }
// Shortens a vector longer than 1 to length 1; never lengthens. The loop repeats only while
// rounding leaves the length above 1.
inline void Unify(ModelVertex& a) {
    for (double d = Distance(a); d > 1.0; d = Distance(a)) Scale(a, 1.0 / d);
}
// Scales to the console's fixed-point length 4096 = 1.0, never longer.
void UnifyPSX(ModelVertex& a);
// Angles in [0, TWO_PI) of the unified vector in the YZ, ZX and XY planes.
double AngleX(const ModelVertex& a);
double AngleY(const ModelVertex& a);
double AngleZ(const ModelVertex& a);

}  // namespace kestrel::model
