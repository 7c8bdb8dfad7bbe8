#pragma once
// One of the window's four edit panes: its camera and switches (the scene), the surface that
// draws them and the mouse tools that work in it. A click in the pane makes it the window's
// active pane, which the view commands act on; the pointer's events go to the tools.
#include <QPoint>
#include <QWidget>
#include <optional>
#include <string>

#include "tools/view_tools.h"
#include "ui/pane_surface.h"

namespace kestrel::ui {

class ViewPane final : public QWidget {
    Q_OBJECT
public:
    ViewPane(app::Document& document, tools::ToolWord& toolWord, const render::EditView& view, bool openGl,
             QWidget* parent = nullptr);
    ~ViewPane() override;

    PaneScene& scene() { return scene_; }
    render::EditView& view() { return scene_.view; }
    PaneSurface& surface() { return *surface_; }
    void setActive(bool active);
    bool isActive() const { return scene_.active; }
    void redraw() { surface_->redraw(); }
    // Draws in software from now on: the OpenGL device could not be made. Says why once.
    void fallBackToSoftware(const std::string& why);
    // The size the pane draws at, in the screen's pixels, which the camera centres on.
    QSize clientSize() const { return drawnSize(size() * devicePixelRatioF(), scene_.maxViewport); }
    // "Scale view to fit" on the document's model, now when the pane is on screen, else as
    // soon as it gets its size. With a margin the model fills nine tenths of the pane.
    void scaleToFit(bool margin = false);

    tools::ViewTools& tools() { return tools_; }

Q_SIGNALS:
    void activated(ViewPane* pane);
    void deviceChanged(ViewPane* pane, const QString& why);
    // What the tool dragging in the pane has to say (an angle), for the Info bar.
    void toolInfo(const QString& text);
    // Delete was pressed in the pane.
    void deletePressed();
    // Escape was pressed in the pane (a drag in progress has been cancelled first).
    void escapePressed();
    // A double click with the left button, at this place on the screen.
    void doubleClicked(ViewPane* pane, const QPoint& global);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setSurface(PaneSurface* surface);
    tools::ViewTarget target();
    // After a tool event: the overlay to draw, the Info bar's text, a repaint when asked.
    void afterTool(bool repaint);

    PaneScene scene_;
    tools::ViewTools tools_;
    std::string shownInfo_;  // the tool's text last given to the Info bar
    bool fitPending_ = false, fitMargin_ = false;
    PaneSurface* surface_ = nullptr;    // a child widget, deleted before the scene it draws
    QWidget* surfaceWidget_ = nullptr;  // the same, as the widget whose clicks activate the pane
};

}  // namespace kestrel::ui
