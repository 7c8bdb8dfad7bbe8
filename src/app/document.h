#pragma once
// The application state and its commands, free of any user-interface toolkit: the GUI, the
// command line and the tests all drive the program through this class.
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "animation/mime.h"
#include "animation/movement.h"
#include "app/settings.h"
#include "formats/error.h"
#include "formats/file_system.h"
#include "formats/rsd_set.h"
#include "formats/texture_slots.h"
#include "model/model.h"
#include "model/model_editing.h"
#include "model/optimise.h"
#include "model/polygon_materials.h"
#include "model/primitives.h"
#include "model/texture_wrap.h"
#include "model/view_projection.h"

namespace kestrel::app {

using formats::Error;
using formats::Warning;

// What a command did: nothing (and why) or its change.
using CommandResult = std::expected<void, std::string>;
inline std::unexpected<std::string> refused(std::string why) { return std::unexpected(std::move(why)); }

// The project window's selected item, by kind and by the name it shows.
enum class ProjectItem { None, Root, Group, Movement, Keyframe, Skeleton, Texture };
struct ProjectSelection {
    ProjectItem kind = ProjectItem::None;
    std::string name;  // the item's text: movement or keyframe name ("BaseFrame" included)
    int index = -1;    // the group or texture index
};

// What a change notice says changed.
enum Change : unsigned {
    kModelChanged = 1,      // the current model (the edit frame)
    kAnimationChanged = 2,  // movements, keyframes or the base frame
    kSelectionChanged = 4,  // the project selection
    kTitleChanged = 8,      // the title: the file the document stands for, or its unsaved marker
    kTexturesChanged = 16,  // the texture list, and what its pictures are
    kOnlySelection = 32,    // with kModelChanged: only what is selected, which no file keeps
    kSettingsChanged = 64,
    kHistoryChanged = 128,    // what Undo and Redo would do, and whether the document is modified
    kDocumentReplaced = 256,  // "New", "Open", a recovery: nothing of the previous document is left
    kSaved = 512,             // files were written
};

// One change: what changed, and the command that changed it ("" for selection changes).
struct ChangeNotice {
    unsigned what = 0;
    std::string command;
};
using ChangeListener = std::function<void(const ChangeNotice&)>;

// What Save does when the edit frame holds changes that are not stored in its keyframe.
enum class UnstoredEdit {
    Refuse,      // write nothing and say so (for callers that cannot ask)
    StoreFirst,  // "Replace Keyframe", then save
    LeaveOut,    // save the keyframes as they are; the edit frame stays as it is
};

// A MIMe file written, and what its names lost on the way to C.
struct MimeExport {
    std::string written;
    std::vector<std::string> warnings;
};

// The Create Keyframe dialog: shown with a proposed name and "Base Frame" tick; returns the
// entered values, or nothing for Cancel.
struct KeyframeEntry {
    std::string name;
    bool baseFrame = false;
};
using KeyframeDialog = std::function<std::optional<KeyframeEntry>(const KeyframeEntry& proposed)>;

// The editing commands whose menu items are enabled only sometimes (the others always are).
enum class EditCommand {
    DeleteVertices,   // a vertex is selected
    DeletePolygons,   // a polygon is selected
    CreatePolygon,    // at most three vertices are selected
    InvertNormals,    // a polygon is selected
    GroupPolygons,    // more than one polygon is selected
    RenameGroup,      // the project selection is a group (also "Ungroup")
    RenameItem,       // a group, movement or keyframe is selected (also Edit "Delete")
    ReorderVertices,  // a movement is selected
    PointLighting,    // the model has something a point light can light
};

// What "Group Polygons" offers before its dialog is shown.
struct GroupProposal {
    std::string name = "New Polygon Group";
    int polygons = 0;
};

// The "Texture Wrapper" dialog's values.
struct WrapParams {
    model::WrapOptions options;
    std::string texture;     // the TIM file's path, as listed or as chosen with "Browse"
    bool allFrames = false;  // "Apply To All Frames"
};

// The "Model Information" dialog's actions.
struct RescaleParams {
    double scale = 1.0;        // "Scale:"
    bool selectedOnly = true;  // "Selected Only"
    bool allFrames = false;    // "Change All Frames"
};
struct RecentreParams {
    model::ModelVertex offset;  // X, Y, Z
    bool moveSkeleton = true;   // "Re-centre Skeleton", for the frames other than the current
    bool allFrames = false;     // "Change All Frames"
};

// Everything an undo step restores: the edit frame, the animation, the textures, the project
// selection and which keyframe the edit frame belongs to. Copies share storage.
struct DocumentState {
    model::Model current;
    animation::AnimationState anim;
    std::shared_ptr<const formats::TextureSlots> textures = std::make_shared<const formats::TextureSlots>();
    ProjectSelection selected;
    // The movement keyframe whose pose the edit frame holds; none: the base frame's (or, with no
    // base frame, the model's own). While it is the base frame's, changes go on into the base
    // frame, unless they were made with a movement selected (a pose for a keyframe to come).
    std::optional<std::string> editKeyframe;
    bool editUnstored = false;  // the edit frame has changes its keyframe (or base frame) lacks
};

class Document {
public:
    explicit Document(std::unique_ptr<formats::FileSystem> files = std::make_unique<formats::HostFileSystem>());

