// The marker's pointer rules, between the editor model and its window: a
// drag frame appears when the pointer comes over a shown marker, and moves
// or resizes the marker; the release redraws the marker at its new place.
// Pointer positions are result pixels, converted by the window as the event
// arrives.
#pragma once

#include "editor/EditorModel.h"
#include "editor/FrameGeometry.h"

namespace pictorel {

class MarkerTool {
  public:
    explicit MarkerTool(EditorModel& model) : model_(model) {}

    // The pointer came over the marker: a shown marker gets its drag frame.
    void PointerOverMarker();
    // The pointer came over the rest of the result: the drag frame goes.
    void PointerOverResult();

    // A press on the drag frame: a corner zone resizes from the opposite
    // corner, elsewhere it moves. DragTo without a drag sets the hover cursor
    // and hides the frame once the pointer has left it.
    void BeginDrag(Point pointer);
    void DragTo(Point pointer);
    void EndDrag();

    // Drops a drag left half done and hides the frame, as a new picture
    // opens; the frame keeps its place.
    void Reset() {
        drag_ = FrameDrag();
        frameShown_ = false;
        cursor_ = FrameCursor::Default;
    }

    const Rect& Frame() const { return frame_; }
    bool FrameShown() const { return frameShown_; }
    const FrameDrag& Drag() const { return drag_; }
    FrameCursor Cursor() const { return cursor_; }

  private:
    EditorModel& model_;
    Rect frame_ = Rect::At(167, 103, 65, 65);
    bool frameShown_ = false;
    FrameDrag drag_;
    FrameCursor cursor_ = FrameCursor::Default;
};

}  // namespace pictorel
