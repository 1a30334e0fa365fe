// Pictures of noise for tests that compare two ways of computing a result.
#pragma once

#include "imaging/Bitmap.h"

namespace pictorel::test {

// A 24-bit w x h picture whose channels are successive draws of a Mersenne
// twister seeded with `seed`, red, green and blue of each pixel in turn.
Bitmap RandomPicture(int w, int h, unsigned seed);

}  // namespace pictorel::test
