// The effects that gather larger neighbourhoods or move blocks: blur the
// edges, oil painting, tile and grid.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/BitmapEffects.h"
#include "imaging/Extended.h"
#include "imaging/ExtendedRound.h"
#include "imaging/PixelRows.h"

namespace pictorel {

namespace {

bool Is24(const Bitmap& b) {
    return b.Format() == PixelFormat::Bgr24;
}

// Per-channel sums over rectangles of a 24-bit picture, from a table of
// prefix sums with one leading zero row and column. Integer sums are exact,
// so a window summed this way equals the window summed pixel by pixel.
class BoxSums {
  public:
    explicit BoxSums(const PixelRows24& data)
        : W_(data.Width()), sums_(3 * static_cast<std::size_t>(W_ + 1) * (data.Height() + 1), 0) {
        for (int y = 0; y < data.Height(); ++y) {
            std::uint64_t rowSum[3] = {0, 0, 0};
            for (int x = 0; x < W_; ++x) {
                const std::uint8_t* p = data.PixelAt(x, y);
                for (int c = 0; c < 3; ++c) {
                    rowSum[c] += p[c];
                    At(x + 1, y + 1)[c] = At(x + 1, y)[c] + rowSum[c];
                }
            }
        }
    }
    // Sum of channel c over columns x0..x1 and rows y0..y1 (inclusive).
    std::uint64_t Sum(int x0, int y0, int x1, int y1, int c) const {
        return At(x1 + 1, y1 + 1)[c] - At(x0, y1 + 1)[c] - At(x1 + 1, y0)[c] + At(x0, y0)[c];
    }

  private:
    std::uint64_t* At(int x, int y) {
        return &sums_[3 * (static_cast<std::size_t>(y) * (W_ + 1) + x)];
    }
    const std::uint64_t* At(int x, int y) const {
        return &sums_[3 * (static_cast<std::size_t>(y) * (W_ + 1) + x)];
    }
    int W_;
    std::vector<std::uint64_t> sums_;
};

}  // namespace

bool BlurEdgesBitmap(Bitmap& picture, int spread) {
    // A spread of 0 would divide by zero: rejected.
    if (!Is24(picture) || spread == 0) return false;
    const int W = picture.Width(), H = picture.Height();
    const float cx = W / 2.0f, cy = H / 2.0f;
    const auto k2 = static_cast<float>(std::int64_t{spread} * spread);
    const PixelRows24 data(picture);
    const BoxSums sums(data);  // taken before any pixel changes
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const Extended dx = x - static_cast<Extended>(cx);
            const Extended dy = y - static_cast<Extended>(cy);
            const auto d = static_cast<float>(Sqrt(dx * dx + dy * dy));
            const Extended exact = Extended(0.3L) * d * d * d / k2;
            // From 10.5 on the rounded radius is at least 10: the cap.
            const Extended scaled = exact < Extended(10.5L) ? RoundNonNegative(exact) : 10;
            if (scaled <= 1) continue;
            const int radius = static_cast<int>(scaled);
            const int x0 = std::max(0, x - radius), x1 = std::min(W - 1, x + radius);
            const int y0 = std::max(0, y - radius), y1 = std::min(H - 1, y + radius);
            const std::uint64_t count = std::uint64_t(x1 - x0 + 1) * std::uint64_t(y1 - y0 + 1);
            std::uint8_t* out = data.PixelAt(x, y);
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>(sums.Sum(x0, y0, x1, y1, c) / count);
        }
    }
    return true;
}

