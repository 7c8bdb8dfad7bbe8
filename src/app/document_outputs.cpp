// The document's runtime outputs: the TMD model and the MIMe files of a movement.
#include <cctype>
#include <utility>

#include "app/document.h"
#include "formats/host_path.h"
#include "formats/tmd_writer.h"

namespace kestrel::app {

using animation::MimeFormat;

std::expected<formats::SavedFiles, Error> Document::saveTmd(const std::string& path) {
    auto saved = formats::saveTmd(*fileSystem, current, *state.textures, path);
    if (!saved) return std::unexpected(saved.error());
    return formats::SavedFiles{{saved->written}, {}, std::move(saved->warnings)};
}

std::expected<const animation::Movement*, std::string> Document::movementForMime() const {
    if (selected.kind != ProjectItem::Movement) return std::unexpected("select a movement in the project window first");
    const animation::Movement* movement = animation::findMovementByName(anim.movements, selected.name);
    if (!movement) return std::unexpected("there is no movement named \"" + selected.name + "\"");
    if (!anim.baseFrame)
        return std::unexpected(
            "there is no base frame for the movement to start from; "
            "add a keyframe as the base frame first");
    return movement;
}

std::expected<std::string, std::string> Document::binaryMime(const animation::Movement& movement) const {
    const model::Model& base = anim.baseFrame->model;
    return options.mimeVersion == kMimeType2 ? animation::mimeType2(base, movement, options.minimumMovement)
                                             : animation::mimeType1(base, movement);
}

std::expected<MimeExport, std::string> Document::exportMime(MimeFormat format, std::optional<std::string> path) {
    const auto found = movementForMime();
    if (!found) return std::unexpected(found.error());
    const animation::Movement* movement = *found;
    if (!path) {
        if (current.plyFileName.empty())
            return std::unexpected("the model has no file name yet; save it first or give a path");
        // Beside the PLY file wherever it was found, else where the PLY would be written.
        const auto ply = formats::resolveForRead(*fileSystem, current.plyFileName, current.rsdFileName);
        path = ply ? animation::mimeDefaultPath(*ply, format)
                   : formats::resolveForWrite(*fileSystem, animation::mimeDefaultPath(current.plyFileName, format),
                                              current.rsdFileName);
    }
    const model::Model& base = anim.baseFrame->model;
    MimeExport result{*path, {}};
    std::expected<std::string, std::string> bytes;
    switch (format) {
        case MimeFormat::CSource: {
            auto text = animation::mimeCSource(base, *movement, *path, current.plyFileName);
            if (!text) return std::unexpected(text.error());
            result.warnings = std::move(text->warnings);
            bytes = std::move(text->bytes);
            break;
        }
        case MimeFormat::Type1:
            bytes = animation::mimeType1(base, *movement);
            break;
        case MimeFormat::Type2:
            bytes = animation::mimeType2(base, *movement, options.minimumMovement);
            break;
    }
    if (!bytes) return std::unexpected(bytes.error());
    if (auto written = formats::writeFileSafely(*fileSystem, *path, *bytes); !written)
        return std::unexpected(written.error().describe());
    return result;
}

std::expected<MimeExport, std::string> Document::generateMime() {
    return exportMime(options.mimeVersion == kMimeType2 ? MimeFormat::Type2 : MimeFormat::CSource, std::nullopt);
}

std::expected<MimeExport, std::string> Document::saveBinaryMime(const std::string& path) {
    if (!formats::hasExtension(path, "MIM"))
        return std::unexpected("binary MIMe files are named *.MIM; nothing was written");
    std::string named = path;
    for (auto i = named.find_last_of('.') + 1; i < named.size(); ++i)
        named[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(named[i])));
    return exportMime(options.mimeVersion == kMimeType2 ? MimeFormat::Type2 : MimeFormat::Type1, std::move(named));
}

}  // namespace kestrel::app