    const model::Model& model() const { return state.current; }
    formats::FileSystem& files() { return *fileSystem; }
    const formats::FileSystem& files() const { return *fileSystem; }
    // "Kestrel - " and the path of the set the document stands for ("Kestrel" before any),
    // with " *" while it has unsaved changes.
    std::string windowTitle() const;
    // The path Save writes to; empty while the document has none.
    const std::string& path() const { return state.current.rsdFileName; }
    // The movements (newest first), the base frame and the keyframe counter.
    const animation::AnimationState& animation() const { return state.anim; }
    const DocumentState& snapshot() const { return state; }
    // The pose every movement starts from: the base frame's, or the model's own without one.
    const model::Model& movementBase() const {
        return state.anim.baseFrame ? state.anim.baseFrame->model : state.current;
    }
    // The movement selected in the project window; none when the selection is not a movement.
    const animation::Movement* selectedMovement() const;

    // What each texture of the current model was loaded as, slot i for texture i.
    const formats::TextureSlots& textureSlots() const { return *state.textures; }
    // The settings the commands read; the GUI and the command line load and save them.
    const Settings& settings() const { return options; }
    void setSettings(const Settings& settings);
    bool importAseTextures = false;  // "textures" for ASE import: take the texture vertices

    // Listeners hear of every change, in the order they subscribed; the number returned ends
    // the subscription. A listener may unsubscribe itself while it is told.
    int subscribe(ChangeListener listener);
    void unsubscribe(int subscription);

    // "New": an empty model without movements, base frame, textures or history; the marker stays.
    void newModel();
    // "Open...": replaces the model only when the file could be read; on failure the model
    // on screen is untouched and the error says why. Then reads every texture the model
    // names; textures that cannot be shown are warnings.
    std::expected<std::vector<Warning>, Error> openFile(const std::string& path);

    // The four save commands. "Save" and "Save As" write the base frame with the movements
    // (while the base frame is the edit frame, the edit frame is the base frame's pose); the
    // "Current" pair write the current model alone, as an export that leaves the document's
    // name and modified state as they were (unless it wrote the document's whole content to
    // its own set). The "As" pair write a TMD file for a name ending in TMD; a name ending in
    // anything but RSD or TMD (any letter case) writes nothing. While the edit frame holds
    // changes not stored in its keyframe, Save and Save As do as `unstored` says.
    std::expected<formats::SavedFiles, Error> save(UnstoredEdit unstored = UnstoredEdit::Refuse);
    std::expected<formats::SavedFiles, Error> saveAs(const std::string& path,
                                                     UnstoredEdit unstored = UnstoredEdit::Refuse);
    std::expected<formats::SavedFiles, Error> saveCurrent();
    std::expected<formats::SavedFiles, Error> saveCurrentAs(const std::string& path);
    // The keyframe (or the base frame) whose pose the edit frame changed without "Replace
    // Keyframe" or "Add Keyframe": what a save asks about first.
    std::optional<std::string> unstoredKeyframe() const;

    // Undo and redo. Every command that changes what a file keeps is one step with its name;
    // selection changes are not steps. At least kHistorySteps steps are kept.
    static constexpr std::size_t kHistorySteps = 200;
    bool canUndo() const { return at > 0; }
    bool canRedo() const { return at + 1 < history.size(); }
    const std::string& undoName() const;  // "" when there is nothing to undo
    const std::string& redoName() const;
    bool undo();
    bool redo();
    // Commands made between begin and end are one step of that name (a dialog's OK, a mouse
    // drag, a script run); nested pairs join the outer one.
    void beginStep(std::string name);
    void endStep();
    // Ends the open step and puts back everything as it was when it began, recording
    // nothing: Escape in the middle of a drag.
    void cancelStep();

    // Whether the document differs from the files it was last opened from or saved to.
    bool modified() const { return !savedAt || *savedAt != at; }

    const ProjectSelection& selection() const { return state.selected; }
    // Selecting an item clears the vertex selection first when "Auto Deselect" is on. A
    // group item then selects the group's vertices; a keyframe item (the base frame's too)
    // makes its pose the edit frame.
    void select(const ProjectSelection& item);

