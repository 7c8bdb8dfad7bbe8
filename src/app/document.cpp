#include "app/document.h"

#include <utility>

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
}

std::expected<std::vector<Warning>, Error> Document::openFile(const std::string& path) {
    switch (formats::classifyOpenPath(path)) {
        case formats::OpenKind::Script:
            return std::unexpected(formats::makeError(path, 0, "K-Script files cannot be opened yet"));
        case formats::OpenKind::Asc:
            return std::unexpected(
                formats::makeError(path, 0, "3D Studio ASC import is not supported yet"));
        case formats::OpenKind::Ase:
            return std::unexpected(
                formats::makeError(path, 0, "3DS Max ASE import is not supported yet"));
        case formats::OpenKind::Rsd:
            break;
    }
    auto loaded = formats::loadRsdSet(*fileSystem, path);
    if (!loaded) return std::unexpected(loaded.error());
    current = std::move(loaded->model);
    anim.movements = std::move(loaded->animation.movements);
    anim.baseFrame = std::move(loaded->animation.baseFrame);
    title = "Kestrel - " + current.rsdFileName;
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
    if (marker) current = *marker;
}

}  // namespace kestrel::app
