#pragma once
// The 3-D vector of all geometry: a vertex, a normal or a direction in double precision.
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

// Results built from existing vectors carry the left operand's flags; results built from
// numbers carry flags 0.
ModelVertex makeVector(double x, double y, double z);
ModelVertex vectorSum(const ModelVertex& a, const ModelVertex& b);
ModelVertex vectorDifference(const ModelVertex& a, const ModelVertex& b);
void Add(ModelVertex& a, const ModelVertex& b);
void Subtract(ModelVertex& a, const ModelVertex& b);
void Scale(ModelVertex& a, double s);
ModelVertex midpoint(const ModelVertex& a, const ModelVertex& b);
ModelVertex CrossProduct(const ModelVertex& a, const ModelVertex& b);
double Distance(const ModelVertex& a);
// Shortens a vector longer than 1 to length 1; never lengthens.
void Unify(ModelVertex& a);
// Scales to the console's fixed-point length 4096 = 1.0, never longer.
void UnifyPSX(ModelVertex& a);
// Angles in [0, TWO_PI) of the unified vector in the YZ, ZX and XY planes.
double AngleX(const ModelVertex& a);
double AngleY(const ModelVertex& a);
double AngleZ(const ModelVertex& a);

}  // namespace kestrel::model
