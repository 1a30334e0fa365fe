// Whole-picture geometry: resampling to any size and the quarter turn.
#pragma once

#include "imaging/Bitmap.h"

namespace pictorel {

// A new 24-bit picture of exactly width x height, the mean of the source's
// bilinear surface over each destination pixel's footprint.
// Throws AssertionFailure for an empty source, DivisionByZero for a 0 target side.
Bitmap ResampleBitmap(const Bitmap& source, int width, int height);

// The loops ResampleBitmap runs: compiled for a vector unit of this x86
// processor, or the portable ones (other processors, PICTOREL_SCALAR_ONLY).
// Every choice gives the same bytes.
enum class VectorUnit { Portable, Avx2, Avx512 };
VectorUnit ResampleVectorUnit();

// A new picture of the source's layout turned 90 degrees clockwise.
// Throws RotateError ("Bitmap Size Error", "Illegal Bitmap").
Bitmap RotateBitmap90(const Bitmap& source);
// The same quarter turn done in place on a square 24-bit picture, without a
// second picture's memory; false, leaving it untouched, for any other.
bool TurnSquareInPlace(Bitmap& square);

}  // namespace pictorel
