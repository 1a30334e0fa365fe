// Laying a picture with alpha over white, the colour the result view shows
// outside the picture.
#pragma once

#include "imaging/Bitmap.h"

namespace pictorel {

// A 32-bit B,G,R,A picture becomes the 24-bit picture of its colours over
// white: c' = round((c * a + 255 * (255 - a)) / 255). Other layouts are left
// as they are.
void CompositeOverWhite(Bitmap& picture);

}  // namespace pictorel
