// HEIF reader over libheif: HEIC, HEIF and AVIF files, the primary image
// with its rotation, mirror and clean aperture applied.
#pragma once

#include "formats/PictureReader.h"

namespace pictorel {

// Whether `data` starts with an `ftyp` box whose major or one of whose
// compatible brands is a HEIF still-image or sequence brand.
bool HasHeifBrand(std::span<const std::uint8_t> data);

// The primary image, upright, as 24-bit B,G,R, or as 32-bit B,G,R,A when it
// has an alpha plane; deeper samples reduced to 8 bits by rounding. Its
// colour profile goes to iccProfile: the file's own `prof` profile, or one
// built from `nclx` values that are not sRGB's.
class HeifReader : public PictureDecoder {
  public:
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
    static bool RecognisesContent(std::span<const std::uint8_t> data) { return HasHeifBrand(data); }
};

// v * 255 / (2^bits - 1), rounded: a sample of `bits` bits (9 to 16) as 8 bits.
std::uint8_t ReduceSample(unsigned value, int bits);

// The HEIF format's descriptor, one row of the table of formats.
extern const PictureFormat kHeifFormat;

}  // namespace pictorel
