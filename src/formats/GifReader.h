// GIF reader over giflib: the first image of the file as 8-bit indexed
// colour with its colour table.
#pragma once

#include "formats/PictureReader.h"

namespace pictorel {

// Reads record by record up to the end of the first image only, so that
// whatever follows it (a damaged frame, a missing trailer) cannot spoil it.
Bitmap DecodeGif(std::span<const std::uint8_t> data);

// The GIF decoder; a file is claimed by "GIF" (any case) and more than 22 bytes.
class GifReader : public PictureDecoder {
  public:
    DecodedPicture Decode(std::span<const std::uint8_t> data) override;
    static bool RecognisesContent(std::span<const std::uint8_t> data);
};

// The GIF format's descriptor, one row of the table of formats.
extern const PictureFormat kGifFormat;

}  // namespace pictorel
