#include "app/document.h"

#include <algorithm>
#include <utility>

#include "formats/asc_reader.h"
#include "formats/ase_reader.h"
#include "formats/host_path.h"
#include "formats/open_dispatch.h"
#include "formats/tmd_writer.h"

namespace kestrel::app {

Document::Document(std::unique_ptr<formats::FileSystem> files) : fileSystem(std::move(files)) {}

void Document::newModel() {
    current = model::Model{};
    anim.movements.clear();
    anim.baseFrame.reset();
    textures.clear();
    unsaved = false;
}

std::expected<std::vector<Warning>, Error> Document::openFile(const std::string& path) {
    switch (formats::classifyOpenPath(path)) {
        case formats::OpenKind::Script:
            return std::unexpected(formats::makeError(path, 0, "K-Script files cannot be opened yet"));
        case formats::OpenKind::Asc:
        case formats::OpenKind::Ase: {
            // An import names the RSD set it would be saved as; the title shows the file read.
            const bool ase = formats::classifyOpenPath(path) == formats::OpenKind::Ase;
            auto imported = ase ? formats::loadAse(*fileSystem, path, importAseTextures)
                                : formats::loadAsc(*fileSystem, path);
            if (!imported) return std::unexpected(imported.error());
            current = std::move(imported->model);
            anim.movements = std::move(imported->animation.movements);
            anim.baseFrame = std::move(imported->animation.baseFrame);
            // The imported keyframes are Keyframe_0 onwards; the names proposed next follow them.
            for (const auto& movement : anim.movements)
                anim.keyframeCounter =
                    std::max(anim.keyframeCounter, static_cast<int>(movement.keyframes.size()));
            title = "Kestrel - " + fileSystem->absolutePath(path);
            unsaved = false;
            auto loadedTextures = formats::loadTextureSlots(*fileSystem, current, path);
            textures = std::move(loadedTextures.slots);
            auto warnings = std::move(imported->warnings);
            warnings.insert(warnings.end(), loadedTextures.warnings.begin(), loadedTextures.warnings.end());
            if (ase && importAseTextures) {
                // Every frame gets the texels: Save writes the base frame's model.
                const auto texelWarnings = formats::applyTextureFractions(current, textures);
                warnings.insert(warnings.end(), texelWarnings.begin(), texelWarnings.end());
                if (anim.baseFrame) formats::applyTextureFractions(anim.baseFrame->model, textures);
                for (auto& movement : anim.movements)
                    for (auto& keyframe : movement.keyframes)
                        formats::applyTextureFractions(keyframe.model, textures);
            }
            return warnings;
        }
        case formats::OpenKind::Rsd:
            break;
    }
    auto loaded = formats::loadRsdSet(*fileSystem, path);
    if (!loaded) return std::unexpected(loaded.error());
    current = std::move(loaded->model);
    anim.movements = std::move(loaded->animation.movements);
    anim.baseFrame = std::move(loaded->animation.baseFrame);
    title = "Kestrel - " + current.rsdFileName;
    unsaved = false;
    auto loadedTextures = formats::loadTextureSlots(*fileSystem, current, path);
    textures = std::move(loadedTextures.slots);
    auto warnings = std::move(loaded->warnings);
    warnings.insert(warnings.end(), loadedTextures.warnings.begin(), loadedTextures.warnings.end());
    return warnings;
}

std::expected<formats::SavedFiles, Error> Document::saveTo(std::optional<std::string> path,
                                                           bool withMovements) {
    if (!path && current.rsdFileName.empty())
        return std::unexpected(formats::makeError(
            "", 0, "the model has no file name yet; use Save As (nothing was written)"));
    if (path && formats::hasExtension(*path, "TMD")) return saveTmd(*path);
    if (path && !formats::hasExtension(*path, "RSD"))
        return std::unexpected(formats::makeError(
            *path, 0, "only .RSD and .TMD names can be saved; nothing was written"));
    model::Model& written = withMovements && anim.baseFrame ? anim.baseFrame->model : current;
    auto saved = formats::saveRsdSet(*fileSystem, written,
                                     formats::SaveOptions{std::move(path), withMovements, &anim});
    if (saved) {
        unsaved = false;
        title = "Kestrel - " + written.rsdFileName;
    }
    if (saved && &written != &current) {
        // The document now stands for the files just written, whichever model they hold.
        current.rsdFileName = written.rsdFileName;
        current.plyFileName = written.plyFileName;
        current.matFileName = written.matFileName;
        current.grpFileName = written.grpFileName;
    }
    return saved;
}

std::expected<formats::SavedFiles, Error> Document::save() { return saveTo(std::nullopt, true); }

std::expected<formats::SavedFiles, Error> Document::saveAs(const std::string& path) {
    return saveTo(path, true);
}

std::expected<formats::SavedFiles, Error> Document::saveCurrent() {
    return saveTo(std::nullopt, false);
}

std::expected<formats::SavedFiles, Error> Document::saveCurrentAs(const std::string& path) {
    return saveTo(path, false);
}

void Document::restoreMarker() {
    if (marker) {
        current = *marker;
        changed(kModelChanged);
    }
}

}  // namespace kestrel::app
