#include "imaging/Adjustments.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "imaging/Extended.h"
#include "imaging/PixelRows.h"

namespace pictorel {

namespace {

void MakeTrueColor(Bitmap& picture) {
    if (picture.Format() != PixelFormat::Bgr24) picture = picture.ToBgr24();
}

}  // namespace

double BrightnessFactor(int level) {
    return static_cast<double>(level / Extended(100.0L) + 1);
}

void ApplyBrightness(Bitmap& picture, double factor) {
    MakeTrueColor(picture);
    // One result per channel value: the value times the factor, rounded half
    // to even and clamped to 0..255.
    std::uint8_t table[256];
    for (int c = 0; c < 256; ++c) {
        const Extended v = NearbyInt(static_cast<Extended>(c) * factor);
        table[c] = static_cast<std::uint8_t>(std::clamp(v, Extended(0.0L), Extended(255.0L)));
    }
    const PixelRows24 data(picture);
    for (int y = 0; y < data.Height(); ++y) {
        std::uint8_t* p = data.Row(y);
        for (int i = 0; i < 3 * data.Width(); ++i) p[i] = table[p[i]];
    }
}

void SharpenImage(Bitmap& picture) {
    MakeTrueColor(picture);
    const int W = picture.Width(), H = picture.Height();
    Bitmap sharp(W, H, PixelFormat::Bgr24);
    const PixelRows24 src(picture);
    const PixelRows24 dst(sharp);
    for (int y = 0; y < H; ++y) {
        const std::uint8_t* rows[3] = {src.Row(std::max(y - 1, 0)), src.Row(y),
                                       src.Row(std::min(y + 1, H - 1))};
        for (int x = 0; x < W; ++x) {
            const int cols[3] = {3 * std::max(x - 1, 0), 3 * x, 3 * std::min(x + 1, W - 1)};
            std::uint8_t* out = dst.PixelAt(x, y);
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = 0; dx < 3; ++dx)
                        sum += (dy == 1 && dx == 1 ? 24 : -1) * rows[dy][cols[dx] + c];
                out[c] = static_cast<std::uint8_t>(std::clamp(sum / 16 + 0, 0, 255));
            }
        }
    }
    picture = std::move(sharp);
}

}  // namespace pictorel
