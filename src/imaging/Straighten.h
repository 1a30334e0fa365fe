// 垂直補正: measuring how a photo's verticals lean and converge, and the
// correction that makes them upright and parallel, cropped to the largest
// upright rectangle inside. Portable (WebAssembly too); the correction's rows
// are split over the cores where threads can start.
#pragma once

#include <string>
#include <utility>

#include "imaging/Bitmap.h"
#include "imaging/Geometry.h"

namespace pictorel {

// What MeasureLean found. Without enough lines the other figures are 0 and
// the picture is to be left as it is.
struct Lean {
    bool enoughLines = false;
    // How far the picture's content is turned clockwise, in degrees: its
    // verticals (or, without enough of them, its horizontals) lean by this.
    double tiltDegrees = 0;
    // How the verticals converge: (bottom width - top width) / middle width
    // of a band between two of them; positive when they meet above the
    // picture (a camera pointed upwards), 0 when they are parallel.
    double keystone = 0;
    // The segments that agree with the figures above.
    int agreeingLines = 0;
    // Whether the tilt came from horizontal lines (too few verticals).
    bool fromHorizontals = false;
};

// Measures the lean of `area` of the picture (all of it by default) on a
// reduced grey copy of about a thousand pixels.
Lean MeasureLean(const Bitmap& picture);
Lean MeasureLean(const Bitmap& picture, const Rect& area);

// The largest correction applied, whatever was measured, so that a wrong
// measurement cannot ruin a photo: a turn of at most 8 degrees and a
// keystone that moves a corner by at most 15 % of the side along it.
inline constexpr double kMaxTiltDegrees = 8.0;
inline constexpr double kMaxCornerShift = 0.15;

// The correction of a W x H picture for a lean, as a map from the picture's
// continuous coordinates (pixel (i, j) covers [i, i + 1) x [j, j + 1)) to
// the corrected, cropped picture's.
struct StraightenPlan {
    int sourceWidth = 0;
    int sourceHeight = 0;
    double rotation = 0;     // radians, clockwise as shown (y down)
    double perspective = 0;  // 1/pixels: the depth factor is 1 + perspective * y
    // The crop in corrected coordinates (centred on the picture's centre)
    // and the uniform scale that keeps the result within W x H.
    double cropLeft = 0;
    double cropTop = 0;
    double scale = 1;
    int width = 0;
    int height = 0;

    // Where a point of the picture lands in the result.
    std::pair<double, double> ToResult(double x, double y) const;
    // Where a point of the result comes from in the picture.
    std::pair<double, double> ToSource(double x, double y) const;
};

// The correction for `lean`, its strength limited as above. Throws
// AssertionFailure for an empty size.
StraightenPlan PlanStraighten(int width, int height, const Lean& lean);

// The corrected, cropped picture of `area` (all of it by default), each
// pixel sampled bilinearly. A 24-bit result; the source is any layout.
Bitmap ApplyStraighten(const Bitmap& picture, const Lean& lean);
Bitmap ApplyStraighten(const Bitmap& picture, const Rect& area, const Lean& lean);
// The same for a plan made for `area`'s size, drawn into `target` with its
// top left corner at (left, top), so that a caller placing the result in a
// larger picture needs no second copy. The pixels drawn must lie inside
// `target`, a 24-bit picture (AssertionFailure otherwise); its other pixels
// are left as they are.
void ApplyStraighten(const Bitmap& picture, const Rect& area, const StraightenPlan& plan,
                     Bitmap& target, int left, int top);

// What the user is told when too few lines agree to straighten the picture.
std::string TooFewLinesText();

}  // namespace pictorel
