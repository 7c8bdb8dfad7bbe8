#include "render/view_textures.h"

#include "render/render_texture.h"

namespace kestrel::render {

std::vector<ViewTexture> viewTextures(RenderDevice& device, const formats::TextureSlots& slots) {
    std::vector<ViewTexture> textures;
    textures.reserve(slots.size());
    for (const auto& slot : slots) {
        ViewTexture t;
        if (slot.loaded) {
            const TextureImage image = textureFromPicture(slot.picture);
            t = {device.createTexture(image), image.bitmapWidth, image.bitmapHeight, image.size};
        }
        textures.push_back(t);
    }
    return textures;
}

}  // namespace kestrel::render
