#include "ui/window/view_pane.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "ui/gl_surface.h"
#include "ui/software_surface.h"

namespace kestrel::ui {

ViewPane::ViewPane(app::Document& document, tools::ToolWord& toolWord, const render::EditView& view, bool openGl,
                   QWidget* parent)
    : QWidget(parent), tools_(document, toolWord) {
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
        QMetaObject::invokeMethod(
            this, [this, why] { fallBackToSoftware(why); }, Qt::QueuedConnection);
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
    view.scaleToFit(scene_.document->model(), client.width(), client.height(),
                    margin ? render::EditView::Fit::Margin : render::EditView::Fit::Edge);
    redraw();
}

void ViewPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fitPending_ && isVisible()) {
        fitPending_ = false;
        scaleToFit(fitMargin_);
    }
}

tools::ViewTarget ViewPane::target() {
    const QSize client = clientSize();
    return {scene_.view, client.width(), client.height(), scene_.selectedTexture};
}

void ViewPane::afterTool(bool repaint) {
    const tools::Overlay& overlay = tools_.overlay();
    if (overlay.lines != scene_.overlay) {
        scene_.overlay = overlay.lines;
        repaint = true;
    }
    if (overlay.info != shownInfo_) {
        shownInfo_ = overlay.info;
        if (!shownInfo_.empty()) Q_EMIT toolInfo(QString::fromStdString(shownInfo_));
    }
    if (repaint) redraw();
}

bool ViewPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched != surfaceWidget_) return QWidget::eventFilter(watched, event);
    // Positions in the pixels the pane draws in, which may be finer than the widget's.
    const double ratio = devicePixelRatioF();
    const auto pointer = [ratio](const QSinglePointEvent* e) {
        return tools::Pointer{e->position().x() * ratio, e->position().y() * ratio,
                              (e->modifiers() & Qt::ShiftModifier) != 0};
    };
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            Q_EMIT activated(this);
            // The motion-speed graph shows no model for the tools to work on.
            if (view().mode == render::DisplayMode::MovementTimeline) return true;
            if (mouse->button() == Qt::LeftButton) afterTool(tools_.leftPress(target(), pointer(mouse)));
            if (mouse->button() == Qt::RightButton) afterTool(tools_.rightPress(target(), pointer(mouse)));
            if (mouse->button() == Qt::MiddleButton) afterTool(tools_.middlePress(target(), pointer(mouse)));
            return true;
        }
        case QEvent::MouseMove:
            afterTool(tools_.move(target(), pointer(static_cast<QMouseEvent*>(event))));
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) afterTool(tools_.leftRelease(target(), pointer(mouse)));
            if (mouse->button() == Qt::RightButton) afterTool(tools_.rightRelease(target(), pointer(mouse)));
            if (mouse->button() == Qt::MiddleButton) afterTool(tools_.middleRelease(target(), pointer(mouse)));
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && !tools_.dragging())
                Q_EMIT doubleClicked(this, mouse->globalPosition().toPoint());
            return true;
        }
        case QEvent::Wheel: {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            afterTool(tools_.wheel(target(), pointer(wheel), wheel->angleDelta().y() / 120.0));
            return true;
        }
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape) {
                afterTool(tools_.cancel(target()));
                Q_EMIT escapePressed();
                return true;
            }
            if (key->key() == Qt::Key_Delete && !tools_.dragging()) {
                Q_EMIT deletePressed();
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kestrel::ui
