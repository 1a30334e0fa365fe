#include "imaging/PhotoTilt.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

namespace pictorel {

namespace {

// A Sobel gradient this strong on the smoothed levels (a sharp step of about
// 12 grey levels) makes an edge; weaker ones are mostly noise and
// compression blocks, whose direction says nothing about the scene.
constexpr float kEdgeMagnitude = 30;
// Neighbours along an edge count as the same straight edge when their
// directions differ by less than this; texture (leaves, fabric, gravel)
// turns from pixel to pixel and drops out.
constexpr double kNeighbourDegrees = 3;
// The robust fit refits on the edges within these residuals in turn, so
// that edges of another direction (a slanted roof, a lamp) stop pulling.
constexpr double kRefitDegrees[] = {4.0, 2.0};

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

enum class Orientation : std::uint8_t { None, Vertical, Horizontal };

// One edge pixel: its orientation, the side its darker half lies on, and
// its lean in degrees (clockwise positive).
struct EdgePixel {
    Orientation orientation = Orientation::None;
    bool positive = false;
    float degrees = 0;
    float magnitude = 0;
};

struct Sample {
    double position;  // across the lines, a share of the longer side from the middle
    double degrees;
    double weight;
};

// Weighted least squares of degrees = lean + convergence * position over
// the samples whose residual against `previous` is within `window`.
// `offCentreTellsTurn`: whether lines bunched away from the middle still
// tell the turn (see below).
bool Fit(const std::vector<Sample>& samples, const EdgeLean& previous, double window,
         bool offCentreTellsTurn, EdgeLean& fitted) {
    double w = 0, wp = 0, wd = 0, wpp = 0, wpd = 0;
    for (const Sample& s : samples) {
        const double residual = s.degrees - previous.degrees - previous.convergence * s.position;
        if (std::abs(residual) > window) continue;
        w += s.weight;
        wp += s.weight * s.position;
        wd += s.weight * s.degrees;
        wpp += s.weight * s.position * s.position;
        wpd += s.weight * s.position * s.degrees;
    }
    if (w <= 0) return false;
    const double meanPosition = wp / w;
    const double spread = wpp / w - meanPosition * meanPosition;
    // Verticals all on one side of the picture cannot tell a turn from a
    // convergence (both lean them alike); unless they pass near the middle,
    // where the convergence does not matter, they tell nothing. Horizontals
    // bunched at one height are mostly a horizon, or lie near it, where
    // lines converge least: their lean is the turn.
    constexpr double kLeastSpread = 0.08 * 0.08;
    constexpr double kNearMiddle = 0.12;
    if (spread < kLeastSpread) {
        if (!offCentreTellsTurn && std::abs(meanPosition) > kNearMiddle) return false;
        fitted.degrees = wd / w;
        fitted.convergence = 0;
        return true;
    }
    fitted.convergence = (wpd / w - meanPosition * wd / w) / spread;
    fitted.degrees = wd / w - fitted.convergence * meanPosition;
    return true;
}

EdgeLean LeanOf(const std::vector<Sample>& samples, bool offCentreTellsTurn) {
    EdgeLean lean;
    if (samples.empty()) return lean;
    EdgeLean start;
    if (!Fit(samples, start, kTiltWindowDegrees, offCentreTellsTurn, lean)) return EdgeLean{};
    for (const double window : kRefitDegrees) {
        EdgeLean refitted;
        if (!Fit(samples, lean, window, offCentreTellsTurn, refitted)) return EdgeLean{};
        lean = refitted;
    }
    for (const Sample& s : samples)
        if (std::abs(s.degrees - lean.degrees - lean.convergence * s.position) <= kTiltAgreeDegrees)
            ++lean.agreeingEdges;
    lean.agreeingShare = static_cast<double>(lean.agreeingEdges) / samples.size();
    return lean;
}

// Rows of a computation over the whole picture, kept only while they are
// read: the measure walks down the picture and each step reads a few rows
// around the current one. Whole-picture buffers would be megabytes of fresh
// pages for every photo, whose page faults cost the check more than the
// arithmetic itself.
template <typename T>
class RowRing {
  public:
    RowRing(int rows, int width)
        : width_(static_cast<std::size_t>(width)),
          held_(static_cast<std::size_t>(rows), -1),
          data_(held_.size() * width_) {}

    // Row `y`, made by `make(y, row)` unless it is still held. A ring of n
    // rows holds any n consecutive rows at once.
    template <typename Make>
    T* Row(int y, Make&& make) {
        const std::size_t slot = static_cast<std::size_t>(y) % held_.size();
        T* row = data_.data() + slot * width_;
        if (held_[slot] != y) {
            make(y, row);
            held_[slot] = y;
        }
        return row;
    }

  private:
    std::size_t width_;
    std::vector<int> held_;
    std::vector<T> data_;
};

// The levels go through a 1-4-6-4-1 filter across and down (edges repeated).
// A sharp edge is one or two pixels wide on the small picture, and the
// gradient of so narrow a step turns with where the edge falls inside each
// pixel, pulling a slanted edge's direction towards the nearest axis; spread
// over four or five pixels its direction is read true.
class SmoothedLevels {
  public:
    SmoothedLevels(int width, int height, const std::vector<double>& levels)
        : width_(width), height_(height), levels_(levels), across_(5, width), smooth_(3, width) {}

    const float* Row(int y) {
        return smooth_.Row(y, [&](int row, float* out) {
            const auto across = [&](int r) { return Across(std::clamp(r, 0, height_ - 1)); };
            const float* r0 = across(row - 2);
            const float* r1 = across(row - 1);
            const float* r2 = across(row);
            const float* r3 = across(row + 1);
            const float* r4 = across(row + 2);
            for (int x = 0; x < width_; ++x)
                out[x] = (r0[x] + 4 * r1[x] + 6 * r2[x] + 4 * r3[x] + r4[x]) / 16;
        });
    }