bool OilPaintBitmap(Bitmap& picture, int radius) {
    if (!Is24(picture) || radius < 0) return false;
    const int W = picture.Width(), H = picture.Height();
    // A window wider than the picture holds the whole picture either way.
    const int r = std::min(radius, std::max(W, H));
    Bitmap copy = CopyBitmap(picture);
    const PixelRows24 src(copy);
    const PixelRows24 dst(picture);
    for (int y = 0; y < H; ++y) {
        const int y0 = std::max(0, y - r), y1 = std::min(H - 1, y + r);
        // The window's histograms, moved one column at a time along the row.
        int counts[3][16] = {};
        auto addColumn = [&](int xx, int delta) {
            if (xx < 0 || xx >= W) return;
            for (int yy = y0; yy <= y1; ++yy) {
                const std::uint8_t* p = src.PixelAt(xx, yy);
                counts[0][p[0] >> 4] += delta;
                counts[1][p[1] >> 4] += delta;
                counts[2][p[2] >> 4] += delta;
            }
        };
        for (int xx = 0; xx <= std::min(W - 1, r); ++xx) addColumn(xx, 1);
        for (int x = 0; x < W; ++x) {
            if (x > 0) {
                addColumn(x - 1 - r, -1);
                addColumn(x + r, 1);
            }
            std::uint8_t* out = dst.PixelAt(x, y);
            for (int c = 0; c < 3; ++c) {
                int best = 0;  // ties go to the lowest band
                for (int band = 1; band < 16; ++band)
                    if (counts[c][band] > counts[c][best]) best = band;
                out[c] = static_cast<std::uint8_t>(best * 16);
            }
        }
    }
    return true;
}

bool TileBitmap(Bitmap& picture, int size, int jitter) {
    if (!Is24(picture) || size < 10 || jitter < 0) return false;
    const int W = picture.Width(), H = picture.Height();
    Bitmap copy = CopyBitmap(picture);
    InvertBitmap(picture);
    const int columns = static_cast<int>((std::int64_t{W} + size - 1) / size);
    const int rows = static_cast<int>((std::int64_t{H} + size - 1) / size);
    std::mt19937 random(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int> shift(-jitter, jitter);
    for (int t = 0; t < rows; ++t) {
        for (int m = 0; m < columns; ++m) {
            const int x0 = m * size, y0 = t * size;
            const std::int64_t dx = x0 + std::int64_t{shift(random)};  // drawn first
            const std::int64_t dy = y0 + std::int64_t{shift(random)};
            if (dx <= -size || dy <= -size || dx >= W || dy >= H) continue;  // wholly outside
            // Parts of the block outside either picture are dropped.
            picture.CopyRect(static_cast<int>(dx), static_cast<int>(dy), copy,
                             Rect{x0, y0, x0 + size - 1, y0 + size - 1});
        }
    }
    return true;
}

bool GridBitmap(Bitmap& picture, int cell) {
    if (!Is24(picture) || cell < 2) return false;
    const int W = picture.Width(), H = picture.Height();
    const PixelRows24 data(picture);
    // Inclusive rectangle, clipped to the picture (64-bit: cells may be huge).
    auto fill = [&](std::int64_t xa, std::int64_t ya, std::int64_t xb, std::int64_t yb,
                    const std::uint8_t* colour) {
        xa = std::max<std::int64_t>(xa, 0), ya = std::max<std::int64_t>(ya, 0);
        xb = std::min<std::int64_t>(xb, W - 1), yb = std::min<std::int64_t>(yb, H - 1);
        for (std::int64_t y = ya; y <= yb; ++y)
            for (std::int64_t x = xa; x <= xb; ++x)
                std::copy(colour, colour + 3,
                          data.PixelAt(static_cast<int>(x), static_cast<int>(y)));
    };
    for (std::int64_t y0 = 0; y0 < H; y0 += cell) {
        for (std::int64_t x0 = 0; x0 < W; x0 += cell) {
            const std::int64_t xl = x0 + cell - 1, yl = y0 + cell - 1;  // the cell's lines
            const int xe = static_cast<int>(std::min<std::int64_t>(xl, W - 1));
            const int ye = static_cast<int>(std::min<std::int64_t>(yl, H - 1));
            std::int64_t sum[3] = {0, 0, 0};
            for (int y = static_cast<int>(y0); y <= ye; ++y)
                for (int x = static_cast<int>(x0); x <= xe; ++x)
                    for (int c = 0; c < 3; ++c) sum[c] += data.PixelAt(x, y)[c];
            const std::int64_t count = (xe - x0 + 1) * (ye - y0 + 1);
            std::uint8_t average[3], bright[3];
            for (int c = 0; c < 3; ++c) {
                average[c] = static_cast<std::uint8_t>(sum[c] / count);
                bright[c] = RoundToByte(average[c] * Extended(1.2L));
            }
            fill(x0, y0, xl - 1, yl - 1, average);
            fill(x0, yl, xl, yl, bright);      // bottom line
            fill(xl, y0, xl, yl - 1, bright);  // right line
        }
    }
    return true;
}

}  // namespace pictorel
