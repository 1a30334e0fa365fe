// The mosaic tool's pointer and key rules, between the editor model and its
// window, in the crop frame's manner: on the work view a press away from
// every mosaic rectangle draws a new one (any proportions: faces, name
// plates and number plates are not square), a press on one moves it or, in
// a corner zone, resizes it from the opposite corner; the arrow keys move the
// selected rectangle one pixel per step and Shift+arrows size it (Right and
// Down grow, Left and Up shrink). A change reaches the model when the button
// or the keys are released. Pointer positions are work-view pixels,
// converted by the window once, as the event arrives.
#pragma once

#include <cstddef>
#include <optional>

#include "editor/EditorModel.h"
#include "editor/FrameGeometry.h"

namespace pictorel {

class MosaicTool {
  public:
    explicit MosaicTool(EditorModel& model) : model_(model) {}

    void BeginDrag(Point pointer);
    // Without a drag in progress only sets the hover cursor.
    void DragTo(Point pointer);
    // Adds the drawn rectangle (a click without a move adds none) or moves
    // the dragged one.
    void EndDrag();

    void NudgeBy(int dx, int dy);
    void ResizeBy(int dw, int dh);
    // Any key released: hands the keys' change to the model.
    void KeysReleased();
    // Removes the selected rectangle (Delete).
    void RemoveSelected();

    // Drops a drag or key change left half done, as a new picture opens.
    void Reset();

    // The rectangle being drawn, dragged or keyed, not yet in the model.
    const std::optional<Rect>& Pending() const { return pending_; }
    // The rectangle the keys act on (the last drawn or grabbed one), if it
    // still exists.
    std::optional<std::size_t> Selected() const;
    FrameCursor Cursor() const { return cursor_; }

  private:
    // The newest rectangle under the pointer, edges included.
    std::optional<std::size_t> RectangleAt(Point pointer) const;
    Rect KeyedRectangle() const;

    EditorModel& model_;
    FrameDrag drag_;
    // The rectangle a drag moves; none while drawing a new one.
    std::optional<std::size_t> dragged_;
    std::optional<std::size_t> selected_;
    std::optional<Rect> pending_;
    FrameCursor cursor_ = FrameCursor::Default;
};

}  // namespace pictorel
