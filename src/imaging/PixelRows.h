// Direct addressed access to the pixels of a 24-bit or an 8-bit Bitmap.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/Bitmap.h"

namespace pictorel {

// Row addresses taken once, at construction: the accessor must not outlive
// the Bitmap nor a change of its size or layout. It does not own the Bitmap.
template <int BytesPerPixel>
class PixelRows {
  public:
    explicit PixelRows(Bitmap& picture)
        : rows_(static_cast<std::size_t>(picture.Height())),
          width_(picture.Width()),
          height_(picture.Height()) {
        for (int y = 0; y < height_; ++y) rows_[y] = picture.ScanLine(y);
    }

    // First byte of the pixel at column x, row y (no range or layout check).
    std::uint8_t* PixelAt(int x, int y) const {
        return rows_[static_cast<std::size_t>(y)] + static_cast<std::ptrdiff_t>(x) * BytesPerPixel;
    }
    std::uint8_t* Row(int y) const { return rows_[static_cast<std::size_t>(y)]; }
    int Width() const { return width_; }
    int Height() const { return height_; }

  private:
    std::vector<std::uint8_t*> rows_;
    std::int32_t width_;
    std::int32_t height_;
};

// 24-bit pictures: three bytes per pixel, blue, green, red.
using PixelRows24 = PixelRows<3>;
// 8-bit pictures: one colour-table index per pixel.
using PixelRows8 = PixelRows<1>;

}  // namespace pictorel
