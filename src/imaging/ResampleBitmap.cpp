#include "imaging/ResampleBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "imaging/MemoryBudget.h"
#include "imaging/RowBands.h"

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
    // Row y of the picture at rows[y]; only the rows a result row reads need
    // be in place when it is made.
    const std::uint8_t* const* rows = nullptr;
    int bytesPerPixel = 3;
    int channels = 3;  // distinct channels to compute: 3, or 1 for grey
    int W = 0;
    int H = 0;

    const std::uint8_t* Row(int y) const { return rows[y]; }
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

// Everything fixed for one resampling: the scale, the taps of both axes and
// the rounding tolerance.
struct ResamplePlan {
    double sx = 0, sy = 0, area = 0;
    double tolerance = 0;  // above the combined rounding error of both summation orders
    AxisTaps cols, rows;
    int width = 0, height = 0;
};

ResamplePlan MakePlan(int W, int H, int width, int height) {
    if (W < 1 || H < 1) throw AssertionFailure("Assertion failure (BitmapUtils)");
    if (width == 0 || height == 0) throw DivisionByZero("Floating point division by zero");
    if (width < 0 || height < 0)
        throw Error("ResampleBitmap: negative target size " + std::to_string(width) + " x " +
                    std::to_string(height));
    ResamplePlan plan;
    plan.width = width;
    plan.height = height;
    // The pixel count is formed in 64 bits: equal to the 32-bit product for
    // every picture below 2^31 pixels, and still right above.
    plan.area = static_cast<double>(std::int64_t{W} * H) / width / height;
    plan.sx = static_cast<double>(W) / width;
    plan.sy = static_cast<double>(H) / height;
    plan.cols = BuildTaps(width, W, plan.sx);
    plan.rows = BuildTaps(height, H, plan.sy);
    // Both sums approximate the same exact value; each errs by at most about
    // (terms summed + a few) x 255 x 2^-53. The tolerance is 8 times that.
    const double terms = static_cast<double>(plan.cols.maxCells) * plan.rows.maxCells +
                         2.0 * (plan.cols.maxTaps + plan.rows.maxTaps) + 64;
    plan.tolerance = terms * 255 * 0x1p-50;
    return plan;
}

// The last source row that result row y reads.
int LastSourceRow(const ResamplePlan& plan, int y) {
    return plan.rows.first[y] + plan.rows.count[y] - 1;
}

// The buffers one thread needs to make result rows, made once per thread.
class RowMaker {
  public:
    RowMaker(const ResamplePlan& plan, const SourceView& src)
        : plan_(plan),
          src_(src),
          tmp_(static_cast<std::size_t>(src.W) * src.bytesPerPixel + 4, 0.0),
          isum_(2048),
          means_(3 * static_cast<std::size_t>(plan.width)),
          unitRows_(plan.rows.maxTaps),
          rows_(plan.rows.maxTaps),
          weights_(plan.rows.maxTaps) {}

    // Result row y into `out` (3 x width bytes): a vertical pass into one row
    // of sums over the source's width, then a horizontal pass per pixel.
    void Make(int y, std::uint8_t* out) {
        const SourceView& src = src_;
        const std::size_t rowValues = static_cast<std::size_t>(src.W) * src.bytesPerPixel;
        int units = 0, count = 0;
        const double* w = plan_.rows.weights.data() + plan_.rows.at[y];
        for (int t = 0; t < plan_.rows.count[y]; ++t) {
            const std::uint8_t* r = src.Row(plan_.rows.first[y] + t);
            if (w[t] == 1.0 && units < kMaxUnitRows) {
                unitRows_[units++] = r;
            } else {
                rows_[count] = r;
                weights_[count++] = w[t];
            }
        }
        VerticalPass(unitRows_.data(), units, rows_.data(), weights_.data(), count, rowValues,
                     isum_.data(), tmp_.data());
        HorizontalPass(tmp_.data(), plan_.cols, src.bytesPerPixel, src.channels, plan_.width,
                       plan_.area, means_.data());
        for (int x = 0; x < plan_.width; ++x, out += 3) {
            for (int ch = 0; ch < src.channels; ++ch) {
                const double mean = means_[3 * x + ch];
                // mean lies in [-tiny, 255 + tiny]; away from a half, rounding
                // is truncation of mean + 0.5.
                int value = static_cast<int>(mean + 0.5);
                if (mean - (value - 0.5) <= plan_.tolerance ||
                    (value + 0.5) - mean <= plan_.tolerance) {
                    // Within rounding noise of a half: settle it by the exact order.
                    value = static_cast<int>(std::nearbyint(
                        ExactChannelSum(src, plan_.sx, plan_.sy, x, y, ch) / plan_.area));
                }
                out[ch] = static_cast<std::uint8_t>(value);
            }
            if (src.channels == 1) out[1] = out[2] = out[0];
        }
    }

