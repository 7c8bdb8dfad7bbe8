#include "formats/texture_slots.h"

#include <string>
#include <utility>

#include "formats/host_path.h"

namespace kestrel::formats {

namespace {

TextureSlot standbySlot() {
    TextureSlot slot;
    slot.picture = standbyPicture();
    return slot;
}

// A 16-bit or 24-bit image: the views show the stand-by picture, but the image still lies
// where its header says, which is what the console packets address.
TextureSlot directColourSlot(std::string_view bytes, const std::string& path, int depth) {
    TextureSlot slot = standbySlot();
    slot.bitsPerPixel = depth;
    slot.loaded = true;
    if (const auto image = decodeTim(bytes, path)) {
        slot.imageX = static_cast<std::int16_t>(image->imageX);
        slot.imageY = static_cast<std::int16_t>(image->imageY);
    }
    return slot;
}

TextureSlot loadSlot(const FileSystem& files, const std::string& stored, std::string_view rsdHostPath,
                     std::vector<Warning>& warnings) {
    const std::string shown = "; the texture shows the stand-by picture";
    const auto file = readResolved(files, stored, rsdHostPath, kLargestTimFile);
    if (!file) {
        warnings.push_back(makeWarning(stored, 0, cannotOpen(file.error(), "the texture file") + shown));
        return standbySlot();
    }
    const std::string& path = file->path;
    const std::string& bytes = file->bytes;
    const auto depth = timDepth(bytes, path);
    if (depth && *depth > 8) {
        warnings.push_back(
            makeWarning(path, 0, std::to_string(*depth) + "-bit images cannot be drawn as console textures" + shown));
        return directColourSlot(bytes, path, *depth);
    }
    auto image = readTim(bytes, path);
    if (!image) {
        Warning warning{image.error()};
        warning.message += shown;
        warnings.push_back(std::move(warning));
        return standbySlot();
    }
    TextureSlot slot;
    slot.imageX = static_cast<std::int16_t>(image->imageX);
    slot.imageY = static_cast<std::int16_t>(image->imageY);
    slot.clutX = static_cast<std::int16_t>(image->clutX);
    slot.clutY = static_cast<std::int16_t>(image->clutY);
    slot.bitsPerPixel = image->bitsPerPixel;
    slot.loaded = true;
    slot.picture = std::move(*image);
    return slot;
}

}  // namespace

LoadedTextures loadTextureSlots(const FileSystem& files, const model::Model& model, std::string_view rsdHostPath) {
    LoadedTextures loaded;
    loaded.slots.reserve(model.textureFiles.size());
    // Textures that NTEX counts but no TEX line names have no file to open: one warning, on
    // the RSD file, says which.
    std::vector<int> unnamed;
    for (std::size_t i = 0; i < model.textureFiles.size(); ++i) {
        const std::string& stored = model.textureFiles[i];
        if (stored.empty()) {
            unnamed.push_back(static_cast<int>(i));
            loaded.slots.push_back(standbySlot());
            continue;
        }
        loaded.slots.push_back(loadSlot(files, stored, rsdHostPath, loaded.warnings));
    }
    if (!unnamed.empty()) {
        std::string listed;
        for (std::size_t k = 0; k < unnamed.size() && k < 5; ++k)
            listed += (k ? ", " : "") + std::to_string(unnamed[k]);
        if (unnamed.size() > 5) listed += ", ...";
        const std::string said = unnamed.size() == 1
                                     ? "texture " + listed + " has no TEX[] line naming a file; it shows"
                                     : std::to_string(unnamed.size()) + " textures (" + listed +
                                           ") have no TEX[] line naming a file; they show";
        loaded.warnings.push_back(makeWarning(std::string(rsdHostPath), 0, said + " the stand-by picture"));
    }
    return loaded;
}

void removeTextureSlot(TextureSlots& slots, int slot) {
    if (slot < 0 || slot >= static_cast<int>(slots.size())) return;
    slots.erase(slots.begin() + slot);
}

std::expected<RgbaImage, Error> readTimPicture(const FileSystem& files, const std::string& path) {
    const auto bytes = files.readFile(path, kLargestTimFile);
    if (!bytes) return std::unexpected(makeError(path, 0, cannotOpen(bytes.error())));
    return decodeTim(*bytes, path);
}

const TimImage& standbyPicture() {
    // The shipped picture is checked by the tests; should it ever fail to read, a blank
    // 8-bit image keeps every caller's assumptions.
    static const TimImage picture = [] {
        auto image = readBitmap(standbyBitmapBytes(), "standby.bmp");
        if (image) return std::move(*image);
        TimImage blank;
        blank.bitsPerPixel = 8;
        blank.width = blank.height = 4;
        blank.pixels.assign(16, 0);
        return blank;
    }();
    return picture;
}

}  // namespace kestrel::formats
