#include "imaging/BitmapUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/Errors.h"
#include "imaging/RowBands.h"

namespace pictorel {

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

// The quarter turn of 24-bit rows [first, last) of the result (source
// columns first .. last - 1), in square tiles of kTile pixels: a tile's source
// rows and result rows stay in the first-level cache, and a whole tile runs
// loops of fixed length the compiler unrolls.
void TurnRows24(const std::vector<const std::uint8_t*>& src, const std::vector<std::uint8_t*>& dst,
                int H, int first, int last) {
    constexpr int kTile = 16;
    for (int x0 = first; x0 < last; x0 += kTile) {
        const int x1 = std::min(last, x0 + kTile);
        for (int y0 = 0; y0 < H; y0 += kTile) {
            const int y1 = std::min(H, y0 + kTile);
            // Result row x, pixels H - y1 .. H - 1 - y0, come from source
            // column x, rows y1 - 1 down to y0.
            if (x1 - x0 == kTile && y1 - y0 == kTile) {
                const std::uint8_t* rows[kTile];
                for (int j = 0; j < kTile; ++j) rows[j] = src[y1 - 1 - j];
                for (int i = 0; i < kTile; ++i) {
                    const int x = x0 + i;
                    std::uint8_t* out = dst[x] + 3 * std::size_t(H - y1);
                    const std::size_t at = 3 * std::size_t(x);
                    for (int j = 0; j < kTile; ++j) {
                        out[3 * j] = rows[j][at];
                        out[3 * j + 1] = rows[j][at + 1];
                        out[3 * j + 2] = rows[j][at + 2];
                    }
                }
            } else {
                for (int x = x0; x < x1; ++x) {
                    std::uint8_t* out = dst[x] + 3 * std::size_t(H - y1);
                    const std::size_t at = 3 * std::size_t(x);
                    for (int y = y1 - 1; y >= y0; --y, out += 3) std::memcpy(out, src[y] + at, 3);
                }
            }
        }
    }
}

// The 24-bit quarter turn on up to four threads, each taking whole result rows.
void Turn24(const std::vector<const std::uint8_t*>& src, const std::vector<std::uint8_t*>& dst,
            int W, int H) {
    // Whole result rows (W of them) per band; a pixel is worth two bytes of
    // the threshold's count.
    ForRowBands(W, 2.0 * W * H, [&](int first, int end) { TurnRows24(src, dst, H, first, end); });
}

// Moves four pixels round: a <- b <- c <- d <- a.
inline void CyclePixels(std::uint8_t* a, std::uint8_t* b, std::uint8_t* c, std::uint8_t* d) {
    std::uint8_t t[3];
    std::memcpy(t, a, 3);
    std::memcpy(a, b, 3);
    std::memcpy(b, c, 3);
    std::memcpy(c, d, 3);
    std::memcpy(d, t, 3);
}

// Square rows [first, last) of the quadrant 0 <= y < (n + 1) / 2, x < n / 2.
// The clockwise turn gives new(x, y) = old(y, n - 1 - x), the other one
// new(x, y) = old(n - 1 - y, x), so each pixel of the quadrant starts a cycle
// of four, run one way or the other. Tiles keep the four regions a cycle
// touches in the cache.
template <TurnDirection kDirection>
void TurnQuadrantRowsOneWay(const std::vector<std::uint8_t*>& rows, int n, int first, int last) {
    constexpr int kTile = 32;
    const int half = n / 2;
    for (int y0 = first; y0 < last; y0 += kTile) {
        const int y1 = std::min(last, y0 + kTile);
        for (int x0 = 0; x0 < half; x0 += kTile) {
            const int x1 = std::min(half, x0 + kTile);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    std::uint8_t* a = rows[y] + 3 * std::size_t(x);
                    std::uint8_t* b = rows[n - 1 - x] + 3 * std::size_t(y);
                    std::uint8_t* c = rows[n - 1 - y] + 3 * std::size_t(n - 1 - x);
                    std::uint8_t* d = rows[x] + 3 * std::size_t(n - 1 - y);
                    if constexpr (kDirection == TurnDirection::Clockwise)
                        CyclePixels(a, b, c, d);
                    else
                        CyclePixels(a, d, c, b);
                }
        }
    }
}

