// The Document's model editing and optimisation commands.
#include <cmath>
#include <string>
#include <vector>

#include "app/document.h"
#include "model/polygon_materials.h"

namespace kestrel::app {

namespace {

constexpr int kMaxGroupPolygons = 30000;

// The dialogs' range checks, worded as the dialogs word them.
std::string numberRange(const char* low, const char* high) {
    return std::string("Please enter a number between ") + low + " and " + high + ".";
}

bool within(double value, double low, double high) { return value >= low && value <= high; }

}  // namespace

void Document::forEachFrame(const std::function<void(model::Model&)>& change) {
    change(current);
    if (anim.baseFrame) change(anim.baseFrame->model);
    for (auto& movement : anim.movements)
        for (auto& keyframe : movement.keyframes) change(keyframe.model);
}

bool Document::isEnabled(EditCommand command) const {
    switch (command) {
        case EditCommand::DeleteVertices:
            return model::countSelectedVertices(current) > 0;
        case EditCommand::DeletePolygons:
        case EditCommand::InvertNormals:
            return current.countSelectedPolygons() > 0;
        case EditCommand::CreatePolygon:
            return model::countSelectedVertices(current) <= 3;
        case EditCommand::GroupPolygons:
            return current.countSelectedPolygons() > 1;
        case EditCommand::RenameGroup:
            return selected.kind == ProjectItem::Group;
        case EditCommand::RenameItem:
            return selected.kind == ProjectItem::Group || selected.kind == ProjectItem::Movement ||
                   selected.kind == ProjectItem::Keyframe;
        case EditCommand::ReorderVertices:
            return selected.kind == ProjectItem::Movement;
        case EditCommand::PointLighting:
            return model::canPointLight(current);
    }
    return false;
}

void Document::selectAll() {
    model::selectAllVertices(current);
    changed(kModelChanged | kOnlySelection);
}

void Document::selectNone() {
    current.deselectAllVertices();
    changed(kModelChanged | kOnlySelection);
}

void Document::invertSelection() {
    model::invertVertexSelection(current);
    changed(kModelChanged | kOnlySelection);
}

CommandResult Document::editIfEnabled(EditCommand command, const char* why, const char* name,
                                      const std::function<void(model::Model&)>& edit) {
    if (!isEnabled(command)) return refused(why);
    edit(current);
    changed(kModelChanged, name);
    return {};
}

CommandResult Document::selectVertices(const std::vector<int>& vertices, bool add) {
    for (int v : vertices)
        if (v < 0 || v >= current.vertexCount()) return refused("the model has no vertex " + std::to_string(v));
    if (!add) current.deselectAllVertices();
    for (int v : vertices) current.vertices[static_cast<std::size_t>(v)].flags |= model::kVertexSelected;
    changed(kModelChanged | kOnlySelection);
    return {};
}

void Document::changeSelection(const std::function<void(model::Model&)>& change) {
    change(current);
    changed(kModelChanged | kOnlySelection);
}

CommandResult Document::deleteVertices() {
    return editIfEnabled(EditCommand::DeleteVertices, "select the vertices to delete", "Delete Vertices",
                         [](model::Model& m) { model::deleteSelectedVertices(m); });
}

CommandResult Document::deletePolygons() {
    return editIfEnabled(EditCommand::DeletePolygons, "select the polygons to delete", "Delete Polygons",
                         [](model::Model& m) { model::deleteSelectedPolygons(m); });
}

CommandResult Document::createPolygon() {
    return editIfEnabled(EditCommand::CreatePolygon, "select at most three vertices", "Create Polygon",
                         [](model::Model& m) { model::createTriangle(m); });
}

CommandResult Document::invertNormals() {
    return editIfEnabled(EditCommand::InvertNormals, "select the polygons to turn", "Invert Normals",
                         [](model::Model& m) { model::invertSelectedNormals(m); });
}

GroupProposal Document::groupProposal() const { return {"New Polygon Group", current.countSelectedPolygons()}; }

CommandResult Document::groupPolygons(const std::string& name) {
    if (!isEnabled(EditCommand::GroupPolygons)) return refused("select more than one polygon");
    model::PolygonGroup group = model::groupOfSelectedPolygons(current);
    if (group.polygons.size() > kMaxGroupPolygons) return refused("Please enter an integer between 0 and 30000.");
    if (current.groupCount() >= model::kMaxGroups)
        return refused("the model has " + std::to_string(model::kMaxGroups) + " groups, as many as it can hold");
    if (auto why = animation::invalidName(name)) return refused(*why);
    group.name = name;
    current.addGroup(group);
    changed(kModelChanged, "Group Polygons");
    return {};
}

CommandResult Document::renameGroup(const std::string& name) {
    if (selected.kind != ProjectItem::Group || selected.index < 0 || selected.index >= current.groupCount())
        return refused("select a group");
    if (auto why = animation::invalidName(name)) return refused(*why);
    const int index = selected.index;
    forEachFrame([&](model::Model& m) {
        if (index < m.groupCount()) m.groups[static_cast<std::size_t>(index)].name = name;
    });
    selected.name = name;
    changed(kModelChanged | kAnimationChanged | kSelectionChanged, "Rename Group");
    return {};
}

CommandResult Document::ungroup() {
    if (selected.kind != ProjectItem::Group || selected.index < 0 || selected.index >= current.groupCount())
        return refused("select a group");
    const int index = selected.index;
    forEachFrame([&](model::Model& m) {
        if (index < m.groupCount()) m.deleteGroup(index);
    });
    selected = {};
    changed(kModelChanged | kAnimationChanged | kSelectionChanged, "Ungroup");
    return {};
}

CommandResult Document::renameSelected(const std::string& name) {
    switch (selected.kind) {
        case ProjectItem::Group:
            return renameGroup(name);
        case ProjectItem::Movement:
            return renameMovement(name);
        case ProjectItem::Keyframe:
            return renameKeyframe(name);
        default:
            return refused("select a group, a movement or a keyframe");
    }
}

CommandResult Document::deleteSelected() {
    switch (selected.kind) {
        case ProjectItem::Group:
            return ungroup();
        case ProjectItem::Movement:
            return deleteMovement();
        case ProjectItem::Keyframe:
            return deleteKeyframe();
        default:
            return refused("select a group, a movement or a keyframe");
    }
}

CommandResult Document::addPrimitive(const model::PrimitiveParams& params) {
    if (auto why = model::primitiveRefusal(current, params)) return refused(*why);
    model::addPrimitive(current, params);
    static constexpr const char* kNames[] = {"Add Pyramid", "Add Cube", "Add Cylinder", "Add Sphere", "Add Mesh"};
    changed(kModelChanged, kNames[static_cast<int>(params.kind)]);
    return {};
}

void Document::centreObject() {
    model::centreObject(current);
    changed(kModelChanged, "Centre Object");
}

CommandResult Document::reScale(const RescaleParams& params) {
    if (!within(params.scale, 0.0001, 10000.0)) return refused(numberRange("0.0001", "10000"));
    const model::VertexSet which = params.selectedOnly ? model::VertexSet::Selected : model::VertexSet::All;
    if (params.allFrames)
        forEachFrame([&](model::Model& m) { model::rescale(m, params.scale, which); });
    else
        model::rescale(current, params.scale, which);
    changed(kModelChanged | (params.allFrames ? kAnimationChanged : 0u), "ReScale");
    return {};
}

CommandResult Document::reCentre(const RecentreParams& params) {
    const model::ModelVertex& o = params.offset;
    for (const double c : {o.x, o.y, o.z})
        if (!within(c, -32767.0, 32767.0)) return refused(numberRange("-32767", "32767"));
    // The current model's skeleton always moves with it; the other frames' as asked.
    current.translate(o, model::VertexSet::All, true);
    if (params.allFrames) {
        if (anim.baseFrame) anim.baseFrame->model.translate(o, model::VertexSet::All, params.moveSkeleton);
        for (auto& movement : anim.movements)
            for (auto& keyframe : movement.keyframes)
                keyframe.model.translate(o, model::VertexSet::All, params.moveSkeleton);
    }
    changed(kModelChanged | (params.allFrames ? kAnimationChanged : 0u), "Re-Centre");
    return {};
}

// The optimiser's passes run on a copy, which replaces the model when the pass is over: what
// the window paints while a pass reports its progress is the model as it was, never one half
// changed, and a pass that ends early (its progress callback may throw) changes nothing.
int Document::mergeVertices(const model::VertexMergeOptions& mergeOptions, const model::Progress& progress) {
    model::Model work = current;
    const int merged = model::mergeVertices(work, mergeOptions, progress);
    if (merged > 0) {
        current = std::move(work);
        changed(kModelChanged, "Merge Vertices");
    }
    return merged;
}

model::PolygonReduction Document::reducePolygons(const model::Progress& progress) {
    model::Model work = current;
    const auto done = model::reducePolygons(work, progress);
    // A pass that found nothing to remove leaves only its marks, which nothing draws or keeps.
    if (done.polygonsRemoved > 0 || done.trianglesMade > 0 || done.verticesRemoved > 0) {
        current = std::move(work);
        changed(kModelChanged, "Remove Polygons");
    }
    return done;
}

int Document::convertToQuads(const model::QuadConversionOptions& quadOptions, const model::Progress& progress) {
    model::Model work = current;
    const int joined = model::convertTrianglesToQuads(work, quadOptions, progress);
    if (joined > 0) {
        current = std::move(work);
        changed(kModelChanged, "Convert To Quads");
    }
    return joined;
}

CommandResult Document::gridAlign(const model::GridAlignOptions& grid) {
    for (std::size_t a = 0; a < 3; ++a)
        if (grid.enabled[a] && !(grid.size[a] > 0 && std::isfinite(grid.size[a])))
            return refused("a grid size must be a number greater than 0");
    model::gridAlign(current, grid);
    changed(kModelChanged, "Grid Align");
    return {};
}

CommandResult Document::reorderVertices() {
    if (selected.kind != ProjectItem::Movement) return refused("select a movement");
    const animation::Movement* movement = animation::findMovementByName(anim.movements, selected.name);
    if (!movement) return refused("the selected movement no longer exists");
    if (!anim.baseFrame) return refused("the movement starts from the base frame, and there is none");
    // Every frame is renumbered the same way, so every frame must have the same vertices.
    const int count = current.vertexCount();
    std::string mismatch;
    const auto check = [&](const model::Model& m, const std::string& name) {
        if (mismatch.empty() && m.vertexCount() != count)
            mismatch = name + " has " + std::to_string(m.vertexCount()) + " vertices and the model has " +
                       std::to_string(count);
    };
    check(anim.baseFrame->model, "the base frame");
    for (const auto& m : anim.movements)
        for (const auto& keyframe : m.keyframes) check(keyframe.model, "keyframe '" + keyframe.name + "'");
    if (!mismatch.empty()) return refused("cannot reorder: " + mismatch);
    std::vector<model::Pose> poses;
    for (const auto& keyframe : movement->keyframes) poses.push_back({&keyframe.model, keyframe.framesFromLast});
    const std::vector<int> order = model::orderByMovement(anim.baseFrame->model, poses, options.minimumMovement);
    forEachFrame([&](model::Model& m) { model::applyVertexOrder(m, order); });
    changed(kModelChanged | kAnimationChanged, "Reorder Vertices");
    return {};
}

int Document::makeRsdToolCompatible() {
    const int changedPolygons = model::makeRsdToolCompatible(current);
    if (changedPolygons > 0) changed(kModelChanged, "Make Model RSDTOOL Compatible");
    return changedPolygons;
}

}  // namespace kestrel::app
