#include "editor/MarkerTool.h"

namespace pictorel {

void MarkerTool::PointerOverMarker() {
    if (!model_.MarkerShown) return;
    frame_ = model_.Marker;
    frameShown_ = true;
}

void MarkerTool::PointerOverResult() {
    frameShown_ = false;
}

void MarkerTool::BeginDrag(int x, int y) {
    if (model_.Busy) return;
    const FrameGrab grab = GrabFrame(frame_, x, y);
    drag_.anchor = grab.anchor;
    (grab.resize ? drag_.resizing : drag_.moving) = true;
}

void MarkerTool::DragTo(int x, int y) {
    cursor_ = FrameCursor::Default;
    if (model_.Busy || DragFrame(frame_, drag_, x, y)) return;
    cursor_ = HoverCursor(frame_, x, y);
    if (x < 0 || x > frame_.width || y < 0 || y > frame_.height) frameShown_ = false;
}

void MarkerTool::EndDrag() {
    cursor_ = FrameCursor::Default;
    if (model_.Busy) return;
    drag_.resizing = false;
    drag_.moving = false;
    model_.SetMarkerBounds(frame_);
    model_.DrawMarker();
    frameShown_ = false;
}

}  // namespace pictorel
