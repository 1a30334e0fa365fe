// PNG reader over libpng.
#pragma once

#include <array>

#include "formats/PictureReader.h"

namespace pictorel {

// The picture in its colour type: palette and grey as 8-bit indexed, RGB as
// 24-bit, with alpha as 32-bit; 16-bit samples reduced to their high byte;
// gamma-corrected through GammaTable when the file has a gAMA chunk and no
// RGB colour profile. The iCCP profile, if any, goes to `iccProfile`.
Bitmap DecodePng(std::span<const std::uint8_t> data,
                 std::vector<std::uint8_t>* iccProfile = nullptr);

// v -> 255 * (v / 255) ^ (1 / (g * 2.2)), rounded, with g = gAMA / 100000.
std::array<std::uint8_t, 256> GammaTable(std::uint32_t gama);

// The PNG decoder; a file is claimed by its signature and at least one more byte.
class PngReader : public PictureDecoder {
  public:
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
    static bool RecognisesContent(std::span<const std::uint8_t> data);
};

// The PNG format's descriptor, one row of the table of formats.
extern const PictureFormat kPngFormat;

}  // namespace pictorel
