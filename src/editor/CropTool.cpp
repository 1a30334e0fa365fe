#include "editor/CropTool.h"

#include <cstdlib>

namespace pictorel {

void CropTool::BeginDraw(Point pointer) {
    CropFrame frame = model_.Crop();
    frame.StartAt(pointer);
    model_.SetCropFrame(frame);
    drag_ = FrameDrag{.resizing = true, .moving = false, .anchor = pointer};
}

void CropTool::DrawTo(Point pointer) {
    if (!drag_.resizing) return;
    CropFrame frame = model_.Crop();
    frame.Show(SquareFromAnchor(drag_.anchor, pointer));
    model_.SetCropFrame(frame);
}

void CropTool::EndDraw() {
    const bool render = drag_.resizing && model_.Scale() != 0;
    drag_.resizing = false;
    if (render) model_.RenderResult();
}

void CropTool::BeginDrag(Point pointer) {
    drag_ = StartFrameDrag(model_.Crop().Area(), pointer);
}

void CropTool::DragTo(Point pointer) {
    CropFrame frame = model_.Crop();
    if (const auto dragged = DraggedFrame(frame.Area(), drag_, pointer)) {
        cursor_ = FrameCursor::Default;
        frame.Place(*dragged);
        model_.SetCropFrame(frame);
    } else {
        cursor_ = HoverCursor(frame.Area(), pointer);
    }
}

void CropTool::EndDrag() {
    cursor_ = FrameCursor::Default;
    const bool render = drag_.Active() && model_.Scale() != 0;
    drag_ = FrameDrag();
    if (render) model_.RenderResult();
}

void CropTool::NudgeBy(int dx, int dy) {
    // One pixel at a time, as a held key repeats; a refused step stays
    // refused, so the rest can be skipped.
    CropFrame frame = model_.Crop();
    bool moved = false;
    for (long long i = std::llabs(dx); i > 0 && frame.Step(dx < 0 ? -1 : 1, 0); --i) moved = true;
    for (long long i = std::llabs(dy); i > 0 && frame.Step(0, dy < 0 ? -1 : 1); --i) moved = true;
    if (!moved) return;
    model_.SetCropFrame(frame);
    keyMoved_ = true;
}

void CropTool::ResizeBy(int delta) {
    CropFrame frame = model_.Crop();
    bool resized = false;
    for (long long i = std::llabs(delta); i > 0 && frame.StepSide(delta > 0 ? 1 : -1); --i)
        resized = true;
    if (!resized) return;
    model_.SetCropFrame(frame);
    keyMoved_ = true;
}

void CropTool::KeysReleased() {
    if (!keyMoved_) return;
    keyMoved_ = false;
    model_.RenderResult();
}

}  // namespace pictorel
