#include "imaging/BitmapUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/Errors.h"

namespace pictorel {

Bitmap ResampleBitmap(const Bitmap& source, int width, int height) {
    const int W = source.Width();
    const int H = source.Height();
    if (W < 1 || H < 1) throw EAssertionFailed("Assertion failure (BitmapUtils)");
    if (width == 0 || height == 0) throw EZeroDivide("Floating point division by zero");
    if (width < 0 || height < 0)
        throw Error("ResampleBitmap: negative target size " + std::to_string(width) + " x " +
                    std::to_string(height));

    const double area = static_cast<double>(std::int64_t{W} * H) / width / height;
    const double sx = static_cast<double>(W) / width;
    const double sy = static_cast<double>(H) / height;

    Bitmap result(width, height, PixelFormat::pf24bit);
    const Bitmap work = source.ToBgr24();
    std::vector<const std::uint8_t*> srcRows(H);
    for (int r = 0; r < H; ++r) srcRows[r] = work.ScanLine(r);
    std::vector<std::uint8_t*> dstRows(height);
    for (int r = 0; r < height; ++r) dstRows[r] = result.ScanLine(r);

    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double L = x * sx - 0.5;
            const double R = (x + 1) * sx - 0.500001;
            const double T = y * sy - 0.5;
            const double B = (y + 1) * sy - 0.500001;
            double acc[3] = {0, 0, 0};
            for (int i = static_cast<int>(std::floor(T)); i <= static_cast<int>(std::floor(B));
                 ++i) {
                for (int j = static_cast<int>(std::floor(L)); j <= static_cast<int>(std::floor(R));
                     ++j) {
                    const int j0 = std::clamp(j, 0, W - 1), j1 = std::clamp(j + 1, 0, W - 1);
                    const int i0 = std::clamp(i, 0, H - 1), i1 = std::clamp(i + 1, 0, H - 1);
                    const double uA = std::max(L, static_cast<double>(j)) - j;
                    const double uB = std::min(R, static_cast<double>(j + 1)) - j;
                    const double wx = uB - uA;
                    const double cx = (uA + uB) / 2;
                    const double vA = std::max(T, static_cast<double>(i)) - i;
                    const double vB = std::min(B, static_cast<double>(i + 1)) - i;
                    const double wy = vB - vA;
                    const double cy = (vA + vB) / 2;
                    for (int c = 0; c < 3; ++c) {
                        const int p00 = srcRows[i0][3 * j0 + c];
                        const int p10 = srcRows[i0][3 * j1 + c];
                        const int p01 = srcRows[i1][3 * j0 + c];
                        const int p11 = srcRows[i1][3 * j1 + c];
                        acc[c] += wx * wy *
                                  (p00 + (p10 - p00) * cx + (p01 - p00) * cy +
                                   (p11 - p10 - p01 + p00) * cx * cy);
                    }
                }
            }
            for (int c = 0; c < 3; ++c)
                dstRows[y][3 * x + c] = static_cast<std::uint8_t>(std::nearbyint(acc[c] / area));
        }
    }
    return result;
}

namespace {

// Moves the pixel at (sx, sy) of the source to (dx, dy) of the result.
template <typename Move>
void ForEachTurnedPixel(int W, int H, Move&& move) {
    // Blocks keep both pictures' rows in the cache; the result does not
    // depend on the visiting order.
    constexpr int kBlock = 64;
    for (int x0 = 0; x0 < W; x0 += kBlock) {
        for (int y0 = 0; y0 < H; y0 += kBlock) {
            const int x1 = std::min(W, x0 + kBlock), y1 = std::min(H, y0 + kBlock);
            for (int x = x0; x < x1; ++x)
                for (int y = y0; y < y1; ++y) move(x, y, H - 1 - y, x);
        }
    }
}

}  // namespace

Bitmap RotateBitmap90(const Bitmap& source) {
    const int W = source.Width();
    const int H = source.Height();
    if (W == 0 || H == 0) throw ERotateError("Bitmap Size Error");

    Bitmap result(H, W, source.Format());
    result.SetColorTable(source.ColorTable());
    std::vector<const std::uint8_t*> src(H);
    for (int r = 0; r < H; ++r) src[r] = source.ScanLine(r);
    std::vector<std::uint8_t*> dst(W);
    for (int r = 0; r < W; ++r) dst[r] = result.ScanLine(r);

    switch (source.Format()) {
        case PixelFormat::pf1bit:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                const bool set = (src[sy][sx >> 3] >> (7 - (sx & 7))) & 1;
                std::uint8_t& b = dst[dy][dx >> 3];
                const auto mask = static_cast<std::uint8_t>(0x80u >> (dx & 7));
                b = set ? static_cast<std::uint8_t>(b | mask)
                        : static_cast<std::uint8_t>(b & ~mask);
            });
            break;
        case PixelFormat::pf4bit:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                const unsigned v = (sx & 1) ? (src[sy][sx >> 1] & 0x0Fu) : (src[sy][sx >> 1] >> 4);
                std::uint8_t& b = dst[dy][dx >> 1];
                b = (dx & 1) ? static_cast<std::uint8_t>((b & 0xF0u) | v)
                             : static_cast<std::uint8_t>((b & 0x0Fu) | (v << 4));
            });
            break;
        case PixelFormat::pf8bit:
            ForEachTurnedPixel(W, H,
                               [&](int sx, int sy, int dx, int dy) { dst[dy][dx] = src[sy][sx]; });
            break;
        case PixelFormat::pf15bit:
        case PixelFormat::pf16bit:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                std::memcpy(dst[dy] + 2 * dx, src[sy] + 2 * sx, 2);
            });
            break;
        case PixelFormat::pf24bit:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                std::memcpy(dst[dy] + 3 * dx, src[sy] + 3 * sx, 3);
            });
            break;
        case PixelFormat::pf32bit:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                std::memcpy(dst[dy] + 4 * dx, src[sy] + 4 * sx, 4);
            });
            break;
        default:
            throw ERotateError("Illegal Bitmap");
    }
    return result;
}

}  // namespace pictorel
