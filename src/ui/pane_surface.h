#pragma once
// What an edit pane draws on: a widget that shows the pane's scene through one render device.
// The software surface draws in memory and copies the picture to the screen; the OpenGL
// surface draws with the graphics card. Both draw the same scene with the same code.
#include <QImage>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/document.h"
#include "render/edit_view.h"
#include "render/render_device.h"

namespace kestrel::ui {

// One pane's camera, switches and place in the window, as its surface draws them.
struct PaneScene {
    app::Document* document = nullptr;
    render::EditView view;
    bool active = false;                       // the window's active pane: drawn with its green frame
    std::uint32_t background = 0;              // 0x00RRGGBB
    QSize maxViewport{1280, 1024};             // the largest picture drawn; a larger pane shows background
    int selectedTexture = -1;                  // the project window's texture item, for the UV edit mode
    std::vector<render::OverlayLine> overlay;  // what the tool dragging in the pane shows
    const model::Model* shownModel = nullptr;  // drawn instead of the document's, while a preview plays
    std::function<void()> painted;             // told after every drawing of the scene
};

// The size a pane of this size draws at: its own, within the largest viewport.
QSize drawnSize(QSize pane, QSize maxViewport);

// The device textures of the document's texture slots; made again when marked stale.
class DeviceTextures {
public:
    void markStale() { stale_ = true; }
    // Releases the old textures and makes new ones when stale; returns the current list.
    std::span<const render::ViewTexture> refresh(render::RenderDevice& device, const formats::TextureSlots& slots);
    // Forgets the textures without releasing them: the device that held them is gone.
    void forget() {
        list_.clear();
        stale_ = true;
    }

private:
    std::vector<render::ViewTexture> list_;
    bool stale_ = true;
};

// Clears the device to the scene's background and draws the scene's model in it.
void drawScene(render::RenderDevice& device, const PaneScene& scene, std::span<const render::ViewTexture> textures);

class PaneSurface {
public:
    virtual ~PaneSurface() = default;
    virtual QWidget* widget() = 0;
    // Draw the scene again soon (on the next paint of the widget).
    virtual void redraw() = 0;
    // Draw the scene again now, before returning.
    virtual void redrawNow() = 0;
    // The document's textures changed: make the device's textures again before the next paint.
    virtual void reloadTextures() = 0;
    // The picture last drawn, drawnSize() of the pane in the screen's pixels; null before the first paint.
    virtual QImage picture() = 0;
    // The device's name, for the window title; empty until the device exists.
    virtual std::string deviceName() const = 0;
};

}  // namespace kestrel::ui
