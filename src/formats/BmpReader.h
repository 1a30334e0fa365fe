// The BMP reader: 1/4/8/16/24/32 bits, bit
// fields, RLE4/RLE8, top-down and bottom-up rows, all header versions; the
// picture keeps the file's own depth and palette.
#pragma once

#include "formats/PictureReader.h"

namespace pictorel {

class BmpReader : public PictureDecoder {
  public:
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
};

// Every read stays within `data`, whatever the headers say.
Bitmap DecodeBmp(std::span<const std::uint8_t> data);

// The BMP format's descriptor, one row of the table of formats.
extern const PictureFormat kBmpFormat;

}  // namespace pictorel
