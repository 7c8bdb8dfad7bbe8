#pragma once
// The application state and its commands, free of any user-interface toolkit: the GUI, the
// command line and the tests all drive the program through this class.
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "animation/movement.h"
#include "formats/error.h"
#include "formats/file_system.h"
#include "formats/rsd_set.h"
#include "model/model.h"

namespace kestrel::app {

using formats::Error;
using formats::Warning;

class Document {
public:
    explicit Document(std::unique_ptr<formats::FileSystem> files =
                          std::make_unique<formats::HostFileSystem>());

    const model::Model& model() const { return current; }
    model::Model& model() { return current; }
    formats::FileSystem& files() { return *fileSystem; }
    // "Kestrel - " and the path of the last file opened; "Kestrel" before any.
    const std::string& windowTitle() const { return title; }
    // The movements (newest first), the base frame and the keyframe counter.
    const animation::AnimationState& animation() const { return anim; }

    // "New": an empty model without movements or base frame; the marker stays.
    void newModel();
    // "Open...": replaces the model only when the file could be read; on failure the model
    // on screen is untouched and the error says why.
    std::expected<std::vector<Warning>, Error> openFile(const std::string& path);

    // The four save commands. "Save" and "Save As" write the base frame's model (the current
    // model when there is none) with the movements; the "Current" pair write the current
    // model alone. A name ending in anything but RSD (any letter case) writes nothing and
    // says so; TMD output arrives with the TMD writer.
    std::expected<formats::SavedFiles, Error> save();
    std::expected<formats::SavedFiles, Error> saveAs(const std::string& path);
    std::expected<formats::SavedFiles, Error> saveCurrent();
    std::expected<formats::SavedFiles, Error> saveCurrentAs(const std::string& path);

    void setMarker() { marker = current; }
    bool hasMarker() const { return marker.has_value(); }
    void restoreMarker();

private:
    std::expected<formats::SavedFiles, Error> saveTo(std::optional<std::string> path,
                                                     bool withMovements);

    std::unique_ptr<formats::FileSystem> fileSystem;
    model::Model current;
    std::optional<model::Model> marker;
    animation::AnimationState anim;
    std::string title = "Kestrel";
};

}  // namespace kestrel::app
