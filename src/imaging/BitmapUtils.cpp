#include "imaging/BitmapUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "base/Errors.h"

// Vector units are chosen at run time on x86 processors only; other
// processors, and builds with PICTOREL_SCALAR_ONLY, use the portable loops.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(PICTOREL_SCALAR_ONLY)
#define PICTOREL_X86_VECTOR_UNITS 1
#define PICTOREL_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PICTOREL_X86_VECTOR_UNITS 0
#define PICTOREL_AVX2_CLONES
#endif

namespace pictorel {

namespace {

// Per-channel access to the 24-bit colours of the picture being resampled.
// Grey 8-bit pictures are read in place (all three channels share one byte).
struct SourceView {
    const std::uint8_t* bits = nullptr;
    std::size_t stride = 0;
    int bytesPerPixel = 3;
    int channels = 3;  // distinct channels to compute: 3, or 1 for grey
    int W = 0;
    int H = 0;

    const std::uint8_t* Row(int y) const { return bits + static_cast<std::size_t>(y) * stride; }
    int Value(int x, int y, int channel) const {
        return Row(y)[static_cast<std::size_t>(x) * bytesPerPixel + (channels == 1 ? 0 : channel)];
    }
};

bool IsGreyRamp(const std::vector<Color>& table) {
    if (table.size() != 256) return false;
    for (int k = 0; k < 256; ++k)
        if (table[k] != Color{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k),
                              static_cast<std::uint8_t>(k)})
            return false;
    return true;
}

// The footprint of output index n along an axis of `source` pixels scaled by s.
struct Footprint {
    double lo;
    double hi;
};
inline Footprint FootprintOf(int n, double s) {
    return {n * s - 0.5, (n + 1) * s - 0.500001};
}

// Coverage of cell k by the footprint: width and centre, in cell coordinates.
struct Coverage {
    double w;
    double c;
};
inline Coverage CoverageOf(Footprint f, int k) {
    const double a = std::max(f.lo, static_cast<double>(k)) - k;
    const double b = std::min(f.hi, static_cast<double>(k + 1)) - k;
    return {b - a, (a + b) / 2};
}

inline int FloorInt(double v) {
    return static_cast<int>(std::floor(v));
}

// The mean of one channel over the footprint of (x, y), accumulated cell by
// cell, rows outer and columns inner: floating-point sums depend on their order.
double ExactChannelSum(const SourceView& src, double sx, double sy, int x, int y, int ch) {
    const Footprint fx = FootprintOf(x, sx), fy = FootprintOf(y, sy);
    const int W = src.W, H = src.H;
    double acc = 0;
    for (int i = FloorInt(fy.lo); i <= FloorInt(fy.hi); ++i) {
        const int i0 = std::clamp(i, 0, H - 1), i1 = std::clamp(i + 1, 0, H - 1);
        const Coverage cy = CoverageOf(fy, i);
        for (int j = FloorInt(fx.lo); j <= FloorInt(fx.hi); ++j) {
            const int j0 = std::clamp(j, 0, W - 1), j1 = std::clamp(j + 1, 0, W - 1);
            const Coverage cx = CoverageOf(fx, j);
            const int p00 = src.Value(j0, i0, ch), p10 = src.Value(j1, i0, ch);
            const int p01 = src.Value(j0, i1, ch), p11 = src.Value(j1, i1, ch);
            acc += cx.w * cy.w *
                   (p00 + (p10 - p00) * cx.c + (p01 - p00) * cy.c +
                    (p11 - p10 - p01 + p00) * cx.c * cy.c);
        }
    }
    return acc;
}

// The footprint integral factors into one weight per source column (and per
// source row): the bilinear surface's corner weights (1 - c, c) times the
// covered width, gathered over the cells, with clamped indices merged.
struct AxisTaps {
    std::vector<int> first;       // first source index per output index
    std::vector<int> count;       // number of taps
    std::vector<std::size_t> at;  // offset into weights
    std::vector<double> weights;
    int maxTaps = 0;
    int maxCells = 0;
};

AxisTaps BuildTaps(int outSize, int srcSize, double s) {
    AxisTaps t;
    t.first.resize(outSize);
    t.count.resize(outSize);
    t.at.resize(outSize);
    for (int n = 0; n < outSize; ++n) {
        const Footprint f = FootprintOf(n, s);
        const int k0 = FloorInt(f.lo), k1 = FloorInt(f.hi);
        const int first = std::clamp(k0, 0, srcSize - 1);
        const int last = std::clamp(k1 + 1, 0, srcSize - 1);
        t.first[n] = first;
        t.count[n] = last - first + 1;
        t.at[n] = t.weights.size();
        t.weights.resize(t.weights.size() + t.count[n], 0.0);
        double* w = t.weights.data() + t.at[n];
        for (int k = k0; k <= k1; ++k) {
            const Coverage c = CoverageOf(f, k);
            w[std::clamp(k, 0, srcSize - 1) - first] += c.w * (1 - c.c);
            w[std::clamp(k + 1, 0, srcSize - 1) - first] += c.w * c.c;
        }
        t.maxTaps = std::max(t.maxTaps, t.count[n]);
        t.maxCells = std::max(t.maxCells, k1 - k0 + 1);
    }
    return t;
}

// Rows of weight exactly 1 (the fully covered middle of a footprint) are
// added as integers, which is exact; this many fit a 16-bit sum.
constexpr int kMaxUnitRows = 257;

// tmp[k] = (sum of unitRows[.][k]) + sum of weights[t] * rows[t][k], k < n.
inline __attribute__((always_inline)) void VerticalPassBody(
    const std::uint8_t* const* unitRows, int unitCount, const std::uint8_t* const* rows,
    const double* weights, int count, std::size_t n, std::uint16_t* isum, double* tmp) {
    constexpr std::size_t kChunk = 2048;  // keeps the partial sums in the L1 cache
    for (std::size_t k0 = 0; k0 < n; k0 += kChunk) {
        const std::size_t len = std::min(n - k0, kChunk);
        double* out = tmp + k0;
        if (unitCount == 0) {
            std::fill(isum, isum + len, std::uint16_t{0});
        } else {
            const std::uint8_t* r = unitRows[0] + k0;
            for (std::size_t k = 0; k < len; ++k) isum[k] = r[k];
        }
        int u = 1;
        for (; u + 1 < unitCount; u += 2) {
            const std::uint8_t* r0 = unitRows[u] + k0;
            const std::uint8_t* r1 = unitRows[u + 1] + k0;
            for (std::size_t k = 0; k < len; ++k)
                isum[k] = static_cast<std::uint16_t>(isum[k] + r0[k] + r1[k]);
        }
        if (u < unitCount) {
            const std::uint8_t* r = unitRows[u] + k0;
            for (std::size_t k = 0; k < len; ++k)
                isum[k] = static_cast<std::uint16_t>(isum[k] + r[k]);
        }
        // Up to four weighted rows in one pass over the chunk, more in pairs.
        const std::uint8_t* r[4] = {};
        double w[4] = {};
        const int first = std::min(count, 4);
        for (int t = 0; t < first; ++t) r[t] = rows[t] + k0, w[t] = weights[t];
        switch (first) {
            case 4:
                for (std::size_t k = 0; k < len; ++k)
                    out[k] = (((static_cast<double>(isum[k]) + w[0] * r[0][k]) + w[1] * r[1][k]) +
                              w[2] * r[2][k]) +
                             w[3] * r[3][k];
                break;
            case 3:
                for (std::size_t k = 0; k < len; ++k)
                    out[k] = ((static_cast<double>(isum[k]) + w[0] * r[0][k]) + w[1] * r[1][k]) +
                             w[2] * r[2][k];
                break;
            case 2:
                for (std::size_t k = 0; k < len; ++k)
                    out[k] = (static_cast<double>(isum[k]) + w[0] * r[0][k]) + w[1] * r[1][k];
                break;
            case 1:
                for (std::size_t k = 0; k < len; ++k)
                    out[k] = static_cast<double>(isum[k]) + w[0] * r[0][k];
                break;
            default:
                for (std::size_t k = 0; k < len; ++k) out[k] = static_cast<double>(isum[k]);
        }
        int t = first;
        for (; t + 1 < count; t += 2) {
            const std::uint8_t* r0 = rows[t] + k0;
            const std::uint8_t* r1 = rows[t + 1] + k0;
            const double w0 = weights[t], w1 = weights[t + 1];
            for (std::size_t k = 0; k < len; ++k) out[k] = (out[k] + w0 * r0[k]) + w1 * r1[k];
        }
        if (t < count) {
            const std::uint8_t* r0 = rows[t] + k0;
            const double w0 = weights[t];
            for (std::size_t k = 0; k < len; ++k) out[k] += w0 * r0[k];
        }
    }
}

#if PICTOREL_X86_VECTOR_UNITS
// The same loops compiled for the widest vector unit the processor offers,
// chosen once. Results do not depend on the choice (no fused multiply-add).
__attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,prefer-vector-width=512"))) void
VerticalPass512(const std::uint8_t* const* unitRows, int unitCount, const std::uint8_t* const* rows,
                const double* weights, int count, std::size_t n, std::uint16_t* isum, double* tmp) {
    VerticalPassBody(unitRows, unitCount, rows, weights, count, n, isum, tmp);
}

__attribute__((target("avx2"))) void VerticalPassAvx2(
    const std::uint8_t* const* unitRows, int unitCount, const std::uint8_t* const* rows,
    const double* weights, int count, std::size_t n, std::uint16_t* isum, double* tmp) {
    VerticalPassBody(unitRows, unitCount, rows, weights, count, n, isum, tmp);
}

VectorUnit DetectVectorUnit() {
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq")) {
        return VectorUnit::Avx512;
    }
    return __builtin_cpu_supports("avx2") ? VectorUnit::Avx2 : VectorUnit::Portable;
}
#else
VectorUnit DetectVectorUnit() {
    return VectorUnit::Portable;
}
#endif

