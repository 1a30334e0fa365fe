// Picture effects and the small routines they share. Every effect works on a
// 24-bit picture and returns false, changing nothing, for any other layout or
// a rejected parameter. The grey effects replace the caller's picture by a
// new 8-bit grey one.
#pragma once

#include <cstdint>

#include "imaging/Bitmap.h"
#include "imaging/Extended.h"

namespace pictorel {

// A full copy: size, layout, colour table and pixels.
Bitmap CopyBitmap(const Bitmap& source);
// Below 0 gives 0, above 255 gives 255.
std::uint8_t ClampToByte(int value);
// Clamped to 0..255, otherwise rounded to nearest, halves to even.
std::uint8_t RoundToByte(Extended value);
// Grey colour table k -> (k, k, k) on an 8-bit picture.
void SetGrayColorTable(Bitmap& picture);
// Every channel v becomes 255 - v (24-bit only).
bool InvertBitmap(Bitmap& picture);
// Spreads the grey levels between the 1.5 % quantiles over 0..255 (8-bit only).
bool StretchGrayContrast(Bitmap& picture);

// Tonal effects and those reading the immediate neighbours.
bool GrayscaleBitmap(Bitmap& picture);
bool EmbossBitmap(Bitmap& picture, bool toGray);
bool SketchBitmap(Bitmap& picture, bool stretch);
bool SpotlightBitmap(Bitmap& picture, int radius);
bool ColorSpotlightBitmap(Bitmap& picture, int radius);

// Effects gathering larger neighbourhoods or moving blocks.
bool BlurEdgesBitmap(Bitmap& picture, int spread);
bool OilPaintBitmap(Bitmap& picture, int radius);
bool TileBitmap(Bitmap& picture, int size, int jitter);
bool GridBitmap(Bitmap& picture, int cell);

}  // namespace pictorel
