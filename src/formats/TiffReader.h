// TIFF reader over libtiff: the first image of the file, read from memory.
#pragma once

#include "formats/PictureReader.h"

namespace pictorel {

// Palette and grey images of 1-8 bits come as 8-bit indexed or grey, 16-bit
// samples are reduced to their high byte, RGB as 24-bit, RGB with alpha as
// 32-bit; every other colour scheme (CMYK, CIE Lab, YCbCr, JPEG) goes
// through libtiff's RGBA conversion to 24-bit. The Orientation tag is applied.
class TiffReader : public ContentTestedReader {
  public:
    const char* ClassName() const override { return "TTIFFGraphic"; }
    void LoadFromMemory(std::span<const std::uint8_t> data) override;
    static bool RecognisesContent(std::span<const std::uint8_t> data);
};

}  // namespace pictorel
