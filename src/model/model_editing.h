#pragma once
// The editing commands that act on a model as a whole or through its vertex selection.
// A polygon counts as selected when more than two of its corners are.
#include <array>
#include <optional>

#include "model/model.h"

namespace kestrel::model {

void selectAllVertices(Model& model);
void invertVertexSelection(Model& model);  // bit 0 only; the other bits stay
int countSelectedVertices(const Model& model);

// Deletes the selected vertices, and every polygon with a corner on one. Returns how many
// vertices went.
int deleteSelectedVertices(Model& model);
// Deletes the selected polygons; the vertices stay. Returns how many went.
int deleteSelectedPolygons(Model& model);
// A triangle on the selected vertices in index order, made up to three with new unselected
// vertices at (0,0,0), (100,0,0), (200,0,0) in turn. Returns the new polygon's index, or -1
// (and nothing changed) with more than three vertices selected.
int createTriangle(Model& model);
// Swaps the second and third corners' vertices of every selected polygon; the texture
// coordinates and colours stay where they are. Returns how many were turned.
int invertSelectedNormals(Model& model);
// A group of the selected polygons in polygon order, without a name.
PolygonGroup groupOfSelectedPolygons(const Model& model);

// Moves the model so that the middle of its vertices' extent is the origin. The skeleton
// stays where it is.
void centreObject(Model& model);
// Scales the vertices named about the origin, and every joint of the skeleton.
void rescale(Model& model, double scale, VertexSet which);

// The extent of every vertex (or of the selected ones) on x, y and z, from the vertices
// themselves; with none, the empty extent (maximum -200000, minimum 200000).
std::array<Extent, 3> vertexExtents(const Model& model, bool selectedOnly);

// What "Model Information" shows of the selection. With nothing selected the extents are
// the empty extent's (maximum -200000, minimum 200000) and the centre is the origin.
struct SelectionInfo {
    Extent x, y, z;
    int polygons = 0, vertices = 0;
    ModelVertex centre;
};
SelectionInfo selectionInfo(const Model& model);

// "Vertex Info": the one selected vertex; nothing when none or several are.
struct VertexInfo {
    int index = -1;
    ModelVertex position;
};
std::optional<VertexInfo> vertexInfo(const Model& model);

}  // namespace kestrel::model
