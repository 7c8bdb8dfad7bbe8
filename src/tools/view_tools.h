#pragma once
// The edit view's mouse tools as one object per view: fed the pointer's presses, moves and
// releases in the view's pixels with the Shift key, it changes the document through its
// commands (a drag is one undo step) and the view's camera, and says what to draw over the
// view while a drag lasts. The window's panes only pass their events on and draw the overlay.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/document.h"
#include "render/edit_view.h"
#include "tools/tool_word.h"

namespace kestrel::tools {

struct Pointer {
    double x = 0, y = 0;
    bool shift = false;
};

// Lines in the view's pixels, drawn over the model while a drag lasts, and the text the Info
// bar shows for it (a measured or turned angle).
using render::OverlayLine;
struct Overlay {
    std::vector<OverlayLine> lines;
    std::string info;
};

// What a tool event acts on besides the document: the view's camera and switches, its client
// size in pixels, and the texture the project window has selected (for UV edit mode).
struct ViewTarget {
    render::EditView& view;
    int width = 0, height = 0;
    int selectedTexture = -1;
    model::ViewProjection projection() const { return view.projection(width, height); }
};

// "Angle=%lfdeg, %lfrad" of an angle in radians, the degrees as the share of fullTurn (the
// joint drags count their angle in the single-precision 2pi; a measured line is exact).
std::string angleText(double radians, double fullTurn);

class ViewTools {
public:
    ViewTools(app::Document& document, ToolWord& word) : document_(document), word_(word) {}
    ViewTools(const ViewTools&) = delete;
    ViewTools& operator=(const ViewTools&) = delete;

    // Each returns whether the view must be drawn again.
    bool leftPress(ViewTarget target, Pointer at);
    bool leftRelease(ViewTarget target, Pointer at);
    // The right button turns the camera; the middle button pans it.
    bool rightPress(ViewTarget target, Pointer at);
    bool rightRelease(ViewTarget target, Pointer at);
    bool middlePress(ViewTarget target, Pointer at);
    bool middleRelease(ViewTarget target, Pointer at);
    // The pointer moved, with or without a button held.
    bool move(ViewTarget target, Pointer at);
    // The wheel: notches away from the user zoom in about the pointer.
    bool wheel(ViewTarget target, Pointer at, double notches);
    // Escape: ends the drag in progress and puts back the document and camera as they were
    // before it; no undo step is left behind. False when no drag was in progress.
    bool cancel(ViewTarget target);

    bool dragging() const { return drag_ != Drag::None; }
    const Overlay& overlay() const { return overlay_; }

private:
    enum class Drag {
        None,
        RubberBand,
        UvRubberBand,
        ZoomArea,
        MeasureAngle,
        VertexTool,
        UvMove,
        Zoom,
        Pan,
        Turn,
        MiddlePan,
        MakeBone,
        MoveJoint,
        JointAngle,
    };
    bool pressPick(ViewTarget& target, const Pointer& at);
    // The right and middle buttons' camera drags: no repaint until the pointer moves.
    bool startCameraDrag(ViewTarget& target, const Pointer& at, Drag kind);
    bool endCameraDrag(Drag kind);
    bool pressJointTool(ViewTarget& target, const Pointer& at);
    void startEdit(const char* name);
    void updateOverlay(const ViewTarget& target, const Pointer& at);
    bool finish(ViewTarget& target, const Pointer& at);
    bool uvMode(const ViewTarget& target) const;

    app::Document& document_;
    ToolWord& word_;
    Drag drag_ = Drag::None;
    double pressX_ = 0, pressY_ = 0, lastX_ = 0, lastY_ = 0;
    render::EditView viewBefore_;  // the camera at the press, for Escape
    bool stepOpen_ = false;
    // Make Bone and the joint tools.
    std::optional<int> startJoint_;
    model::ModelVertex startPoint_{};
    int joint_ = -1;
    model::ModelVertex jointStart_{}, pivot_{};
    bool shiftAtPress_ = false;
    double angle_ = 0, fractionU_ = 0, fractionV_ = 0;
    Overlay overlay_;
};

}  // namespace kestrel::tools
