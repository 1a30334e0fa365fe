// Writers of decoded pictures: PNG (8-bit RGB, no gamma or colour chunks)
// and binary PPM (P6). Pictures of any layout are written as 24-bit RGB.
#pragma once

#include <string>

#include "imaging/Bitmap.h"

namespace pictorel {

void WritePng(const Bitmap& bitmap, const std::string& path);
void WritePpm(const Bitmap& bitmap, const std::string& path);
// By the extension of `path`: .png or .ppm (any case); others are refused.
void WritePicture(const Bitmap& bitmap, const std::string& path);

}  // namespace pictorel