void VerticalPass(const std::uint8_t* const* unitRows, int unitCount,
                  const std::uint8_t* const* rows, const double* weights, int count, std::size_t n,
                  std::uint16_t* isum, double* tmp) {
#if PICTOREL_X86_VECTOR_UNITS
    static const VectorUnit unit = DetectVectorUnit();
    if (unit == VectorUnit::Avx512) {
        VerticalPass512(unitRows, unitCount, rows, weights, count, n, isum, tmp);
        return;
    }
    if (unit == VectorUnit::Avx2) {
        VerticalPassAvx2(unitRows, unitCount, rows, weights, count, n, isum, tmp);
        return;
    }
#endif
    VerticalPassBody(unitRows, unitCount, rows, weights, count, n, isum, tmp);
}

using Double4 = double __attribute__((vector_size(32)));

// means[3x + ch] = sum over the column taps of output x, divided by area.
// Three or four interleaved channels are summed together in one vector
// (tmp holds 4 values of slack after the row).
PICTOREL_AVX2_CLONES void HorizontalPass(const double* tmp, const AxisTaps& cols, int bytesPerPixel,
                                         int channels, int width, double area, double* means) {
    if (channels == 1) {
        for (int x = 0; x < width; ++x) {
            const double* w = cols.weights.data() + cols.at[x];
            const double* v = tmp + cols.first[x];
            double sum = 0;
            for (int t = 0; t < cols.count[x]; ++t) sum += w[t] * v[t];
            means[3 * x] = sum / area;
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        const double* w = cols.weights.data() + cols.at[x];
        const double* v = tmp + static_cast<std::size_t>(cols.first[x]) * bytesPerPixel;
        Double4 sum = {0, 0, 0, 0};
        for (int t = 0; t < cols.count[x]; ++t, v += bytesPerPixel) {
            Double4 p;
            std::memcpy(&p, v, sizeof p);
            sum += w[t] * p;
        }
        means[3 * x] = sum[0] / area;
        means[3 * x + 1] = sum[1] / area;
        means[3 * x + 2] = sum[2] / area;
    }
}

struct ResampleJob {
    SourceView src;
    double sx, sy, area;
    double tolerance;  // above the combined rounding error of both summation orders
    const AxisTaps* cols;
    const AxisTaps* rows;
    std::uint8_t* const* dst;
    int width;
};

// Output rows [y0, y1): a vertical pass into one row of sums over the
// source's width, then a horizontal pass per output pixel.
void ResampleRows(const ResampleJob& job, int y0, int y1) {
    const SourceView& src = job.src;
    const std::size_t rowValues = static_cast<std::size_t>(src.W) * src.bytesPerPixel;
    std::vector<double> tmp(rowValues + 4, 0.0);
    std::vector<std::uint16_t> isum(2048);
    std::vector<double> means(3 * static_cast<std::size_t>(job.width));
    std::vector<const std::uint8_t*> unitRows(job.rows->maxTaps), rows(job.rows->maxTaps);
    std::vector<double> weights(job.rows->maxTaps);
    for (int y = y0; y < y1; ++y) {
        int units = 0, count = 0;
        const double* w = job.rows->weights.data() + job.rows->at[y];
        for (int t = 0; t < job.rows->count[y]; ++t) {
            const std::uint8_t* r = src.Row(job.rows->first[y] + t);
            if (w[t] == 1.0 && units < kMaxUnitRows) {
                unitRows[units++] = r;
            } else {
                rows[count] = r;
                weights[count++] = w[t];
            }
        }
        VerticalPass(unitRows.data(), units, rows.data(), weights.data(), count, rowValues,
                     isum.data(), tmp.data());
        HorizontalPass(tmp.data(), *job.cols, src.bytesPerPixel, src.channels, job.width, job.area,
                       means.data());
        std::uint8_t* out = job.dst[y];
        for (int x = 0; x < job.width; ++x, out += 3) {
            for (int ch = 0; ch < src.channels; ++ch) {
                const double mean = means[3 * x + ch];
                // mean lies in [-tiny, 255 + tiny]; away from a half, rounding
                // is truncation of mean + 0.5.
                int value = static_cast<int>(mean + 0.5);
                if (mean - (value - 0.5) <= job.tolerance ||
                    (value + 0.5) - mean <= job.tolerance) {
                    // Within rounding noise of a half: settle it by the exact order.
                    value = static_cast<int>(
                        std::nearbyint(ExactChannelSum(src, job.sx, job.sy, x, y, ch) / job.area));
                }
                out[ch] = static_cast<std::uint8_t>(value);
            }
            if (src.channels == 1) out[1] = out[2] = out[0];
        }
    }
}

}  // namespace