    // A change of the current model that no menu command names: the edit view tools' drags,
    // scripts and tests. It is one undo step of that name.
    void edit(std::string name, const std::function<void(model::Model&)>& change);

    // Movements and keyframes.
    CommandResult newMovement(const std::string& name);
    CommandResult addKeyframe(const KeyframeDialog& dialog);
    CommandResult replaceKeyframe();
    CommandResult setKeyframeInfo(const std::string& name, int framesFromLast);
    CommandResult deleteKeyframe();
    CommandResult deleteMovement();
    CommandResult renameMovement(const std::string& name);
    CommandResult renameKeyframe(const std::string& name);
    // The project window's keyframe drag: the keyframe moves to just before the target, in the
    // target's movement. Dropping on itself or on the base frame changes nothing.
    CommandResult moveKeyframe(const std::string& dragged, const std::string& target);

    // Bones: each acts on the first selected bone.
    CommandResult attachToBone();
    CommandResult removeSelectedFromBone();
    CommandResult deleteBone();
    CommandResult addGroupToBone();
    // A bone from one point to another; an existing joint given by index is used instead of
    // a new joint at the point.
    CommandResult makeBone(std::optional<int> startJoint, const model::ModelVertex& start, std::optional<int> endJoint,
                           const model::ModelVertex& end);
    // Clears every bone's selection and selects the bone (none when there is no such bone).
    void selectBone(int bone);

    // The joint tools, given the joint picked, what the rotation drag reported and the
    // view's camera. Without shift the bone ending at the joint swings about its start with
    // everything below; with shift everything but the part below the bone starting at the
    // joint swings about that bone's end. The locked moves then turn the far side back, so
    // it is carried along without turning.
    CommandResult moveJoint(int joint, const model::ModelVertex& position);
    CommandResult rotateJoint(int joint, bool shift, double angle, const model::ViewProjection& view);
    CommandResult lockedMoveJoint(int joint, bool shift, double angle, const model::ViewProjection& view);

    // MIMe export of the selected movement. "Generate MIMe Info" writes the C source (Type 1)
    // or the Type 2 binary under the default name beside the PLY file; "Save Binary MIMe
    // File" writes the binary of the MIMe version to a name ending in MIM (its extension is
    // upper-cased, as the file dialog gives it). exportMime writes any format to any path,
    // or to the default name when none is given.
    std::expected<MimeExport, std::string> generateMime();
    std::expected<MimeExport, std::string> saveBinaryMime(const std::string& path);
    std::expected<MimeExport, std::string> exportMime(animation::MimeFormat format, std::optional<std::string> path);

    // Model editing. Each command that cannot run says why and changes nothing.
    bool isEnabled(EditCommand command) const;
    void selectAll();
    void selectNone();
    void invertSelection();
    // Adds the vertices to the selection (after clearing it, unless `add`); an index the model
    // does not have is refused and nothing changes.
    CommandResult selectVertices(const std::vector<int>& vertices, bool add = false);
    // A change of what is selected and nothing else (vertices, texture corners, bones), as
    // the views' picking makes it: no undo step.
    void changeSelection(const std::function<void(model::Model&)>& change);
    // "Auto Deselect": picking a group in the project window clears the selection first.
    bool autoDeselect() const { return autoDeselecting; }
    void toggleAutoDeselect();
    CommandResult deleteVertices();
    CommandResult deletePolygons();
    CommandResult createPolygon();
    CommandResult invertNormals();
    GroupProposal groupProposal() const;
    CommandResult groupPolygons(const std::string& name);
    // The selected group, in the current model and the same group of every frame.
    CommandResult renameGroup(const std::string& name);
    CommandResult ungroup();
    // Edit "Rename" and "Delete": the selected group, movement or keyframe.
    CommandResult renameSelected(const std::string& name);
    CommandResult deleteSelected();
    void centreObject();
    // The object creator's "Add": the primitive and its group appended to the current model,
    // one step named after the kind; refused, with nothing made, when it cannot be.
    CommandResult addPrimitive(const model::PrimitiveParams& params);
    std::optional<model::VertexInfo> vertexInfo() const { return model::vertexInfo(state.current); }
    model::SelectionInfo modelInformation() const { return model::selectionInfo(state.current); }
    CommandResult reScale(const RescaleParams& params);
    CommandResult reCentre(const RecentreParams& params);

    // The optimisation tools, on the current model; each reports its progress.
    int mergeVertices(const model::VertexMergeOptions& mergeOptions, const model::Progress& progress = {});
    model::PolygonReduction reducePolygons(const model::Progress& progress = {});
    int convertToQuads(const model::QuadConversionOptions& quadOptions, const model::Progress& progress = {});
    CommandResult gridAlign(const model::GridAlignOptions& grid);
    // Sorts the vertices of every frame by how much they move in the selected movement.
    CommandResult reorderVertices();
    int makeRsdToolCompatible();

