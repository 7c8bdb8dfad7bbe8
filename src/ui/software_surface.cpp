#include "ui/software_surface.h"

#include <QPainter>

namespace kestrel::ui {

SoftwareSurface::SoftwareSurface(const PaneScene& scene, QWidget* parent) : QWidget(parent), scene_(scene) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(32, 32);
}

void SoftwareSurface::render() {
    const QSize size = drawnSize(this->size(), scene_.maxViewport);
    if (!device_ || device_->width() != size.width() || device_->height() != size.height()) {
        device_ = std::make_unique<render::SoftwareDevice>(size.width(), size.height());
        textures_.forget();
    }
    drawScene(*device_, scene_, textures_.refresh(*device_, scene_.document->textureSlots()));
    const auto& pixels = device_->pixels();
    // The device's 0xAARRGGBB words are the image's 32-bit pixels as they stand.
    picture_ = QImage(reinterpret_cast<const uchar*>(pixels.data()), device_->width(), device_->height(),
                      device_->width() * 4, QImage::Format_RGB32)
                   .copy();
}

QImage SoftwareSurface::picture() { return picture_; }

void SoftwareSurface::paintEvent(QPaintEvent*) {
    // A window uncovered shows the picture already drawn; a change or a new size draws anew.
    if (stale_ || picture_.size() != drawnSize(size(), scene_.maxViewport)) render();
    stale_ = false;
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    const QColor background = QColor::fromRgb(scene_.background);
    if (picture_.width() < width()) painter.fillRect(picture_.width(), 0, width() - picture_.width(), height(), background);
    if (picture_.height() < height()) painter.fillRect(0, picture_.height(), picture_.width(), height() - picture_.height(), background);
}

}  // namespace kestrel::ui