  private:
    const float* Across(int y) {
        return across_.Row(y, [&](int row, float* out) {
            const double* in = levels_.data() + static_cast<std::size_t>(row) * width_;
            const auto tap = [&](int x) { return in[std::clamp(x, 0, width_ - 1)]; };
            for (int x = 0; x < width_; ++x) {
                const bool inside = x >= 2 && x + 2 < width_;
                const double sum =
                    inside ? in[x - 2] + 4 * in[x - 1] + 6 * in[x] + 4 * in[x + 1] + in[x + 2]
                           : tap(x - 2) + 4 * tap(x - 1) + 6 * tap(x) + 4 * tap(x + 1) + tap(x + 2);
                out[x] = static_cast<float>(sum / 16);
            }
        });
    }

    int width_;
    int height_;
    const std::vector<double>& levels_;
    RowRing<float> across_;
    RowRing<float> smooth_;
};

// The edge pixels of row y (see EdgePixel); the first and last rows and
// columns have none.
void FindEdges(SmoothedLevels& smooth, int width, int height, int y, EdgePixel* row) {
    std::fill(row, row + width, EdgePixel{});
    if (y < 1 || y + 1 >= height) return;
    const float window = static_cast<float>(std::tan(kTiltWindowDegrees / kDegreesPerRadian));
    constexpr float kLeastSquaredMagnitude = kEdgeMagnitude * kEdgeMagnitude;
    const float* above = smooth.Row(y - 1);
    const float* here = smooth.Row(y);
    const float* below = smooth.Row(y + 1);
    for (int x = 1; x + 1 < width; ++x) {
        // Sobel.
        const float gx = (above[x + 1] + 2 * here[x + 1] + below[x + 1]) -
                         (above[x - 1] + 2 * here[x - 1] + below[x - 1]);
        const float gy = (below[x - 1] + 2 * below[x] + below[x + 1]) -
                         (above[x - 1] + 2 * above[x] + above[x + 1]);
        const float squared = gx * gx + gy * gy;
        if (squared < kLeastSquaredMagnitude) continue;
        EdgePixel& pixel = row[x];
        // A turn of the content by t (clockwise as seen, y pointing down)
        // turns the gradient by t as well: a vertical edge's gradient
        // (1, 0) becomes (cos t, sin t), a horizontal edge's (0, 1)
        // becomes (-sin t, cos t).
        if (std::abs(gy) <= window * std::abs(gx)) {
            pixel.orientation = Orientation::Vertical;
            pixel.positive = gx > 0;
            pixel.degrees =
                static_cast<float>(std::atan(gy / gx) * static_cast<float>(kDegreesPerRadian));
        } else if (std::abs(gx) <= window * std::abs(gy)) {
            pixel.orientation = Orientation::Horizontal;
            pixel.positive = gy > 0;
            pixel.degrees =
                static_cast<float>(std::atan(-gx / gy) * static_cast<float>(kDegreesPerRadian));
        } else {
            continue;
        }
        pixel.magnitude = std::sqrt(squared);
    }
}

}  // namespace

TiltMeasure MeasureTilt(int width, int height, const std::vector<double>& levels) {
    TiltMeasure measure;
    if (width < 8 || height < 8) return measure;
    SmoothedLevels smooth(width, height, levels);
    RowRing<EdgePixel> edges(5, width);
    const auto edgeRow = [&](int y) {
        return edges.Row(
            y, [&](int row, EdgePixel* out) { FindEdges(smooth, width, height, row, out); });
    };

    // An edge pixel is kept when the two pixels on either side along the
    // edge belong to the same edge (same orientation, same darker side,
    // nearly the same direction): a straight run of five.
    const auto sameEdge = [&](const EdgePixel& pixel, const EdgePixel* row, int x) {
        if (row == nullptr || x < 0 || x >= width) return false;
        const EdgePixel& other = row[x];
        return other.orientation == pixel.orientation && other.positive == pixel.positive &&
               std::abs(other.degrees - pixel.degrees) < kNeighbourDegrees;
    };
    const double longer = std::max(width, height);
    std::vector<Sample> verticals;
    std::vector<Sample> horizontals;
    for (int y = 0; y < height; ++y) {
        // Rows y-2 .. y+2 (null beyond the picture), all held by the ring.
        const EdgePixel* rows[5];
        for (int d = -2; d <= 2; ++d)
            rows[d + 2] = y + d >= 0 && y + d < height ? edgeRow(y + d) : nullptr;
        const EdgePixel* here = rows[2];
        for (int x = 0; x < width; ++x) {
            const EdgePixel& pixel = here[x];
            if (pixel.orientation == Orientation::None) continue;
            const bool vertical = pixel.orientation == Orientation::Vertical;
            bool straight = true;
            for (const int step : {-2, -1, 1, 2})
                straight = straight && (vertical ? sameEdge(pixel, rows[step + 2], x)
                                                 : sameEdge(pixel, here, x + step));
            if (!straight) continue;
            // Verticals converge across the picture's width, horizontals
            // across its height.
            const double position =
                vertical ? (x + 0.5 - width / 2.0) / longer : (y + 0.5 - height / 2.0) / longer;
            (vertical ? verticals : horizontals)
                .push_back({position, pixel.degrees, pixel.magnitude});
        }
    }
    measure.verticals = LeanOf(verticals, false);
    measure.horizontals = LeanOf(horizontals, true);
    return measure;
}

}  // namespace pictorel
