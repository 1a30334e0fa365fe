#include "imaging/AlphaOverWhite.h"

#include <cstring>

namespace pictorel {

void CompositeOverWhite(Bitmap& picture) {
    if (picture.Format() != PixelFormat::Bgra32 || picture.Empty()) return;
    const int width = picture.Width();
    const int height = picture.Height();
    Bitmap result = Bitmap::Uninitialized(width, height, PixelFormat::Bgr24);
    const std::size_t used = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = picture.ScanLine(y);
        std::uint8_t* out = result.ScanLine(y);
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            const unsigned a = in[3];
            const unsigned white = 255 * (255 - a);
            for (int k = 0; k < 3; ++k)
                out[k] = static_cast<std::uint8_t>((in[k] * a + white + 127) / 255);
        }
        std::memset(result.ScanLine(y) + used, 0, result.Stride() - used);
    }
    picture = std::move(result);
}

}  // namespace pictorel
