#include "ui/window/input_hold.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kestrel::ui {

namespace {

// Often enough to repaint and to hear Escape, seldom enough to cost the job nothing.
constexpr std::chrono::milliseconds kEventInterval{100};

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::Drop:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

InputHold::InputHold(std::function<void()> onEscape)
    : onEscape_(std::move(onEscape)), last_(std::chrono::steady_clock::now()) {
    qApp->installEventFilter(this);
}

InputHold::~InputHold() { qApp->removeEventFilter(this); }

void InputHold::pump() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < kEventInterval) return;
    last_ = now;
    QApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool InputHold::eventFilter(QObject* watched, QEvent* event) {
    if (!isUserInput(event->type())) return QObject::eventFilter(watched, event);
    // A dialog the job opened (an About box, the comms error) takes its input as usual, and
    // so does the job's own Cancel.
    if (watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && (modal == widget || modal->isAncestorOf(widget))) return false;
        if (!modal && allowed_ && (allowed_ == widget || allowed_->isAncestorOf(widget))) return false;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && onEscape_)
        onEscape_();
    if (event->type() == QEvent::Close) event->ignore();
    return true;
}

}  // namespace kestrel::ui
