// The crop frame's pointer and key rules, between the editor model and its
// window: drawing a new frame on the work view, moving or resizing it by its
// body or corners, and the arrow keys. Every finished change re-renders the
// model's result. Pointer positions are work-view pixels, wherever the
// pointer is (over the view, over the frame or outside both while a button
// is held): the window converts them once, as the event arrives.
#pragma once

#include "editor/EditorModel.h"
#include "editor/FrameGeometry.h"

namespace pictorel {

class CropTool {
  public:
    explicit CropTool(EditorModel& model) : model_(model) {}

    // A press on the work view starts a new frame there; the old one is
    // hidden. Moving grows a square from that point; the release renders the
    // cut (a click without a move shows the whole view again).
    void BeginDraw(Point pointer);
    void DrawTo(Point pointer);
    void EndDraw();

    // A press on the frame: in a corner zone it resizes from the opposite
    // corner, elsewhere it moves the frame. DragTo without a drag in
    // progress only sets the hover cursor.
    void BeginDrag(Point pointer);
    void DragTo(Point pointer);
    void EndDrag();

    // Arrow keys move a shown frame one pixel per step and stop where a
    // single row or column of it would still lie over the view.
    void NudgeBy(int dx, int dy);
    // Shift+arrows grow or shrink a shown frame's side one pixel per step,
    // between 20 and 400.
    void ResizeBy(int delta);
    // Any key released: re-renders once if keys changed the frame.
    void KeysReleased();

    // Drops a drag or key change left half done, as a new picture opens.
    void Reset() {
        drag_ = FrameDrag();
        keyMoved_ = false;
        cursor_ = FrameCursor::Default;
    }

    const FrameDrag& Drag() const { return drag_; }
    FrameCursor Cursor() const { return cursor_; }
    // Keys changed the frame since the last render.
    bool KeyMoved() const { return keyMoved_; }

  private:
    EditorModel& model_;
    FrameDrag drag_;
    bool keyMoved_ = false;
    FrameCursor cursor_ = FrameCursor::Default;
};

}  // namespace pictorel
