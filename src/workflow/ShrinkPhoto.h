// Shrinking one photo for publishing: the automatic run's whole work on one
// file, shared by the desktop program, pictorel-cli shrink and the benchmarks.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/Bitmap.h"
#include "workflow/OutputSize.h"

namespace pictorel {

// Longest side of a published picture.
inline constexpr int kPublishMaxSide = 800;

// The reduction factor for a longer side L, in ten-thousandths:
// L / 800 rounded half to even when L > 800, else 1.
std::int64_t AutoScaleFor(std::int64_t longerSide);
// The same rule for any limit: L / maxSide rounded half to even when
// L > maxSide, else 1 (AutoScaleFor is ScaleFor(L, 800)).
std::int64_t ScaleFor(std::int64_t side, int maxSide);

// Size of the published picture for a W x H source: each side divided by
// AutoScaleFor (integer division). A side never drops below 1 pixel, however
// thin the picture.
struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};
Size AutoTargetSize(int width, int height);
// The size a W x H source takes for an output size: one factor for both
// sides, the largest of ScaleFor(longer side, maxSide) and, with a box,
// ScaleFor(width, boxWidth) and ScaleFor(height, boxHeight); each side
// divided by it as in AutoTargetSize (which is the default size's).
Size TargetSizeFor(const OutputSize& size, int width, int height);

// Loads the photo (the reader turns it upright), reduces it to
// AutoTargetSize and returns it as a 24-bit picture ready for the JPEG
// writer. Any failure, running out of memory included, throws InvalidPicture
// carrying LoadFailedMessage(path), the text the user is shown, and as its
// Cause() the system's reason, or the reader's or the budget's message with
// the decoding library's message, if any, on a line of its own.
Bitmap ShrinkForPublishing(const std::string& path);
// The same for any output size: reduced to TargetSizeFor(size, ...).
Bitmap ShrinkForPublishing(const std::string& path, const OutputSize& size);

// The same, keeping the upright size of the photo it was reduced from.
struct ReducedPhoto {
    Bitmap picture;
    Size source;
};
ReducedPhoto ReduceForPublishing(const std::string& path, const OutputSize& size);

}  // namespace pictorel
