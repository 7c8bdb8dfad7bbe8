#pragma once
// A pane that draws with OpenGL: the OpenGL render device paints the scene into the widget's
// framebuffer, the picture in its top-left corner and the background around it.
#include <QMetaObject>
#include <QOpenGLWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/gl_device.h"
#include "ui/pane_surface.h"

namespace kestrel::ui {

// Whether this display can draw with OpenGL: the device's name (as GlDevice::name()) when a
// context can be made and the device built in it, nullopt when not, or when the platform is
// "offscreen" or "minimal", or there is no application. Leaves the current context as it was.
std::optional<std::string> probeOpenGl();

class GlSurface final : public QOpenGLWidget, public PaneSurface {
public:
    GlSurface(const PaneScene& scene, QWidget* parent = nullptr);
    ~GlSurface() override;

    QWidget* widget() override { return this; }
    void redraw() override { update(); }
    void redrawNow() override { repaint(); }
    void reloadTextures() override { textures_.markStale(); }
    // The drawn size of the framebuffer's top-left corner, drawn again; null before the device
    // exists.
    QImage picture() override;
    std::string deviceName() const override { return device_ ? device_->name() : std::string(); }
    // Why the device could not be made in the widget's context; empty when it was (or has not
    // been tried yet). The pane then shows only its background.
    const std::string& failure() const { return failure_; }
    // Called, with the reason, when the device could not be made in the widget's context.
    std::function<void(const std::string&)> onFailure;

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    // Releases the device and its textures with the context current; the context is going.
    void releaseDevice();

    const PaneScene& scene_;
    std::unique_ptr<GlDevice> device_;
    DeviceTextures textures_;
    QSize drawn_;
    std::string failure_;
    QMetaObject::Connection contextGoing_;
};

}  // namespace kestrel::ui
