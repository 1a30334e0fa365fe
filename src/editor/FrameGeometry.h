// Geometry shared by the crop frame and the marker's drag frame: the corner
// zones, the square drawn from an anchor, and the frame's painted marks.
// Pointer positions are in the coordinates of the frame's view (work-view
// pixels for the crop frame, result pixels for the marker), like the frame.
#pragma once

#include <array>
#include <optional>

#include "imaging/Geometry.h"

namespace pictorel {

// Width of the corner zones that start a resize instead of a move.
inline constexpr int kCornerZone = 8;

// The pointer a frame asks for; the window maps it to its platform cursor.
enum class FrameCursor { Default, SizeNWSE, SizeNESW };

// What a press at `pointer` on the frame starts: a resize from the opposite
// corner (anchor = that corner) or a move (anchor = the grab point relative
// to the frame's top-left). The four corner tests run bottom-right, top-left,
// top-right, bottom-left; the first that holds wins.
struct FrameGrab {
    bool resize = false;
    Point anchor;
};
FrameGrab GrabFrame(const Rect& frame, Point pointer);

// The square that grows from `anchor` into the quadrant of `pointer`: its
// side is the larger distance, so the pointer lies on one of its edges.
Rect SquareFromAnchor(Point anchor, Point pointer);

// A drag in progress on a frame: nothing, a resize from an anchor corner, or
// a move that keeps the grab point under the pointer.
struct FrameDrag {
    bool resizing = false;
    bool moving = false;
    Point anchor;
    bool Active() const { return resizing || moving; }
};

// Starts the drag a press at `pointer` on `frame` begins.
FrameDrag StartFrameDrag(const Rect& frame, Point pointer);

// The frame after one pointer move of `drag`; nothing when no drag is in
// progress.
std::optional<Rect> DraggedFrame(const Rect& frame, const FrameDrag& drag, Point pointer);

// Cursor over a frame at `pointer` while no button is held.
FrameCursor HoverCursor(const Rect& frame, Point pointer);

// The marks painted over a frame's red outline with the red pen, relative to
// the frame: a centre cross (two lines drawn from `from` towards `to`, as a
// line-to does) and four filled 8 x 8 corner handles.
struct FrameLine {
    Point from;
    Point to;
};
struct FrameMarks {
    std::array<FrameLine, 2> cross;
    std::array<Rect, 4> handles;
};
FrameMarks FramePaintMarks(int width, int height);

}  // namespace pictorel