void TurnQuadrantRows(const std::vector<std::uint8_t*>& rows, int n, int first, int last,
                      TurnDirection direction) {
    if (direction == TurnDirection::Clockwise)
        TurnQuadrantRowsOneWay<TurnDirection::Clockwise>(rows, n, first, last);
    else
        TurnQuadrantRowsOneWay<TurnDirection::CounterClockwise>(rows, n, first, last);
}

}  // namespace

bool TurnSquareInPlace(Bitmap& square, TurnDirection direction) {
    const int n = square.Width();
    if (n == 0 || n != square.Height() || square.Format() != PixelFormat::Bgr24) return false;
    std::vector<std::uint8_t*> rows(n);
    for (int r = 0; r < n; ++r) rows[r] = square.ScanLine(r);
    // Threads take disjoint bands of the quadrant's rows; the cycles they
    // start never share a pixel.
    const int quadrantRows = (n + 1) / 2;
    ForRowBands(quadrantRows, 2.0 * n * n,
                [&](int first, int end) { TurnQuadrantRows(rows, n, first, end, direction); });
    // As RotateBitmap90 leaves them: the bytes after each row's last pixel clear.
    const std::size_t used = 3 * std::size_t(n);
    if (square.Stride() > used)
        for (std::uint8_t* row : rows) std::memset(row + used, 0, square.Stride() - used);
    return true;
}

Bitmap RotateBitmap90(const Bitmap& source) {
    const int W = source.Width();
    const int H = source.Height();
    if (W == 0 || H == 0) throw RotateError("Bitmap Size Error");

    // Every pixel of a 24-bit result is written below: only the bytes after
    // the last pixel of each row are cleared.
    Bitmap result = source.Format() == PixelFormat::Bgr24
                        ? Bitmap::Uninitialized(H, W, PixelFormat::Bgr24)
                        : Bitmap(H, W, source.Format());
    result.SetColorTable(source.ColorTable());
    std::vector<const std::uint8_t*> src(H);
    for (int r = 0; r < H; ++r) src[r] = source.ScanLine(r);
    std::vector<std::uint8_t*> dst(W);
    for (int r = 0; r < W; ++r) dst[r] = result.ScanLine(r);

    switch (source.Format()) {
        case PixelFormat::Indexed1:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                const bool set = (src[sy][sx >> 3] >> (7 - (sx & 7))) & 1;
                std::uint8_t& b = dst[dy][dx >> 3];
                const auto mask = static_cast<std::uint8_t>(0x80u >> (dx & 7));
                b = set ? static_cast<std::uint8_t>(b | mask)
                        : static_cast<std::uint8_t>(b & ~mask);
            });
            break;
        case PixelFormat::Indexed4:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                const unsigned v = (sx & 1) ? (src[sy][sx >> 1] & 0x0Fu) : (src[sy][sx >> 1] >> 4);
                std::uint8_t& b = dst[dy][dx >> 1];
                b = (dx & 1) ? static_cast<std::uint8_t>((b & 0xF0u) | v)
                             : static_cast<std::uint8_t>((b & 0x0Fu) | (v << 4));
            });
            break;
        case PixelFormat::Indexed8:
            ForEachTurnedPixel(W, H,
                               [&](int sx, int sy, int dx, int dy) { dst[dy][dx] = src[sy][sx]; });
            break;
        case PixelFormat::Bgr555:
        case PixelFormat::Bgr565:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                std::memcpy(dst[dy] + 2 * dx, src[sy] + 2 * sx, 2);
            });
            break;
        case PixelFormat::Bgr24: {
            const std::size_t used = 3 * std::size_t(H);
            const std::size_t padding = result.Stride() - used;
            if (padding > 0)
                for (std::uint8_t* row : dst) std::memset(row + used, 0, padding);
            Turn24(src, dst, W, H);
            break;
        }
        case PixelFormat::Bgra32:
            ForEachTurnedPixel(W, H, [&](int sx, int sy, int dx, int dy) {
                std::memcpy(dst[dy] + 4 * dx, src[sy] + 4 * sx, 4);
            });
            break;
        default:
            throw RotateError("Illegal Bitmap");
    }
    return result;
}

}  // namespace pictorel
