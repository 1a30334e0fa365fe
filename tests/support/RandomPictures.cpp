#include "support/RandomPictures.h"

#include <cstdint>
#include <random>

namespace pictorel::test {

Bitmap RandomPicture(int w, int h, unsigned seed) {
    Bitmap b(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto r = static_cast<std::uint8_t>(rng());
            const auto g = static_cast<std::uint8_t>(rng());
            const auto blue = static_cast<std::uint8_t>(rng());
            b.SetPixel(x, y, Color{r, g, blue});
        }
    }
    return b;
}

}  // namespace pictorel::test
