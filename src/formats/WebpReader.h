// WebP reader over libwebp: lossy, lossless, with alpha, and the first frame
// of an animation on its canvas.
#pragma once

#include "formats/PictureReader.h"

namespace pictorel {

// The picture as 24-bit B,G,R, or as 32-bit B,G,R,A when it has alpha or is
// a first frame that leaves part of its (transparent) canvas uncovered;
// turned upright after the orientation of an EXIF chunk. An ICCP chunk goes
// to iccProfile.
class WebpReader : public PictureDecoder {
  public:
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
    // "RIFF", a length, "WEBP".
    static bool RecognisesContent(std::span<const std::uint8_t> data);
};

// The WEBP format's descriptor, one row of the table of formats.
extern const PictureFormat kWebpFormat;

}  // namespace pictorel