  private:
    const ResamplePlan& plan_;
    const SourceView& src_;
    std::vector<double> tmp_;
    std::vector<std::uint16_t> isum_;
    std::vector<double> means_;
    std::vector<const std::uint8_t*> unitRows_, rows_;
    std::vector<double> weights_;
};

// Clears the bytes after each row's last pixel of a new 24-bit result.
void ClearRowPadding(Bitmap& result) {
    const std::size_t used = 3 * static_cast<std::size_t>(result.Width());
    for (int r = 0; r < result.Height(); ++r)
        std::memset(result.ScanLine(r) + used, 0, result.Stride() - used);
}

}  // namespace

VectorUnit ResampleVectorUnit() {
    return DetectVectorUnit();
}

Bitmap ResampleBitmap(const Bitmap& source, int width, int height) {
    const int W = source.Width();
    const int H = source.Height();
    const ResamplePlan plan = MakePlan(W, H, width, height);

    Bitmap result = Bitmap::Uninitialized(width, height, PixelFormat::Bgr24);
    ClearRowPadding(result);
    Bitmap converted;
    const Bitmap* pixels = &source;
    SourceView src;
    src.W = W;
    src.H = H;
    if (source.Format() == PixelFormat::Bgr24 || source.Format() == PixelFormat::Bgra32) {
        src.bytesPerPixel = source.Format() == PixelFormat::Bgr24 ? 3 : 4;
    } else if (source.Format() == PixelFormat::Indexed8 && IsGreyRamp(source.ColorTable())) {
        src.bytesPerPixel = 1;
        src.channels = 1;
    } else {
        converted = source.ToBgr24();
        pixels = &converted;
    }
    std::vector<const std::uint8_t*> rowTable(H);
    for (int r = 0; r < H; ++r) rowTable[r] = pixels->ScanLine(r);
    src.rows = rowTable.data();

    // Split the rows over the cores when the work is worth a thread.
    const double work = static_cast<double>(height) * plan.rows.maxTaps * W * src.bytesPerPixel +
                        static_cast<double>(height) * width * plan.cols.maxTaps * src.channels;
    ForRowBands(height, work, [&](int y0, int y1) {
        RowMaker maker(plan, src);
        for (int y = y0; y < y1; ++y) maker.Make(y, result.ScanLine(y));
    });
    return result;
}

// The kept source rows form a ring. Result row y reads rows first..last of
// its taps, at most maxTaps of them, and is made as soon as its last row is
// in; every result row before it is made by then, so when row r arrives
// every row a pending result row reads lies within r - maxTaps + 1 .. r, and
// a ring of maxTaps rows never overwrites a row still to be read.
struct RowResampler::State {
    ResamplePlan plan;
    SourceView src;
    MemoryBudget::Reservation reservation;
    Bitmap result;
    std::vector<std::uint8_t> ring;
    std::size_t rowBytes = 0;
    int ringRows = 0;
    std::vector<const std::uint8_t*> rowTable;
    std::optional<RowMaker> maker;
    int rowsDone = 0;
    int resultRowsMade = 0;
};

