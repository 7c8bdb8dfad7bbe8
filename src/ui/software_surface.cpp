#include "ui/software_surface.h"

#include <QPainter>

namespace kestrel::ui {

SoftwareSurface::SoftwareSurface(const PaneScene& scene, QWidget* parent) : QWidget(parent), scene_(scene) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(32, 32);
}

void SoftwareSurface::render() {
    const QSize size = pixelSize();
    if (!device_ || device_->width() != size.width() || device_->height() != size.height()) {
        device_ = std::make_unique<render::SoftwareDevice>(size.width(), size.height());
        textures_.forget();
    }
    drawScene(*device_, scene_, textures_.refresh(*device_, scene_.document->textureSlots()));
    const auto& pixels = device_->pixels();
    // The device's 0xAARRGGBB words are the image's 32-bit pixels as they stand; the image
    // reads them where they lie, and is made again with the device.
    picture_ = QImage(reinterpret_cast<const uchar*>(pixels.data()), device_->width(), device_->height(),
                      device_->width() * 4, QImage::Format_RGB32);
}

QImage SoftwareSurface::picture() { return picture_.copy(); }

QSize SoftwareSurface::pixelSize() const { return drawnSize(size() * devicePixelRatioF(), scene_.maxViewport); }

void SoftwareSurface::paintEvent(QPaintEvent*) {
    // A window uncovered shows the picture already drawn; a change or a new size draws anew.
    if (stale_ || picture_.size() != pixelSize()) render();
    stale_ = false;
    // The picture has the screen's pixels; the painter works in the widget's units.
    const qreal ratio = devicePixelRatioF();
    const QRectF shown(0, 0, picture_.width() / ratio, picture_.height() / ratio);
    QPainter painter(this);
    painter.drawImage(shown, picture_);
    const QColor background = QColor::fromRgb(scene_.background);
    if (shown.width() < width())
        painter.fillRect(QRectF(shown.width(), 0, width() - shown.width(), height()), background);
    if (shown.height() < height())
        painter.fillRect(QRectF(0, shown.height(), shown.width(), height() - shown.height()), background);
}

}  // namespace kestrel::ui
