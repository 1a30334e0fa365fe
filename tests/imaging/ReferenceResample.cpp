#include "imaging/ReferenceResample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/Errors.h"

namespace pictorel::reference {

Bitmap ReferenceResample(const Bitmap& source, int width, int height) {
    const int W = source.Width();
    const int H = source.Height();
    if (W < 1 || H < 1) throw AssertionFailure("Assertion failure (BitmapUtils)");
    if (width == 0 || height == 0) throw DivisionByZero("Floating point division by zero");

    const double area = static_cast<double>(std::int64_t{W} * H) / width / height;
    const double sx = static_cast<double>(W) / width;
    const double sy = static_cast<double>(H) / height;

    Bitmap result(width, height, PixelFormat::Bgr24);
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

}  // namespace pictorel::reference
