// Straight edges of a picture: a line-segment detector after the published
// region-growing method (gradient level lines grown into thin rectangles),
// portable so that it builds for WebAssembly as well (the reduction to grey
// splits its rows over the cores where threads can start).
#pragma once

#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/Geometry.h"

namespace pictorel {

// A grey picture of floating-point levels 0 .. 255, row after row.
struct GreyPicture {
    int width = 0;
    int height = 0;
    std::vector<float> levels;
};

// The mean grey of each `factor` x `factor` block of `area` of a 24-bit
// picture (the rest of a block past the area's edge is left out).
// Throws AssertionFailure for another layout, an area outside the picture
// or a factor below 1.
GreyPicture ReducedGrey(const Bitmap& picture, const Rect& area, int factor);

// A detected segment, in the grey picture's continuous coordinates (pixel
// (i, j) covers [i, i + 1) x [j, j + 1)). `length` is the distance between
// the ends; the direction is known to a fraction of a degree for long ones.
struct LineSegment {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    double length = 0;
};

struct SegmentOptions {
    // Shortest segment kept, in pixels of the grey picture.
    double minLength = 12;
    // Levels that make an edge: weaker gradients are noise.
    double minGradient = 5.2;
};

// The straight edges of `grey`, longest first.
std::vector<LineSegment> DetectLineSegments(const GreyPicture& grey,
                                            const SegmentOptions& options = {});

}  // namespace pictorel
