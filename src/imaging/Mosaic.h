// The privacy mosaic: a rectangle of a picture replaced by coarse blocks of
// one colour each, so that faces and lettering under it cannot be read back.
#pragma once

#include <vector>

#include "imaging/Bitmap.h"

namespace pictorel {

// Smallest block side: 8 pixels, and an eighth of the rectangle's shorter
// side (rounded up), so that a large sign still gets only a few blocks
// across its lettering.
int MosaicBlockSide(int width, int height);

// The blocks that cover `area` exactly, row by row: as many per row and per
// column as the block side fits (at least one), the area's width and height
// shared out evenly, so every block is at least the block side in both
// directions (unless the area itself is smaller) and none is a thin strip
// that would give a narrow slice of the picture away.
std::vector<Rect> MosaicBlocks(const Rect& area);

// Replaces each block of `area` (clipped to the picture) by the mean colour
// of its pixels; pixels outside it are untouched. A picture of another
// layout is first made 24-bit.
void ApplyMosaic(Bitmap& picture, const Rect& area);

}  // namespace pictorel
