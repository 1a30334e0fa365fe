// The program's own reader for Photoshop documents: the flattened composite
// image of Bitmap, Grayscale, Duotone, Indexed, RGB, Multichannel, CMYK and
// Lab files of 1, 8 or 16 bits per channel, raw or PackBits-compressed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/PictureReader.h"

namespace pictorel {

class PsdReader : public PictureDecoder {
  public:
    // More than 26 bytes, "8BPS" (any case) and version 1.
    static bool RecognisesContent(std::span<const std::uint8_t> data);
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
};

// PackBits: decodes `in` into `out`, each copy or repeat cut to the remaining
// input and output. Returns the number of bytes written; the rest of `out`
// is left as it was.
std::size_t UnpackBits(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

// The PSD format's descriptor, one row of the table of formats.
extern const PictureFormat kPsdFormat;

}  // namespace pictorel
