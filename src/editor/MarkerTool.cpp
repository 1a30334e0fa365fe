#include "editor/MarkerTool.h"

namespace pictorel {

void MarkerTool::PointerOverMarker() {
    if (!model_.MarkerShown()) return;
    frame_ = model_.Marker();
    frameShown_ = true;
}

void MarkerTool::PointerOverResult() {
    frameShown_ = false;
}

void MarkerTool::BeginDrag(Point pointer) {
    drag_ = StartFrameDrag(frame_, pointer);
}

void MarkerTool::DragTo(Point pointer) {
    cursor_ = FrameCursor::Default;
    if (const auto dragged = DraggedFrame(frame_, drag_, pointer)) {
        frame_ = *dragged;
        return;
    }
    cursor_ = HoverCursor(frame_, pointer);
    // The frame's edges count as over it: the pointer leaves past them.
    const Point at = frame_.Relative(pointer);
    if (at.x < 0 || at.x > frame_.Width() || at.y < 0 || at.y > frame_.Height())
        frameShown_ = false;
}

void MarkerTool::EndDrag() {
    cursor_ = FrameCursor::Default;
    drag_ = FrameDrag();
    model_.SetMarkerBounds(frame_);
    frameShown_ = false;
}

}  // namespace pictorel
