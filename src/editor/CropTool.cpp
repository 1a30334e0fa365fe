#include "editor/CropTool.h"

#include <cstdlib>

namespace pictorel {

namespace {

// Key limits of the frame's side.
constexpr int kKeyMinSide = 20;
constexpr int kKeyMaxSide = 400;

}  // namespace

void CropTool::BeginDraw(int x, int y) {
    if (model_.Busy) return;
    model_.CropFrameShown = false;
    drag_.anchor = {x, y};
    model_.CropFrame = {x, y, 0, 0};
    drag_.resizing = true;
}

void CropTool::DrawTo(int x, int y) {
    if (model_.Busy || !drag_.resizing) return;
    model_.CropFrameShown = true;
    model_.CropFrame = SquareFromAnchor(drag_.anchor, {x, y});
}

void CropTool::EndDraw() {
    if (model_.Busy) return;
    const bool render = drag_.resizing && model_.Scale != 0;
    drag_.resizing = false;
    if (render) model_.RenderResult();
}

void CropTool::BeginDrag(int x, int y) {
    if (model_.Busy) return;
    const FrameGrab grab = GrabFrame(model_.CropFrame, x, y);
    drag_.anchor = grab.anchor;
    (grab.resize ? drag_.resizing : drag_.moving) = true;
}

void CropTool::DragTo(int x, int y) {
    cursor_ = FrameCursor::Default;
    if (model_.Busy) return;
    if (!DragFrame(model_.CropFrame, drag_, x, y)) cursor_ = HoverCursor(model_.CropFrame, x, y);
}

void CropTool::EndDrag() {
    cursor_ = FrameCursor::Default;
    if (model_.Busy) return;
    const bool render = drag_.Active() && model_.Scale != 0;
    drag_.moving = false;
    drag_.resizing = false;
    if (render) model_.RenderResult();
}

bool CropTool::Step(int dx, int dy) {
    Bounds& f = model_.CropFrame;
    if (!model_.CropFrameShown) return false;
    if (dx < 0 && f.left - 1 + f.width <= 0) return false;
    if (dx > 0 && f.left + 1 >= kViewSide) return false;
    if (dy < 0 && f.top - 1 + f.height <= 0) return false;
    if (dy > 0 && f.top + 1 >= kViewSide) return false;
    f.left += dx;
    f.top += dy;
    keyMoved_ = true;
    return true;
}

void CropTool::NudgeBy(int dx, int dy) {
    // One pixel at a time, as a held key repeats; a refused step stays
    // refused, so the rest can be skipped.
    for (long long i = std::llabs(dx); i > 0 && Step(dx < 0 ? -1 : 1, 0); --i) {
    }
    for (long long i = std::llabs(dy); i > 0 && Step(0, dy < 0 ? -1 : 1); --i) {
    }
}

void CropTool::ResizeBy(int delta) {
    Bounds& f = model_.CropFrame;
    for (long long i = std::llabs(delta); i > 0 && model_.CropFrameShown; --i) {
        if (delta > 0 ? f.width >= kKeyMaxSide : f.width <= kKeyMinSide) return;
        f.width += delta > 0 ? 1 : -1;
        f.height = f.width;
        keyMoved_ = true;
    }
}

void CropTool::KeysReleased() {
    if (!keyMoved_) return;
    keyMoved_ = false;
    model_.RenderResult();
}

}  // namespace pictorel
