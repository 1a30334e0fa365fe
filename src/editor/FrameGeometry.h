// Geometry shared by the crop frame and the marker's drag frame: the corner
// zones, the square drawn from an anchor, and the frame's painted marks.
#pragma once

#include <array>

#include "editor/EditorModel.h"

namespace pictorel {

// Width of the corner zones that start a resize instead of a move.
inline constexpr int kCornerZone = 8;

// The pointer a frame asks for; the window maps it to its platform cursor.
enum class FrameCursor { Default, SizeNWSE, SizeNESW };

// What a press at (x, y), relative to the frame, starts: a resize from the
// opposite corner (anchor in the frame's parent coordinates) or a move
// (anchor = the grab point). The four corner tests run bottom-right,
// top-left, top-right, bottom-left; the first that holds wins.
struct FrameGrab {
    bool resize = false;
    Point anchor;
};
FrameGrab GrabFrame(const Bounds& frame, int x, int y);

// The square that grows from `anchor` into the quadrant of `pointer`: its
// side is the larger distance, so the pointer lies on one of its edges.
Bounds SquareFromAnchor(Point anchor, Point pointer);

// A drag in progress on a frame: nothing, a resize from an anchor corner, or
// a move that keeps the grab point under the pointer.
struct FrameDrag {
    bool resizing = false;
    bool moving = false;
    Point anchor;
    bool Active() const { return resizing || moving; }
};

// One pointer move of a drag, (x, y) relative to the frame; false when no
// drag is in progress.
bool DragFrame(Bounds& frame, const FrameDrag& drag, int x, int y);

// Cursor over a frame at (x, y) relative to it while no button is held.
FrameCursor HoverCursor(const Bounds& frame, int x, int y);

// The marks painted over a frame's red outline with the red pen: a centre
// cross (two lines drawn from `from` towards `to`, as a line-to does) and
// four filled 8 x 8 corner handles, right and bottom edges exclusive.
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
