// JPEG reader over libjpeg: 24-bit colour, 8-bit grey for one-channel files,
// CMYK/YCCK converted to RGB, EXIF orientation applied.
#pragma once

#include "formats/PictureReader.h"

namespace pictorel {

class JpegReader : public PictureDecoder {
  public:
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
    // Colour pictures only.
    bool DeliverRows(std::span<const std::uint8_t> data, RowSink& sink,
                     std::vector<std::uint8_t>& iccProfile) override;
};

// The EXIF Orientation (tag 0x112 of IFD0) of an APP1 segment's payload
// starting with "Exif\0\0"; 1 when absent or malformed.
int ExifOrientation(std::span<const std::uint8_t> app1);

// The JPEG format's descriptor, one row of the table of formats.
extern const PictureFormat kJpegFormat;

}  // namespace pictorel
