#include "ui/window/view_pane.h"

#include <QEvent>
#include <QVBoxLayout>

#include "ui/gl_surface.h"
#include "ui/software_surface.h"

namespace kestrel::ui {

ViewPane::ViewPane(app::Document& document, const render::EditView& view, bool openGl, QWidget* parent)
    : QWidget(parent) {
    scene_.document = &document;
    scene_.view = view;
    if (openGl)
        surface_ = new GlSurface(scene_, this);
    else
        surface_ = new SoftwareSurface(scene_, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    surfaceWidget_ = surface_->widget();
    layout->addWidget(surfaceWidget_);
    surfaceWidget_->installEventFilter(this);
    surfaceWidget_->setFocusPolicy(Qt::ClickFocus);
}

ViewPane::~ViewPane() {
    surfaceWidget_->removeEventFilter(this);
    delete surfaceWidget_;
}

void ViewPane::setActive(bool active) {
    if (scene_.active == active) return;
    scene_.active = active;
    redraw();
}

void ViewPane::scaleToFit(bool margin) {
    if (!isVisible()) {
        fitPending_ = true;
        fitMargin_ = margin;
        return;
    }
    const QSize client = clientSize();
    render::EditView& view = scene_.view;
    view.scaleToFit(scene_.document->model(), client.width(), client.height());
    if (margin) {
        // Zooming out about the pane's centre moves the model's centre in with it.
        constexpr double kShare = 0.9;
        view.scale *= kShare;
        view.panX = static_cast<int>(view.panX * kShare);
        view.panY = static_cast<int>(view.panY * kShare);
    }
    redraw();
}

void ViewPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitPending_ && isVisible()) {
        fitPending_ = false;
        scaleToFit(fitMargin_);
    }
}

bool ViewPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == surfaceWidget_ && event->type() == QEvent::MouseButtonPress) Q_EMIT activated(this);
    return QWidget::eventFilter(watched, event);
}

}  // namespace kestrel::ui
