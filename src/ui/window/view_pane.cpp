#include "ui/window/view_pane.h"

#include <QEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "ui/gl_surface.h"
#include "ui/software_surface.h"

namespace kestrel::ui {

ViewPane::ViewPane(app::Document& document, const render::EditView& view, bool openGl, QWidget* parent)
    : QWidget(parent) {
    scene_.document = &document;
    scene_.view = view;
    (new QVBoxLayout(this))->setContentsMargins(0, 0, 0, 0);
    if (!openGl) {
        setSurface(new SoftwareSurface(scene_, this));
        return;
    }
    auto* gl = new GlSurface(scene_, this);
    // The device is made while the widget is being painted: change surfaces after that.
    gl->onFailure = [this](const std::string& why) {
        QMetaObject::invokeMethod(this, [this, why] { fallBackToSoftware(why); }, Qt::QueuedConnection);
    };
    setSurface(gl);
}

void ViewPane::setSurface(PaneSurface* surface) {
    surface_ = surface;
    surfaceWidget_ = surface->widget();
    layout()->addWidget(surfaceWidget_);
    surfaceWidget_->installEventFilter(this);
    surfaceWidget_->setFocusPolicy(Qt::ClickFocus);
}

void ViewPane::fallBackToSoftware(const std::string& why) {
    if (dynamic_cast<SoftwareSurface*>(surface_)) return;
    surfaceWidget_->removeEventFilter(this);
    surfaceWidget_->hide();
    surfaceWidget_->deleteLater();
    setSurface(new SoftwareSurface(scene_, this));
    surfaceWidget_->show();
    Q_EMIT deviceChanged(this, QString::fromStdString(why));
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
    if (watched != surfaceWidget_) return QWidget::eventFilter(watched, event);
    // Any press makes the pane active; a drag with the right button held turns its camera.
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            Q_EMIT activated(this);
            if (mouse->button() == Qt::RightButton) turning_ = mouse->position().toPoint();
            break;
        case QEvent::MouseMove:
            if (turning_ && (mouse->buttons() & Qt::RightButton)) {
                const QPoint at = mouse->position().toPoint(), moved = at - *turning_;
                turning_ = at;
                scene_.view.dragTurn(moved.x(), moved.y());
                redraw();
            }
            break;
        case QEvent::MouseButtonRelease:
            if (mouse->button() == Qt::RightButton) turning_.reset();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kestrel::ui
