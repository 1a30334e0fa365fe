// The editor's pixel adjustments on a whole picture: brightness and sharpen.
#pragma once

#include "imaging/Bitmap.h"

namespace pictorel {

// The brightness factor of a level in percent: level / 100 + 1, formed in
// extended precision and handed on as a double (level 50 gives exactly 1.5).
double BrightnessFactor(int level);

// Every channel c becomes round(c x factor), clamped to 0..255, the product
// formed in extended precision, halves to even. A picture of another layout
// is first made 24-bit.
void ApplyBrightness(Bitmap& picture, double factor);

// 3 x 3 sharpening (centre 24, neighbours -1, divisor 16, edges repeated) into
// a new 24-bit picture that replaces the given one.
void SharpenImage(Bitmap& picture);

}  // namespace pictorel
