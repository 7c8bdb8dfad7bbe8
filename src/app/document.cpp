#include "app/document.h"

#include <algorithm>
#include <new>
#include <utility>

#include "formats/asc_reader.h"
#include "formats/ase_reader.h"
#include "formats/host_path.h"
#include "formats/open_dispatch.h"
#include "formats/set_save.h"
#include "formats/tmd_writer.h"

namespace kestrel::app {

namespace {

constexpr unsigned kEverything =
    kModelChanged | kAnimationChanged | kSelectionChanged | kTitleChanged | kTexturesChanged | kHistoryChanged;

formats::SetNames namesOf(const model::Model& m) {
    return {m.rsdFileName, m.plyFileName, m.matFileName, m.grpFileName};
}

void giveNames(model::Model& m, const formats::SetNames& names) {
    m.rsdFileName = names.rsd;
    m.plyFileName = names.ply;
    m.matFileName = names.mat;
    m.grpFileName = names.grp;
}

}  // namespace

Document::Document(std::unique_ptr<formats::FileSystem> files) : fileSystem(std::move(files)) {
    history.push_back({"", state});
}

std::string Document::windowTitle() const {
    std::string title = path().empty() ? "Kestrel" : "Kestrel - " + path();
    return modified() ? title + " *" : title;
}

int Document::subscribe(ChangeListener listener) {
    listeners.emplace_back(nextSubscription, std::move(listener));
    return nextSubscription++;
}

void Document::unsubscribe(int subscription) {
    std::erase_if(listeners, [&](const auto& entry) { return entry.first == subscription; });
}

void Document::notify(unsigned what, std::string_view command) {
    const ChangeNotice notice{what, std::string(command)};
    // A copy, so that a listener may subscribe or unsubscribe while it is told.
    const auto told = listeners;
    for (const auto& [subscription, listener] : told) {
        const bool still = std::any_of(listeners.begin(), listeners.end(),
                                       [&](const auto& entry) { return entry.first == subscription; });
        if (still) listener(notice);
    }
}

void Document::changed(unsigned what, std::string_view command) {
    const bool kept = (what & (kModelChanged | kAnimationChanged | kTexturesChanged)) && !(what & kOnlySelection);
    if (kept && (what & kModelChanged)) {
        // While the base frame is the edit frame, the edit frame is the base frame's pose; a
        // pose made with a movement selected is for a keyframe still to come.
        if (!state.editKeyframe && anim.baseFrame && !state.editUnstored && selected.kind != ProjectItem::Movement)
            anim.baseFrame->model = current;
        else
            state.editUnstored = true;
    }
    record(what, command, kept);
}

void Document::record(unsigned what, std::string_view command, bool kept) {
    if (stepDepth > 0) {
        stepChanges |= kept ? what : 0u;
        notify(what, command);
        return;
    }
    if (!kept) {
        history[at].state = state;  // selections are no steps; undo comes back to the latest
        notify(what, command);
        return;
    }
    pushStep(command);
    notify(what | kHistoryChanged | kTitleChanged, command);
}

void Document::pushStep(std::string_view name) {
    history.resize(at + 1);
    if (savedAt && *savedAt > at) savedAt.reset();
    history.push_back({std::string(name), state});
    ++at;
    if (history.size() > kHistorySteps + 1) {
        history.erase(history.begin());
        --at;
        if (savedAt) savedAt = *savedAt == 0 ? std::nullopt : std::optional(*savedAt - 1);
    }
}

const std::string& Document::undoName() const {
    static const std::string none;
    return canUndo() ? history[at].name : none;
}

const std::string& Document::redoName() const {
    static const std::string none;
    return canRedo() ? history[at + 1].name : none;
}

void Document::restore(const DocumentState& from) {
    // The files the document stands for are where it lives, not part of what it undoes.
    const formats::SetNames names = namesOf(current);
    state = from;
    giveNames(current, names);
}

void Document::setEditFrame(const model::Model& pose) {
    const formats::SetNames names = namesOf(current);
    current = pose;
    giveNames(current, names);
}

bool Document::undo() {
    if (!canUndo() || stepDepth > 0) return false;
    const std::string name = history[at].name;
    restore(history[--at].state);
    notify(kEverything, "Undo " + name);
    return true;
}

bool Document::redo() {
    if (!canRedo() || stepDepth > 0) return false;
    restore(history[++at].state);
    notify(kEverything, "Redo " + history[at].name);
    return true;
}

void Document::beginStep(std::string name) {
    if (stepDepth++ == 0) {
        stepName = std::move(name);
        stepChanges = 0;
    }
}

void Document::endStep() {
    if (stepDepth == 0 || --stepDepth > 0) return;
    if (stepChanges)
        changed(stepChanges, stepName);
    else
        history[at].state = state;
}

void Document::cancelStep() {
    if (stepDepth == 0) return;
    stepDepth = 0;
    const std::string name = stepName;
    restore(history[at].state);
    notify(kEverything, "Cancel " + name);
}

void Document::replaceDocument(DocumentState fresh, bool fromFiles) {
    state = std::move(fresh);
    history.clear();
    history.push_back({"", state});
    at = 0;
    savedAt = fromFiles ? std::optional<std::size_t>(0) : std::nullopt;
    stepDepth = 0;
    marker.reset();
    notify(kEverything | kDocumentReplaced);
}

void Document::setTextures(formats::TextureSlots slots) {
    state.textures = std::make_shared<const formats::TextureSlots>(std::move(slots));
}

void Document::setSettings(const Settings& settings) {
    options = settings;
    notify(kSettingsChanged);
}

void Document::toggleAutoDeselect() {
    autoDeselecting = !autoDeselecting;
    notify(kSettingsChanged);
}

void Document::newModel() {
    DocumentState fresh;
    fresh.anim.keyframeCounter = anim.keyframeCounter;  // never reset while the program runs
    replaceDocument(std::move(fresh), true);
}

void Document::adoptRecovered(DocumentState recovered) { replaceDocument(std::move(recovered), false); }

std::expected<std::vector<Warning>, Error> Document::openFile(const std::string& path) {
    // A file whose contents need more memory than the machine has is an error like any
    // other: the document on screen stays as it was.
    try {
        return readFile(path);
    } catch (const std::bad_alloc&) {
        return std::unexpected(formats::makeError(path, 0,
                                                  "there is not enough memory to read this file; "
                                                  "the model on screen is unchanged"));
    }
}

std::expected<std::vector<Warning>, Error> Document::readFile(const std::string& path) {
    DocumentState fresh;
    std::vector<Warning> warnings;
    switch (formats::classifyOpenPath(path)) {
        case formats::OpenKind::Script:
            return std::unexpected(formats::makeError(
                path, 0,
                "this is a K-Script program, not a model: open it in the window, or run it with kestrel-cli script"));
        case formats::OpenKind::Asc:
        case formats::OpenKind::Ase: {
            // An import names the RSD set it would be saved as.
            const bool ase = formats::classifyOpenPath(path) == formats::OpenKind::Ase;
            auto imported =
                ase ? formats::loadAse(*fileSystem, path, importAseTextures) : formats::loadAsc(*fileSystem, path);
            if (!imported) return std::unexpected(imported.error());
            fresh.current = std::move(imported->model);
            fresh.anim.movements = std::move(imported->animation.movements);
            fresh.anim.baseFrame = std::move(imported->animation.baseFrame);
            // The imported keyframes are Keyframe_0 onwards; the names proposed next follow them.
            for (const auto& movement : fresh.anim.movements)
                fresh.anim.keyframeCounter =
                    std::max(fresh.anim.keyframeCounter, static_cast<int>(movement.keyframes.size()));
            warnings = std::move(imported->warnings);
            auto loadedTextures = formats::loadTextureSlots(*fileSystem, fresh.current, path);
            warnings.insert(warnings.end(), loadedTextures.warnings.begin(), loadedTextures.warnings.end());
            if (ase && importAseTextures) {
                // Every frame gets the texels: Save writes the base frame's model.
                const auto texelWarnings = formats::applyTextureFractions(fresh.current, loadedTextures.slots);
                warnings.insert(warnings.end(), texelWarnings.begin(), texelWarnings.end());
                if (fresh.anim.baseFrame)
                    formats::applyTextureFractions(fresh.anim.baseFrame->model, loadedTextures.slots);
                for (auto& movement : fresh.anim.movements)
                    for (auto& keyframe : movement.keyframes)
                        formats::applyTextureFractions(keyframe.model, loadedTextures.slots);
            }
            fresh.textures = std::make_shared<const formats::TextureSlots>(std::move(loadedTextures.slots));
            break;
        }
        case formats::OpenKind::Rsd: {
            // A save of this set that was cut off is finished (or its leftovers removed) first.
            warnings = formats::finishInterruptedSave(*fileSystem, fileSystem->absolutePath(path));
            auto loaded = formats::loadRsdSet(*fileSystem, path);
            if (!loaded) return std::unexpected(loaded.error());
            fresh.current = std::move(loaded->model);
            fresh.anim.movements = std::move(loaded->animation.movements);
            fresh.anim.baseFrame = std::move(loaded->animation.baseFrame);
            warnings.insert(warnings.end(), loaded->warnings.begin(), loaded->warnings.end());
            auto loadedTextures = formats::loadTextureSlots(*fileSystem, fresh.current, path);
            warnings.insert(warnings.end(), loadedTextures.warnings.begin(), loadedTextures.warnings.end());
            fresh.textures = std::make_shared<const formats::TextureSlots>(std::move(loadedTextures.slots));
            break;
        }
    }
    // The keyframe counter lives from program start and is never reset.
    fresh.anim.keyframeCounter = std::max(fresh.anim.keyframeCounter, anim.keyframeCounter);
    replaceDocument(std::move(fresh), true);
    return warnings;
}

std::optional<std::string> Document::unstoredKeyframe() const {
    if (!state.editUnstored) return std::nullopt;
    if (state.editKeyframe) return state.editKeyframe;
    if (anim.baseFrame) return anim.baseFrame->name;
    return std::nullopt;
}

std::expected<formats::SavedFiles, Error> Document::saveTo(std::optional<std::string> path, bool withMovements,
                                                           UnstoredEdit unstored) {
    if (!path && current.rsdFileName.empty())
        return std::unexpected(
            formats::makeError("", 0, "the model has no file name yet; use Save As (nothing was written)"));
    if (path && formats::hasExtension(*path, "TMD")) return saveTmd(*path);
    if (path && !formats::hasExtension(*path, "RSD"))
        return std::unexpected(
            formats::makeError(*path, 0, "only .RSD and .TMD names can be saved; nothing was written"));
    if (withMovements && unstoredKeyframe()) {
        const std::string keyframe = *unstoredKeyframe();
        if (unstored == UnstoredEdit::Refuse)
            return std::unexpected(
                formats::makeError(path ? *path : current.rsdFileName, 0,
                                   "the edit frame has changes that are not stored in keyframe '" + keyframe +
                                       "'; replace the keyframe first or save without them (nothing was written)"));
        if (unstored == UnstoredEdit::StoreFirst) {
            if (auto stored = storeEditFrame(); !stored)
                return std::unexpected(formats::makeError(current.rsdFileName, 0, stored.error()));
        }
    }
    model::Model written = withMovements && anim.baseFrame ? anim.baseFrame->model : current;
    giveNames(written, namesOf(current));
    auto saved = formats::saveRsdSet(*fileSystem, written, formats::SaveOptions{path, withMovements, &anim});
    if (!saved) return saved;
    // "Save Current As" is an export: the document stays with its own set. The others write
    // the document's set, under the new name for "Save As".
    if (withMovements || !path) {
        if (path) giveNames(current, saved->names);
        // The files hold the whole document unless movements or an unstored pose were left out.
        const bool whole = withMovements ? !unstoredKeyframe() : anim.movements.empty() && !state.editKeyframe;
        if (whole) savedAt = at;
        history[at].state = state;
    }
    notify(kSaved | kTitleChanged | kHistoryChanged);
    return saved;
}

std::expected<formats::SavedFiles, Error> Document::save(UnstoredEdit unstored) {
    return saveTo(std::nullopt, true, unstored);
}

std::expected<formats::SavedFiles, Error> Document::saveAs(const std::string& path, UnstoredEdit unstored) {
    return saveTo(path, true, unstored);
}

std::expected<formats::SavedFiles, Error> Document::saveCurrent() {
    return saveTo(std::nullopt, false, UnstoredEdit::LeaveOut);
}

std::expected<formats::SavedFiles, Error> Document::saveCurrentAs(const std::string& path) {
    return saveTo(path, false, UnstoredEdit::LeaveOut);
}

void Document::edit(std::string name, const std::function<void(model::Model&)>& change) {
    change(current);
    changed(kModelChanged, name);
}

void Document::restoreMarker() {
    if (marker) {
        setEditFrame(*marker);
        changed(kModelChanged, "Restore Marker");
    }
}

}  // namespace kestrel::app
