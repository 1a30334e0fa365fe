// TIFF reader over libtiff: the first image of the file, read from memory.
#pragma once

#include <cstdint>
#include <span>

#include "formats/PictureReader.h"

namespace pictorel {

// Palette and grey images of 1-8 bits come as 8-bit indexed or grey, 16-bit
// samples are reduced to their high byte, RGB as 24-bit, RGB with alpha as
// 32-bit; every other colour scheme (CMYK, CIE Lab, YCbCr, JPEG) goes
// through libtiff's RGBA conversion to 24-bit. The Orientation tag goes with the picture.
class TiffReader : public PictureDecoder {
  public:
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
    static bool RecognisesContent(std::span<const std::uint8_t> data);

  protected:
    // Decodes the TIFF `data`, which lies inside a file of `fileBytes`
    // bytes held meanwhile; those are counted with the picture in the
    // memory budget.
    DecodedPicture DecodeTiff(std::span<const std::uint8_t> data, std::uint64_t fileBytes);
};

// The TIFF format's descriptor, one row of the table of formats.
extern const PictureFormat kTiffFormat;

}  // namespace pictorel
