// Small pictures written by the encoding libraries, for reader tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "imaging/Bitmap.h"

namespace pictorel::test {

using Pixels = std::function<Color(int x, int y)>;

// A distinct colour per position, so that flips and turns change the picture.
Color Pattern(int x, int y);

// Baseline JPEG, quality 100, 4:4:4 (or one grey channel); with an EXIF APP1
// segment holding `orientation` when it is not 0; progressive on request.
std::vector<std::uint8_t> MakeJpeg(int width, int height, const Pixels& pixels, int orientation = 0,
                                   bool grey = false, bool progressive = false);

// 16-bit RGB PNG with the given samples (r, g, b per pixel, rows top-down);
// a gAMA chunk when `gama` is not 0.
std::vector<std::uint8_t> MakePng16(int width, int height,
                                    const std::vector<std::uint16_t>& samples,
                                    std::uint32_t gama = 0);

// 8-bit RGB or grey PNG with an optional gAMA chunk.
std::vector<std::uint8_t> MakePng8(int width, int height, const std::vector<std::uint8_t>& samples,
                                   bool grey, std::uint32_t gama = 0);

// 8-bit RGBA PNG (r, g, b, a per pixel, rows top-down).
std::vector<std::uint8_t> MakePngRgba8(int width, int height,
                                       const std::vector<std::uint8_t>& samples);

// GIF frames (indices into a 4-entry global table) written by giflib; a
// frame may be interlaced. The trailer is written unless `trailer` is false.
struct GifFrame {
    GifFrame(int w, int h, std::vector<std::uint8_t> i, bool interlace = false,
             std::vector<Color> local = {})
        : width(w),
          height(h),
          indices(std::move(i)),
          interlaced(interlace),
          localTable(std::move(local)) {}
    int width;
    int height;
    std::vector<std::uint8_t> indices;  // rows top-down
    bool interlaced;
    std::vector<Color> localTable;  // empty: none
};
std::vector<std::uint8_t> MakeGif(int screenWidth, int screenHeight,
                                  const std::vector<Color>& globalTable,
                                  const std::vector<GifFrame>& frames, bool trailer = true);

// A TIFF file written by libtiff: 8- or 16-bit RGB or grey samples, with an
// Orientation tag and, when given, an ICC profile. `samples` holds
// `channels` values per pixel.
void MakeTiff(const std::filesystem::path& path, int width, int height, int channels, int bits,
              const std::vector<std::uint16_t>& samples, int orientation = 1,
              const std::vector<std::uint8_t>& iccProfile = {});

}  // namespace pictorel::test
