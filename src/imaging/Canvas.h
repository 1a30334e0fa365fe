// Drawing surface over a 24- or 32-bit Bitmap: pen and brush, lines, ellipse
// and a border flood fill. Everything is clipped to the picture.
#pragma once

#include <optional>

#include "imaging/Bitmap.h"

namespace pictorel {

class Canvas {
  public:
    // The target must be 24- or 32-bit and outlive the canvas.
    explicit Canvas(Bitmap& target);

    // Pen for lines and outlines. A pen of width w covers a w x w block per
    // point, so a 2-pixel line is two pixels thick in both directions.
    Color penColor = kBlack;
    int penWidth = 1;
    // Brush for ellipse interiors and flood fills; nothing means a clear brush.
    std::optional<Color> brush = kWhite;

    // The current position, and a line from it to (x, y). As usual for such a
    // surface the end point itself is not drawn; it becomes the new position.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // MoveTo(x0, y0) then LineTo(x1, y1).
    void Line(int x0, int y0, int x1, int y1);

    // Ellipse inscribed in the box whose corner pixels are (left, top) and
    // (right, bottom): centre ((left + right) / 2, (top + bottom) / 2), radii
    // half the box's sides. The interior takes the brush (unless clear), then
    // the pen outline is drawn centred on the ideal curve.
    void Ellipse(int left, int top, int right, int bottom);

    // Fills, with the brush colour, the 4-connected area around (x, y) that is
    // bounded by pixels of the colour `border`. A start pixel of the border
    // colour, a point outside the picture or a clear brush does nothing.
    void FloodFill(int x, int y, Color border);

    // Sets one pixel (clipped).
    void Plot(int x, int y, Color c);

  private:
    void PenDot(int x, int y);

    Bitmap& bitmap_;
    int curX_ = 0;
    int curY_ = 0;
};

}  // namespace pictorel
