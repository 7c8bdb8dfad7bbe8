#pragma once
// A pane that draws with the processor: the software render device paints the scene in memory
// and the widget copies the picture to the screen.
#include <QWidget>
#include <memory>

#include "render/software_device.h"
#include "ui/pane_surface.h"

namespace kestrel::ui {

class SoftwareSurface final : public QWidget, public PaneSurface {
public:
    SoftwareSurface(const PaneScene& scene, QWidget* parent = nullptr);

    QWidget* widget() override { return this; }
    void redraw() override {
        stale_ = true;
        update();
    }
    void redrawNow() override {
        stale_ = true;
        repaint();
    }
    void reloadTextures() override {
        textures_.markStale();
        redraw();
    }
    QImage picture() override;
    std::string deviceName() const override { return "Software Rasteriser"; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Draws the scene into the device, made again when the drawn size changed.
    void render();
    // The size drawn: the widget's in the screen's pixels, within the largest viewport.
    QSize pixelSize() const;

    const PaneScene& scene_;
    std::unique_ptr<render::SoftwareDevice> device_;
    DeviceTextures textures_;
    QImage picture_;     // over the device's pixels
    bool stale_ = true;  // the scene changed since the picture was drawn
};

}  // namespace kestrel::ui
