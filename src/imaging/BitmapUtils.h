// Whole-picture quarter turns.
#pragma once

#include "imaging/Bitmap.h"

namespace pictorel {

// A new picture of the source's layout turned 90 degrees clockwise.
// Throws RotateError ("Bitmap Size Error", "Illegal Bitmap").
Bitmap RotateBitmap90(const Bitmap& source);
// The same quarter turn done in place on a square 24-bit picture, without a
// second picture's memory, clockwise or the other way; false, leaving it
// untouched, for any other picture.
enum class TurnDirection { Clockwise, CounterClockwise };
bool TurnSquareInPlace(Bitmap& square, TurnDirection direction = TurnDirection::Clockwise);

}  // namespace pictorel