VectorUnit ResampleVectorUnit() {
    return DetectVectorUnit();
}

Bitmap ResampleBitmap(const Bitmap& source, int width, int height) {
    const int W = source.Width();
    const int H = source.Height();
    if (W < 1 || H < 1) throw AssertionFailure("Assertion failure (BitmapUtils)");
    if (width == 0 || height == 0) throw DivisionByZero("Floating point division by zero");
    if (width < 0 || height < 0)
        throw Error("ResampleBitmap: negative target size " + std::to_string(width) + " x " +
                    std::to_string(height));

    // The pixel count is formed in 64 bits: equal to the 32-bit product for
    // every picture below 2^31 pixels, and still right above.
    const double area = static_cast<double>(std::int64_t{W} * H) / width / height;
    const double sx = static_cast<double>(W) / width;
    const double sy = static_cast<double>(H) / height;

    Bitmap result = Bitmap::Uninitialized(width, height, PixelFormat::pf24bit);
    Bitmap converted;
    SourceView src;
    src.W = W;
    src.H = H;
    if (source.Format() == PixelFormat::pf24bit || source.Format() == PixelFormat::pf32bit) {
        src.bits = source.Bits();
        src.stride = source.Stride();
        src.bytesPerPixel = source.Format() == PixelFormat::pf24bit ? 3 : 4;
    } else if (source.Format() == PixelFormat::pf8bit && IsGreyRamp(source.ColorTable())) {
        src.bits = source.Bits();
        src.stride = source.Stride();
        src.bytesPerPixel = 1;
        src.channels = 1;
    } else {
        converted = source.ToBgr24();
        src.bits = converted.Bits();
        src.stride = converted.Stride();
    }

    const AxisTaps cols = BuildTaps(width, W, sx);
    const AxisTaps rows = BuildTaps(height, H, sy);
    std::vector<std::uint8_t*> dst(height);
    for (int r = 0; r < height; ++r) {
        dst[r] = result.ScanLine(r);
        std::memset(dst[r] + 3 * static_cast<std::size_t>(width), 0,
                    result.Stride() - 3 * static_cast<std::size_t>(width));
    }

    // Both sums approximate the same exact value; each errs by at most about
    // (terms summed + a few) x 255 x 2^-53. The tolerance is 8 times that.
    const double terms = static_cast<double>(cols.maxCells) * rows.maxCells +
                         2.0 * (cols.maxTaps + rows.maxTaps) + 64;
    const ResampleJob job{src,   sx,    sy,         area, terms * 255 * 0x1p-50,
                          &cols, &rows, dst.data(), width};

    // Split the rows over the cores when the work is worth a thread.
    const double work = static_cast<double>(height) * rows.maxTaps * W * src.bytesPerPixel +
                        static_cast<double>(height) * width * cols.maxTaps * src.channels;
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const int parts = work < 2e6 ? 1 : static_cast<int>(std::min<unsigned>(cores, height));
    if (parts == 1) {
        ResampleRows(job, 0, height);
        return result;
    }
    std::vector<std::exception_ptr> errors(parts);
    std::vector<std::jthread> threads;  // joined before errors goes, even on a throw
    for (int p = 1; p < parts; ++p) {
        threads.emplace_back([&, p] {
            try {
                ResampleRows(job, static_cast<int>(std::int64_t{height} * p / parts),
                             static_cast<int>(std::int64_t{height} * (p + 1) / parts));
            } catch (...) {
                errors[p] = std::current_exception();
            }
        });
    }
    try {
        ResampleRows(job, 0, static_cast<int>(height / parts));
    } catch (...) {
        errors[0] = std::current_exception();
    }
    for (std::jthread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
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
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const double work = double(W) * H;
    const int parts = work < 1e6 ? 1 : static_cast<int>(std::min<unsigned>(cores, W));
    std::vector<std::exception_ptr> errors(parts);
    std::vector<std::jthread> threads;  // joined before errors goes, even on a throw
    const auto bound = [&](int p) { return static_cast<int>(std::int64_t{W} * p / parts); };
    for (int p = 1; p < parts; ++p) {
        threads.emplace_back([&, p] {
            try {
                TurnRows24(src, dst, H, bound(p), bound(p + 1));
            } catch (...) {
                errors[p] = std::current_exception();
            }
        });
    }
    TurnRows24(src, dst, H, 0, bound(1));
    for (std::jthread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
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
// The clockwise turn gives new(x, y) = old(y, n - 1 - x), so each pixel of the
// quadrant starts a cycle of four. Tiles keep the four regions a cycle
// touches in the cache.
void TurnQuadrantRows(const std::vector<std::uint8_t*>& rows, int n, int first, int last) {
    constexpr int kTile = 32;
    const int half = n / 2;
    for (int y0 = first; y0 < last; y0 += kTile) {
        const int y1 = std::min(last, y0 + kTile);
        for (int x0 = 0; x0 < half; x0 += kTile) {
            const int x1 = std::min(half, x0 + kTile);
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    CyclePixels(rows[y] + 3 * std::size_t(x), rows[n - 1 - x] + 3 * std::size_t(y),
                                rows[n - 1 - y] + 3 * std::size_t(n - 1 - x),
                                rows[x] + 3 * std::size_t(n - 1 - y));
        }
    }
}

}  // namespace

bool TurnSquareInPlace(Bitmap& square) {
    const int n = square.Width();
    if (n == 0 || n != square.Height() || square.Format() != PixelFormat::pf24bit) return false;
    std::vector<std::uint8_t*> rows(n);
    for (int r = 0; r < n; ++r) rows[r] = square.ScanLine(r);
    // Threads take disjoint bands of the quadrant's rows; the cycles they
    // start never share a pixel.
    const int quadrantRows = (n + 1) / 2;
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const int parts =
        double(n) * n < 1e6 ? 1 : static_cast<int>(std::min<unsigned>(cores, quadrantRows));
    const auto bound = [&](int p) {
        return static_cast<int>(std::int64_t{quadrantRows} * p / parts);
    };
    std::vector<std::jthread> threads;
    int started = 1;
    for (; started < parts; ++started) {
        try {
            threads.emplace_back(
                [&, p = started] { TurnQuadrantRows(rows, n, bound(p), bound(p + 1)); });
        } catch (...) {
            break;  // no thread to spare: the bands left are turned here
        }
    }
    TurnQuadrantRows(rows, n, 0, bound(1));
    if (started < parts) TurnQuadrantRows(rows, n, bound(started), bound(parts));
    for (std::jthread& t : threads) t.join();
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
    Bitmap result = source.Format() == PixelFormat::pf24bit
                        ? Bitmap::Uninitialized(H, W, PixelFormat::pf24bit)
                        : Bitmap(H, W, source.Format());
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
        case PixelFormat::pf24bit: {
            const std::size_t used = 3 * std::size_t(H);
            const std::size_t padding = result.Stride() - used;
            if (padding > 0)
                for (std::uint8_t* row : dst) std::memset(row + used, 0, padding);
            Turn24(src, dst, W, H);
            break;
        }
        case PixelFormat::pf32bit:
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
