// The Document's texture mapping commands.
#include <algorithm>

#include "app/document.h"

namespace kestrel::app {

namespace {

// A loaded texture's size, or nothing when its TIM file could not be read.
std::optional<std::pair<int, int>> sizeOf(const formats::TextureSlots& slots, int texture) {
    if (texture < 0 || static_cast<std::size_t>(texture) >= slots.size()) return std::nullopt;
    const formats::TextureSlot& slot = slots[static_cast<std::size_t>(texture)];
    if (!slot.loaded || slot.picture.width <= 0 || slot.picture.height <= 0) return std::nullopt;
    return std::pair{slot.picture.width, slot.picture.height};
}

}  // namespace

CommandResult Document::wrapTexture(const WrapParams& params) {
    if (params.texture.empty()) return refused("choose a texture (a TIM file)");
    const auto& listed = current.textureFiles;
    const auto found = std::find_if(listed.begin(), listed.end(), [&](const std::string& path) {
        return model::sameTexturePath(path, params.texture);
    });
    const auto t = static_cast<int>(found - listed.begin());
    const bool added = found == listed.end();
    if (added) {
        if (current.textureCount() >= model::kMaxTextures)
            return refused("the model has " + std::to_string(model::kMaxTextures) +
                           " textures, as many as it can hold");
        if (params.texture.size() > model::kMaxPathLength)
            return refused("the texture's path is longer than " + std::to_string(model::kMaxPathLength) +
                           " characters");
        // Try the new list before changing anything: a texture that cannot be read is refused.
        model::Model trial = current;
        trial.textureFiles.push_back(params.texture);
        auto loaded = formats::loadTextureSlots(*fileSystem, trial, current.rsdFileName);
        if (!sizeOf(loaded.slots, t)) return refused("cannot read the texture '" + params.texture + "'");
        forEachFrame([&](model::Model& m) { m.textureFiles.push_back(params.texture); });
        setTextures(std::move(loaded.slots));
    }
    const auto size = sizeOf(*state.textures, t);
    if (!size)
        return refused("the texture '" + listed[static_cast<std::size_t>(t)] +
                       "' could not be read, so its size is unknown");
    const auto wrap = [&](model::Model& m) { model::wrapTexture(m, t, size->first, size->second, params.options); };
    if (params.allFrames)
        forEachFrame(wrap);
    else
        wrap(current);
    changed(kModelChanged | (added ? kTexturesChanged : 0u) | (added || params.allFrames ? kAnimationChanged : 0u),
            "Wrap Texture Round Object");
    return {};
}

CommandResult Document::paintTexture() {
    if (selected.kind != ProjectItem::Texture) return refused("select a texture in the project window");
    const auto size = sizeOf(*state.textures, selected.index);
    if (!size) return refused("the selected texture could not be read, so its size is unknown");
    model::paintTexture(current, selected.index, size->first, size->second);
    changed(kModelChanged, "Paint Current Texture");
    return {};
}

CommandResult Document::removeTexture() {
    if (selected.kind != ProjectItem::Texture || selected.index < 0 || selected.index >= current.textureCount())
        return refused("select a texture in the project window");
    const int t = selected.index;
    forEachFrame([&](model::Model& m) {
        if (t < m.textureCount()) m.deleteTexture(t);
    });
    formats::TextureSlots slots = *state.textures;
    if (static_cast<std::size_t>(t) < slots.size()) formats::removeTextureSlot(slots, t);
    setTextures(std::move(slots));
    selected = {};
    changed(kModelChanged | kAnimationChanged | kSelectionChanged | kTexturesChanged, "Remove Texture");
    return {};
}

}  // namespace kestrel::app
