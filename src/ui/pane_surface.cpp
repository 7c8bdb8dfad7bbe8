#include "ui/pane_surface.h"

#include <algorithm>

#include "render/view_textures.h"

namespace kestrel::ui {

QSize drawnSize(QSize pane, QSize maxViewport) {
    return {std::clamp(pane.width(), 1, std::max(1, maxViewport.width())),
            std::clamp(pane.height(), 1, std::max(1, maxViewport.height()))};
}

std::span<const render::ViewTexture> DeviceTextures::refresh(render::RenderDevice& device,
                                                             const formats::TextureSlots& slots) {
    if (stale_) {
        for (const auto& texture : list_)
            if (texture.handle != 0) device.releaseTexture(texture.handle);
        list_ = render::viewTextures(device, slots);
        stale_ = false;
    }
    return list_;
}

void drawScene(render::RenderDevice& device, const PaneScene& scene, std::span<const render::ViewTexture> textures) {
    device.setBackground(scene.background);
    const app::Document& document = *scene.document;
    render::MotionGraph graph;
    if (scene.view.mode == render::DisplayMode::MovementTimeline)
        graph = render::motionGraphOf(document.movementBase(), document.selectedMovement());
    graph.background = scene.background;
    render::paintEditView(device, scene.shownModel ? *scene.shownModel : document.model(), scene.view,
                          {scene.active, textures, scene.selectedTexture, scene.overlay, &graph});
    if (scene.painted) scene.painted();
}

}  // namespace kestrel::ui
