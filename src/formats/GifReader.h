// GIF reader over giflib: the first image of the file as 8-bit indexed
// colour with its colour table. `GifReader` is the content reader,
// `GifExtensionReader` the class the extension "gif" finds; both decode the same way.
#pragma once

#include "formats/PictureReader.h"

namespace pictorel {

// Reads record by record up to the end of the first image only, so that
// whatever follows it (a damaged frame, a missing trailer) cannot spoil it.
Bitmap DecodeGif(std::span<const std::uint8_t> data);

class GifReader : public ContentTestedReader {
  public:
    const char* ClassName() const override { return "TGIFGraphic"; }
    void LoadFromMemory(std::span<const std::uint8_t> data) override;
    static bool RecognisesContent(std::span<const std::uint8_t> data);
};

class GifExtensionReader : public PictureReader {
  public:
    const char* ClassName() const override { return "TGIFImage"; }
    void LoadFromMemory(std::span<const std::uint8_t> data) override;
};

}  // namespace pictorel