    // Texture mapping. The wrap adds a texture not yet listed (compared without regard to
    // letter case) to every frame's list and loads it; Paint and Remove act on the texture
    // selected in the project window, Remove in every frame.
    CommandResult wrapTexture(const WrapParams& params);
    CommandResult paintTexture();
    CommandResult removeTexture();

    // Materials of the selected polygons: "Polygon Properties" (its initial settings, and OK
    // with the settings the dialog ends with), "Point Lighting" and the quick commands.
    std::optional<model::PolygonPropertiesSettings> polygonProperties() const {
        return model::polygonPropertiesFromSelection(state.current);
    }
    CommandResult setPolygonProperties(const model::PolygonPropertiesSettings& settings);
    CommandResult pointLight(const model::PointLight& light);
    CommandResult quickMaterial(model::QuickMaterial command, std::int32_t colour = 0);

    // What the console's previewer is sent, built in memory: the current model as TMD, the
    // selected movement's binary MIMe file in the MIMe version of the settings, and a texture
    // slot's TIM file as it lies on disk (nothing when it cannot be read). None changes the
    // document.
    std::expected<std::vector<std::uint8_t>, std::string> consoleModel() const;
    std::expected<std::vector<std::uint8_t>, std::string> consoleMime() const;
    std::optional<std::vector<std::uint8_t>> consoleTexture(int slot) const;

    void setMarker() { marker = state.current; }
    bool hasMarker() const { return marker.has_value(); }
    void restoreMarker();

    // A document's whole state, as a recovery file kept it, put in place of this one: it is
    // modified, and nothing is written until the user saves.
    void adoptRecovered(DocumentState recovered);

private:
    struct Step {
        std::string name;
        DocumentState state;
    };

    std::expected<formats::SavedFiles, Error> saveTo(std::optional<std::string> path, bool withMovements,
                                                     UnstoredEdit unstored);
    std::expected<formats::SavedFiles, Error> saveTmd(const std::string& path);
    std::expected<std::vector<Warning>, Error> readFile(const std::string& path);
    std::expected<const animation::Movement*, std::string> movementForMime() const;
    std::expected<std::string, std::string> binaryMime(const animation::Movement& movement) const;
    // After every command: a step (when what a file keeps changed) and a notice.
    void changed(unsigned what, std::string_view command = {});
    void notify(unsigned what, std::string_view command = {});
    // A step of that name when what a file keeps changed (or a part of the open step), else
    // the present state refreshed; then the notice.
    void record(unsigned what, std::string_view command, bool kept);
    // A new document: one state, no steps, saved when it came from files.
    void replaceDocument(DocumentState fresh, bool fromFiles);
    void setTextures(formats::TextureSlots slots);
    void restore(const DocumentState& from);
    // Makes a pose the edit frame; the document keeps the names of its files.
    void setEditFrame(const model::Model& pose);
    // Stores the edit frame in the keyframe (or base frame) it was taken from.
    CommandResult storeEditFrame();
    // Keeps the edit frame's keyframe known under its new name.
    void followRename(const std::string& from, const std::string& to);
    // A step of that name holding the state as it now is; the redo steps go.
    void pushStep(std::string_view name);
    // The keyframe the selection names: a movement keyframe, else the base frame.
    animation::Keyframe* selectedKeyframe();
    // The current model, the base frame's and every keyframe's.
    void forEachFrame(const std::function<void(model::Model&)>& change);
    // Applies the edit to the current model when the command is enabled, else says why.
    CommandResult editIfEnabled(EditCommand command, const char* why, const char* name,
                                const std::function<void(model::Model&)>& edit);
    CommandResult turnJoint(int joint, bool shift, double angle, const model::ViewProjection& view, bool keepFarSide,
                            const char* name);

    std::unique_ptr<formats::FileSystem> fileSystem;
    DocumentState state;
    // Shorthands for the parts of the state the commands change.
    model::Model& current = state.current;
    animation::AnimationState& anim = state.anim;
    ProjectSelection& selected = state.selected;
    std::optional<model::Model> marker;
    Settings options;
    bool autoDeselecting = false;

    std::vector<Step> history;               // history[0] is the state the document started in
    std::size_t at = 0;                      // the step the document is at
    std::optional<std::size_t> savedAt = 0;  // the step the files hold, if any
    int stepDepth = 0;                       // open beginStep calls
    std::string stepName;
    unsigned stepChanges = 0;  // what the open step changed so far

    std::vector<std::pair<int, ChangeListener>> listeners;
    int nextSubscription = 1;
};

}  // namespace kestrel::app
