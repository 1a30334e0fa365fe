// PNG reader over libpng. `PngReader` is the content reader, `PngExtensionReader`
// the class the extension "png" finds; both decode the same way.
#pragma once

#include <array>

#include "formats/PictureReader.h"

namespace pictorel {

// The picture in its colour type: palette and grey as 8-bit indexed, RGB as
// 24-bit, with alpha as 32-bit; 16-bit samples reduced to their high byte;
// gamma-corrected through GammaTable when the file has a gAMA chunk.
Bitmap DecodePng(std::span<const std::uint8_t> data);

// v -> 255 * (v / 255) ^ (1 / (g * 2.2)), rounded, with g = gAMA / 100000.
std::array<std::uint8_t, 256> GammaTable(std::uint32_t gama);

class PngReader : public ContentTestedReader {
  public:
    const char* ClassName() const override { return "TPNGGraphic"; }
    void LoadFromMemory(std::span<const std::uint8_t> data) override;
    static bool RecognisesContent(std::span<const std::uint8_t> data);
};

class PngExtensionReader : public PictureReader {
  public:
    const char* ClassName() const override { return "TPNGObject"; }
    void LoadFromMemory(std::span<const std::uint8_t> data) override;
};

}  // namespace pictorel
