#include "ui/gl_surface.h"

#include <QColor>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>
#include <QThread>

namespace kestrel::ui {

std::optional<std::string> probeOpenGl() {
    const auto* application = QGuiApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) return std::nullopt;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return std::nullopt;

    QOpenGLContext* previous = QOpenGLContext::currentContext();
    QSurface* previousSurface = previous ? previous->surface() : nullptr;
    std::optional<std::string> name;
    {
        QOpenGLContext context;
        context.setFormat(QSurfaceFormat::defaultFormat());
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (context.create() && surface.isValid() && context.makeCurrent(&surface)) {
            if (auto device = GlDevice::create()) name = (*device)->name();
            context.doneCurrent();
        }
    }
    if (previous && previousSurface) previous->makeCurrent(previousSurface);
    return name;
}

GlSurface::GlSurface(const PaneScene& scene, QWidget* parent) : QOpenGLWidget(parent), scene_(scene) {
    setMinimumSize(32, 32);
    // One sample per pixel: the device draws the software device's pixels, not blends of them.
    QSurfaceFormat surfaceFormat = format();
    surfaceFormat.setSamples(0);
    setFormat(surfaceFormat);
}

GlSurface::~GlSurface() {
    // The context goes with the base class, after this object has stopped being a GlSurface.
    disconnect(contextGoing_);
    releaseDevice();
}

void GlSurface::initializeGL() {
    // A new context (the widget moved to another window): what the old one held is gone.
    disconnect(contextGoing_);
    device_.reset();
    textures_.forget();
    contextGoing_ = connect(
        context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { releaseDevice(); }, Qt::DirectConnection);
    auto made = GlDevice::create();
    if (made) {
        device_ = std::move(*made);
        failure_.clear();
    } else {
        failure_ = made.error();
        if (onFailure) onFailure(failure_);
    }
}

void GlSurface::releaseDevice() {
    if (!device_) return;
    makeCurrent();
    device_.reset();
    textures_.forget();
    doneCurrent();
}

void GlSurface::paintGL() {
    // The framebuffer's own size: the widget's in device pixels.
    const QSize framebuffer = size() * devicePixelRatioF();
    QOpenGLFunctions* gl = context()->functions();
    const QColor background = QColor::fromRgb(scene_.background);
    gl->glDisable(GL_SCISSOR_TEST);
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl->glClearColor(background.redF(), background.greenF(), background.blueF(), 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    if (!device_ || !scene_.document) return;
    const QSize drawn = drawnSize(framebuffer, scene_.maxViewport);
    device_->resize(drawn.width(), drawn.height(), framebuffer.height());
    drawn_ = {device_->width(), device_->height()};
    drawScene(*device_, scene_, textures_.refresh(*device_, scene_.document->textureSlots()));
}

QImage GlSurface::picture() {
    if (!device_ || !scene_.document) return {};
    const QImage frame = grabFramebuffer();  // paints again
    if (frame.isNull() || !device_) return {};
    QImage image = frame.copy(0, 0, drawn_.width(), drawn_.height()).convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    return image;
}

}  // namespace kestrel::ui
