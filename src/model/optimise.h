#pragma once
// The tools that clean up or restructure a model's geometry: merging close vertices,
// removing degenerate polygons and unused vertices, joining coplanar triangle pairs into
// quadrilaterals, snapping to a grid, renumbering vertices, and the RSDTOOL material fix.
//
// Each pass gives the same result as the plain walk over the model that the tools are
// defined by (every pair of vertices, every pair of triangles, one polygon or vertex
// deleted at a time), computed without the quadratic cost. Bones' vertex lists follow every
// renumbering; vertices that go are dropped from them.
#include <array>
#include <functional>
#include <span>
#include <vector>

#include "model/model.h"

namespace kestrel::model {

// A pass's progress: the step reached (1..steps) and the pass's number of steps.
using Progress = std::function<void(int step, int steps)>;

struct VertexMergeOptions {
    double radius = 0;                 // merged when closer than this
    bool selectedOnly = false;         // "Selected Vertices Only"
    bool selectedStayInPlace = false;  // "Selected stay in place"
};
// "Do Vertex Optimisation": each vertex in turn absorbs the later vertices closer than the
// radius (as the options allow); corners on an absorbed vertex move to the absorbing one,
// which keeps its place. Polygons that become degenerate stay. Returns the vertices merged
// away. Progress: one step per vertex of the model as it was.
int mergeVertices(Model& model, const VertexMergeOptions& options, const Progress& progress = {});

struct PolygonReduction {
    int polygonsRemoved = 0;
    int trianglesMade = 0;  // quadrilaterals with one repeated corner, now triangles
    int verticesRemoved = 0;
};
// "Do Polygon Reduction": triangles with a repeated corner and quadrilaterals with more than
// one go; a quadrilateral with exactly one becomes the triangle over its three distinct
// corners, in the order of its outline. Then every vertex no polygon uses goes. Bit 1 of
// the flags is left set on the vertices that remain. Progress: one step per polygon.
PolygonReduction reducePolygons(Model& model, const Progress& progress = {});

struct QuadConversionOptions {
    double uniformity = 0;      // "Required Uniformity": the largest face-normal difference
    bool selectedOnly = false;  // "Selected Polygons Only"
};
// "Do Conversion": each triangle in turn joins the first later triangle that shares an edge
// with it and faces the same way within the uniformity; the first becomes the quadrilateral,
// the second goes. Triangles with a repeated corner (nothing to share an edge with) and
// pairs on the same three vertices (no fourth corner) are never joined. Normals are
// recomputed. Returns the pairs joined. Progress: one step per pair joined, out of the
// triangles there were.
int convertTrianglesToQuads(Model& model, const QuadConversionOptions& options, const Progress& progress = {});

struct GridAlignOptions {
    std::array<double, 3> size{1, 1, 1};  // "X Grid", "Y Grid", "Z Grid"
    std::array<bool, 3> enabled{true, true, true};
    bool selectedOnly = false;  // "Selected Only", else "All"
};
// "Align To Grid": each enabled axis snaps to the nearest multiple of its size, halves away
// from zero but truncated toward zero: n = trunc((c + g/2) / g), c = g·n. Axes whose size
// is not a positive finite number are left alone.
void gridAlign(Model& model, const GridAlignOptions& options);

// "Make Model RSDTOOL Compatible": kinds 'D' and 'H' become 'T' with mid-grey in all four
// colours. Returns the polygons changed.
int makeRsdToolCompatible(Model& model);

// "Reorder Vertices": the order that sorts vertices by how much they move, from a start pose
// through the poses that follow it, each with its frames from the last. A vertex's key adds
// a pose's frames whenever some coordinate moves by more than the threshold from the pose
// before. Returns the old indices in their new order (a stable sort by key). Every pose must
// have as many vertices as the start.
struct Pose {
    const Model* model;
    int framesFromLast;
};
std::vector<int> orderByMovement(const Model& start, std::span<const Pose> poses, double threshold);
// Moves every vertex to its place in the order (order[new] = old), renumbers every used
// corner (vId, and nId to the same value), the bones' vertex lists and the normals.
void applyVertexOrder(Model& model, std::span<const int> order);

}  // namespace kestrel::model
