// GIF reader over giflib: the first image of the file as 8-bit indexed
// colour with its colour table.
#pragma once

#include "formats/PictureReader.h"

namespace pictorel {

// Reads record by record up to the end of the first image only, so that
// whatever follows it (a damaged frame, a missing trailer) cannot spoil it.
Bitmap DecodeGif(std::span<const std::uint8_t> data);

// The one GIF reader. The content registry knows it as "TGIFGraphic"; the
// extension registry's own "gif" entry makes it under kGifByExtensionName,
// the name `pictorel-cli info` then shows.
class GifReader : public ContentTestedReader {
  public:
    explicit GifReader(const char* className = "TGIFGraphic") : className_(className) {}
    const char* ClassName() const override { return className_; }
    void LoadFromMemory(std::span<const std::uint8_t> data) override;
    static bool RecognisesContent(std::span<const std::uint8_t> data);

  private:
    const char* className_;
};

inline constexpr const char* kGifByExtensionName = "TGIFImage";

}  // namespace pictorel