namespace {

int RingRows(const ResamplePlan& plan, RowResampler::Rows rows) {
    return rows == RowResampler::Rows::Copied ? std::max(1, plan.rows.maxTaps) : 0;
}

std::uint64_t RowResamplerBytes(const ResamplePlan& plan, int sourceWidth,
                                RowResampler::Rows rows) {
    const std::uint64_t ringBytes = 3 * std::uint64_t(sourceWidth) * RingRows(plan, rows);
    return ringBytes + RowStride(plan.width, PixelFormat::Bgr24) * std::uint64_t(plan.height);
}

}  // namespace

std::uint64_t RowResampler::ReservedBytes(int sourceWidth, int sourceHeight, int width, int height,
                                          Rows rows) {
    return RowResamplerBytes(MakePlan(sourceWidth, sourceHeight, width, height), sourceWidth, rows);
}

RowResampler::RowResampler(int sourceWidth, int sourceHeight, int width, int height, Rows rows)
    : state_(std::make_unique<State>()) {
    state_->plan = MakePlan(sourceWidth, sourceHeight, width, height);
    MemoryBudget::Reservation pool = MemoryBudget::Process().Reserve(
        RowResamplerBytes(state_->plan, sourceWidth, rows), "resampled rows");
    Build(sourceWidth, sourceHeight, rows, pool);
}

RowResampler::RowResampler(int sourceWidth, int sourceHeight, int width, int height, Rows rows,
                           MemoryBudget::Reservation& pool)
    : state_(std::make_unique<State>()) {
    state_->plan = MakePlan(sourceWidth, sourceHeight, width, height);
    Build(sourceWidth, sourceHeight, rows, pool);
}

void RowResampler::Build(int sourceWidth, int sourceHeight, Rows rows,
                         MemoryBudget::Reservation& pool) {
    State& s = *state_;
    s.ringRows = RingRows(s.plan, rows);
    s.rowBytes = 3 * static_cast<std::size_t>(sourceWidth);
    s.reservation = pool.Split(RowResamplerBytes(s.plan, sourceWidth, rows));
    // The result takes its share; the ring keeps the rest.
    s.result =
        Bitmap::Uninitialized(s.plan.width, s.plan.height, PixelFormat::Bgr24, s.reservation);
    ClearRowPadding(s.result);
    s.ring.resize(s.rowBytes * static_cast<std::size_t>(s.ringRows));
    s.rowTable.assign(static_cast<std::size_t>(sourceHeight), nullptr);
    s.src.rows = s.rowTable.data();
    s.src.W = sourceWidth;
    s.src.H = sourceHeight;
    s.maker.emplace(s.plan, s.src);
}

RowResampler::~RowResampler() = default;

std::uint8_t* RowResampler::NextRow() {
    State& s = *state_;
    if (s.rowsDone >= s.src.H || s.ringRows == 0)
        throw AssertionFailure("Assertion failure (RowResampler)");
    return s.ring.data() + static_cast<std::size_t>(s.rowsDone % s.ringRows) * s.rowBytes;
}

void RowResampler::RowDone() {
    RowInPlace(NextRow());
}

void RowResampler::RowInPlace(const std::uint8_t* row) {
    State& s = *state_;
    if (s.rowsDone >= s.src.H) throw AssertionFailure("Assertion failure (RowResampler)");
    s.rowTable[static_cast<std::size_t>(s.rowsDone)] = row;
    ++s.rowsDone;
    while (s.resultRowsMade < s.plan.height &&
           LastSourceRow(s.plan, s.resultRowsMade) < s.rowsDone) {
        s.maker->Make(s.resultRowsMade, s.result.ScanLine(s.resultRowsMade));
        ++s.resultRowsMade;
    }
}

int RowResampler::RowsDone() const {
    return state_->rowsDone;
}

Bitmap RowResampler::Finish() {
    State& s = *state_;
    if (s.rowsDone != s.src.H || s.resultRowsMade != s.plan.height)
        throw AssertionFailure("Assertion failure (RowResampler)");
    return std::move(s.result);
}

}  // namespace pictorel
