#include "imaging/PhotoMeasures.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <utility>
#include <vector>

namespace pictorel {

namespace {

constexpr int kHashColumns = 9;
constexpr int kHashRows = 8;

// Grey levels of a picture, row after row without padding.
struct GreyPicture {
    int width = 0;
    int height = 0;
    std::vector<double> levels;
    double At(int x, int y) const {
        return levels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// Integer BT.601 luma, the weights scaled to 256 and rounded.
std::uint8_t Luma(const std::uint8_t* bgr) {
    return static_cast<std::uint8_t>((29 * bgr[0] + 150 * bgr[1] + 77 * bgr[2] + 128) >> 8);
}

// The percentile's level: the first whose running count reaches `share` of
// the pixels.
int Percentile(const std::array<std::uint64_t, 256>& histogram, std::uint64_t total, double share) {
    const auto wanted = static_cast<std::uint64_t>(share * static_cast<double>(total));
    std::uint64_t running = 0;
    for (int level = 0; level < 256; ++level) {
        running += histogram[static_cast<std::size_t>(level)];
        if (running > wanted) return level;
    }
    return 255;
}

// Luminance statistics and the grey picture averaged over blocks of
// `factor` x `factor` pixels; the pixels left over at the right and bottom
// edges join the last block of their row or column.
GreyPicture MeasureLuminance(const Bitmap& bgr, int factor, LuminanceStats& stats) {
    GreyPicture grey;
    grey.width = std::max(1, bgr.Width() / factor);
    grey.height = std::max(1, bgr.Height() / factor);
    grey.levels.assign(static_cast<std::size_t>(grey.width) * static_cast<std::size_t>(grey.height),
                       0.0);
    std::array<std::uint64_t, 256> histogram{};
    // The cell of each column, worked out once rather than divided out for
    // every pixel; a row's levels are summed in integers, exact either way.
    std::vector<int> cellOfColumn(static_cast<std::size_t>(bgr.Width()));
    for (int x = 0; x < bgr.Width(); ++x)
        cellOfColumn[static_cast<std::size_t>(x)] = std::min(x / factor, grey.width - 1);
    std::vector<std::uint32_t> rowSums(static_cast<std::size_t>(grey.width));
    for (int y = 0; y < bgr.Height(); ++y) {
        const std::uint8_t* row = bgr.ScanLine(y);
        std::fill(rowSums.begin(), rowSums.end(), 0u);
        for (int x = 0; x < bgr.Width(); ++x) {
            const std::uint8_t level = Luma(row + 3 * static_cast<std::size_t>(x));
            ++histogram[level];
            rowSums[static_cast<std::size_t>(cellOfColumn[static_cast<std::size_t>(x)])] += level;
        }
        const int greyY = std::min(y / factor, grey.height - 1);
        double* greyRow = grey.levels.data() + static_cast<std::size_t>(greyY) * grey.width;
        for (int gx = 0; gx < grey.width; ++gx)
            greyRow[gx] += rowSums[static_cast<std::size_t>(gx)];
    }
    // Each cell is divided by the pixels it summed.
    for (int gy = 0; gy < grey.height; ++gy) {
        const int rows = (gy == grey.height - 1) ? bgr.Height() - gy * factor : factor;
        for (int gx = 0; gx < grey.width; ++gx) {
            const int columns = (gx == grey.width - 1) ? bgr.Width() - gx * factor : factor;
            grey.levels[static_cast<std::size_t>(gy) * grey.width + gx] /= rows * columns;
        }
    }

    const std::uint64_t total =
        static_cast<std::uint64_t>(bgr.Width()) * static_cast<std::uint64_t>(bgr.Height());
    stats.median = Percentile(histogram, total, 0.5);
    stats.low = Percentile(histogram, total, 0.05);
    stats.high = Percentile(histogram, total, 0.95);
    std::uint64_t black = 0;
    std::uint64_t white = 0;
    for (int level = 0; level <= 4; ++level) black += histogram[static_cast<std::size_t>(level)];
    for (int level = 251; level <= 255; ++level)
        white += histogram[static_cast<std::size_t>(level)];
    stats.blackShare = static_cast<double>(black) / static_cast<double>(total);
    stats.whiteShare = static_cast<double>(white) / static_cast<double>(total);
    return grey;
}

double Variance(double sum, double sumOfSquares, double count) {
    if (count <= 0) return 0;
    const double mean = sum / count;
    return std::max(0.0, sumOfSquares / count - mean * mean);
}

void MeasureDetail(const GreyPicture& grey, PhotoMeasures& measures) {
    double sum = 0;
    double squares = 0;
    for (const double level : grey.levels) {
        sum += level;
        squares += level * level;
    }
    measures.greyVariance = Variance(sum, squares, static_cast<double>(grey.levels.size()));

    double lapSum = 0;
    double lapSquares = 0;
    double count = 0;
    for (int y = 1; y + 1 < grey.height; ++y) {
        for (int x = 1; x + 1 < grey.width; ++x) {
            const double laplacian = 4 * grey.At(x, y) - grey.At(x - 1, y) - grey.At(x + 1, y) -
                                     grey.At(x, y - 1) - grey.At(x, y + 1);
            lapSum += laplacian;
            lapSquares += laplacian * laplacian;
            ++count;
        }
    }
    measures.laplacianVariance = Variance(lapSum, lapSquares, count);
}

// Sums over any rectangle of the grey picture in constant time.
class SummedArea {
  public:
    explicit SummedArea(const GreyPicture& grey)
        : width_(grey.width), sums_(static_cast<std::size_t>(grey.width + 1) * (grey.height + 1)) {
        for (int y = 0; y < grey.height; ++y) {
            double rowSum = 0;
            for (int x = 0; x < grey.width; ++x) {
                rowSum += grey.At(x, y);
                At(x + 1, y + 1) = At(x + 1, y) + rowSum;
            }
        }
    }
    // Mean over columns [x0, x1) and rows [y0, y1), none of them empty.
    double Mean(int x0, int x1, int y0, int y1) const {
        const double sum = At(x1, y1) - At(x0, y1) - At(x1, y0) + At(x0, y0);
        return sum / (static_cast<double>(x1 - x0) * (y1 - y0));
    }

  private:
    double& At(int x, int y) { return sums_[static_cast<std::size_t>(y) * (width_ + 1) + x]; }
    double At(int x, int y) const { return sums_[static_cast<std::size_t>(y) * (width_ + 1) + x]; }
    int width_;
    std::vector<double> sums_;
};

// Cell `index` of `cells` along a side of `length`: [start, end), never
// empty, even when the side is shorter than the number of cells.
std::pair<int, int> CellSpan(int index, int cells, int length) {
    const int start = std::min(index * length / cells, length - 1);
    return {start, std::max(start + 1, (index + 1) * length / cells)};
}

// The difference hash of the grey picture turned `turns` quarters clockwise,
// read straight from the upright picture: each cell of the turned picture is
// a rectangle of the upright one.
std::uint64_t DifferenceHash(const SummedArea& area, int width, int height, int turns) {
    const bool sideways = turns % 2 == 1;
    const int turnedWidth = sideways ? height : width;
    const int turnedHeight = sideways ? width : height;
    double cells[kHashRows][kHashColumns];
    for (int row = 0; row < kHashRows; ++row) {
        const auto [ty0, ty1] = CellSpan(row, kHashRows, turnedHeight);
        for (int column = 0; column < kHashColumns; ++column) {
            const auto [tx0, tx1] = CellSpan(column, kHashColumns, turnedWidth);
            // Where the turned picture's columns and rows lie in the upright
            // one: turned (x, y) is upright (y, H-1-x) after one quarter,
            // (W-1-x, H-1-y) after two and (W-1-y, x) after three.
            int x0 = tx0, x1 = tx1, y0 = ty0, y1 = ty1;
            if (turns == 1) {
                x0 = ty0, x1 = ty1, y0 = height - tx1, y1 = height - tx0;
            } else if (turns == 2) {
                x0 = width - tx1, x1 = width - tx0, y0 = height - ty1, y1 = height - ty0;
            } else if (turns == 3) {
                x0 = width - ty1, x1 = width - ty0, y0 = tx0, y1 = tx1;
            }
            cells[row][column] = area.Mean(x0, x1, y0, y1);
        }
    }
    std::uint64_t hash = 0;
    for (int row = 0; row < kHashRows; ++row)
        for (int column = 0; column + 1 < kHashColumns; ++column)
            hash = (hash << 1) | (cells[row][column] > cells[row][column + 1] ? 1u : 0u);
    return hash;
}

}  // namespace

PhotoMeasures MeasurePhoto(const Bitmap& picture) {
    PhotoMeasures measures;
    if (picture.Empty()) return measures;
    Bitmap converted;
    const Bitmap* bgr = &picture;
    if (picture.Format() != PixelFormat::Bgr24) {
        converted = picture.ToBgr24();
        bgr = &converted;
    }
    const int longer = std::max(bgr->Width(), bgr->Height());
    const int factor = (longer + kSharpnessSide - 1) / kSharpnessSide;
    const GreyPicture grey = MeasureLuminance(*bgr, factor, measures.luminance);
    MeasureDetail(grey, measures);
    measures.tilt = MeasureTilt(grey.width, grey.height, grey.levels);
    const SummedArea area(grey);
    for (int turns = 0; turns < 4; ++turns)
        measures.hashes[static_cast<std::size_t>(turns)] =
            DifferenceHash(area, grey.width, grey.height, turns);
    return measures;
}

int HammingDistance(std::uint64_t a, std::uint64_t b) {
    return std::popcount(a ^ b);
}

int TurnedHashDistance(const QuarterTurnHashes& a, const QuarterTurnHashes& b) {
    int best = 64;
    for (const std::uint64_t turned : b) best = std::min(best, HammingDistance(a[0], turned));
    return best;
}

}  // namespace pictorel
