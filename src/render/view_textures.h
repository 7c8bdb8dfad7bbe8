#pragma once
// The device textures of a model's texture slots, as the views draw with them.
#include <vector>

#include "formats/texture_slots.h"
#include "render/edit_view.h"
#include "render/render_device.h"

namespace kestrel::render {

// One entry per slot. A slot whose TIM could not be read gets handle 0 and draws untextured;
// the others get a device texture of their picture (the stand-by picture for 16-bit and
// 24-bit TIMs). The caller releases the handles when the model is replaced.
std::vector<ViewTexture> viewTextures(RenderDevice& device, const formats::TextureSlots& slots);

}  // namespace kestrel::render
