#pragma once
// The model being edited: geometry, materials, groups, texture list, paths and skeleton.
// A regular value type: the marker, keyframes and undo steps are copies, which share the
// storage they do not change (CowArray).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "model/cow_array.h"
#include "model/skeleton.h"
#include "model/vector.h"

namespace kestrel::model {

// Capacities the file formats and the console impose.
inline constexpr int kMaxGroups = 100;
inline constexpr int kMaxTextures = 30;
inline constexpr std::size_t kMaxPathLength = 199;

// Material kinds (the MAT file's letters).
inline constexpr char PTYPE_SINGLE_COLOUR = 'C';
inline constexpr char PTYPE_GRADATION_COLOUR = 'G';
inline constexpr char PTYPE_TEXTURED = 'T';
inline constexpr char PTYPE_TEXTURED_COLOURED = 'D';
inline constexpr char PTYPE_TEXTURED_GRADATION_COLOURED = 'H';

inline constexpr std::int32_t kMidGrey = 0x808080;

// Which vertices a command works on.
enum class VertexSet { All, Selected };

struct ModelPolygon {
    std::int32_t flags = 0;  // any of bits 0-2 set: a quadrilateral
    std::array<std::int32_t, 4> vId{0, 0, 0, -1};
    std::array<std::int32_t, 4> nId{};
    std::array<std::int32_t, 4> tu{};
    std::array<std::int32_t, 4> tv{};
    std::array<double, 4> uRel{};
    std::array<double, 4> vRel{};
    std::int32_t tId = -1;
    std::array<std::int32_t, 4> rgb{};  // 0x00RRGGBB per corner
    std::int32_t mat_flag = 0;
    char shading = 'F';
    char type = PTYPE_SINGLE_COLOUR;
    ModelVertex faceNormal;
    std::array<std::uint8_t, 4> uvSelected{};
    std::int32_t wrapMark = 0;

    bool operator==(const ModelPolygon&) const = default;
};

struct PolygonGroup {
    std::string name;
    std::vector<std::int32_t> polygons;  // insertion order

    void append(std::int32_t polygon) { polygons.push_back(polygon); }
    // Removes the first occurrence, keeping the order of the rest.
    void remove(std::int32_t polygon);
    bool operator==(const PolygonGroup&) const = default;
};

inline int polygonCornerCount(const ModelPolygon& polygon) { return (polygon.flags & 7) ? 4 : 3; }

struct Extent {
    double max = -200000.0;
    double min = 200000.0;
};

class Model {
public:
    std::string plyFileName;
    std::string matFileName;
    std::string grpFileName;
    std::string rsdFileName;
    std::vector<std::string> textureFiles;  // textureCount entries
    CowArray<ModelVertex> vertices;
    CowArray<ModelVertex> normals;  // normal i belongs to vertex i
    CowArray<ModelPolygon> polygons;
    CowArray<PolygonGroup> groups;
    Skeleton skeleton;

    int vertexCount() const { return static_cast<int>(vertices.size()); }
    int normalCount() const { return static_cast<int>(normals.size()); }
    int polygonCount() const { return static_cast<int>(polygons.size()); }
    int groupCount() const { return static_cast<int>(groups.size()); }
    int textureCount() const { return static_cast<int>(textureFiles.size()); }
    bool hasSkeleton() const { return !skeleton.empty(); }

    // A polygon is selected when more than two of its corners' vertices are selected.
    bool isPolygonSelected(const ModelPolygon& polygon) const;
    int countSelectedPolygons() const;
    // Of all the vertices or of the selected ones; an empty set gives (0, 0, 0).
    ModelVertex boundingCentre(VertexSet which) const;
    Extent extentX(VertexSet which) const;
    Extent extentY(VertexSet which) const;
    Extent extentZ(VertexSet which) const;

    // The normals are resized with the vertices and hold zeros until the next recomputation.
    int addVertex(const ModelVertex& vertex);
    int addVertices(std::span<const ModelVertex> added);
    int addPolygon(int a, int b, int c, int d);
    void subdivideTriangle(int index, bool removeOriginal);
    // Callers respect kMaxGroups; the model does not check.
    void addGroup(const PolygonGroup& group);
    void deleteGroup(int index);
    // Deleting a polygon takes it out of every group; the members above it move down.
    void deletePolygon(int index);
    // Every polygon with a corner on the vertex goes too; the corners and bones' vertex lists
    // above it move down. The normals stay, stale, until the next recomputation.
    void deleteVertex(int index);
    // The same for every polygon or vertex marked, in one pass (marks: one per polygon or
    // vertex). The result is that of deleting them one at a time.
    void deletePolygons(const std::vector<bool>& doomed);
    void deleteVertices(const std::vector<bool>& doomed);
    void deleteTexture(int index);
    void translate(const ModelVertex& offset, VertexSet which, bool moveSkeleton);
    void deselectAllVertices();
    void selectGroupVertices(int groupIndex);
    void recomputeNormals();

    bool operator==(const Model&) const = default;

private:
    Extent extent(double ModelVertex::*axis, VertexSet which) const;
};

// A vertex renumbering: newIndex[old] is the vertex's new index, or -1 when it is gone.
// Bones keep the vertices that remain, under their new numbers.
void renumberBoneVertices(Skeleton& skeleton, std::span<const int> newIndex);
// The same for the normals, when there is one per vertex (normal i belongs to vertex i);
// vertexCount is the new count.
void renumberNormals(CowArray<ModelVertex>& normals, std::span<const int> newIndex, int vertexCount);

// Vertex and face normals as recomputeNormals makes them, computed apart from the model, so
// that drawing and writing read the model without changing it.
struct Normals {
    std::vector<ModelVertex> vertex;  // one per vertex
    std::vector<ModelVertex> face;    // one per polygon
};
Normals computeNormals(const Model& model);
// The same into buffers a caller keeps, so that drawing every frame reuses their memory.
void computeNormals(const Model& model, Normals& out);

// A polygon's face normal as recomputeNormals makes it: at corner 0, towards the viewer
// for a clockwise outline, at most unit length.
ModelVertex faceNormalOf(const Model& model, const ModelPolygon& polygon);

}  // namespace kestrel::model
