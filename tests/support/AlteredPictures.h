// Altered copies of a picture for the check before publishing's tests and
// its calibration: levels mapped, content turned (and seen converging).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "imaging/Bitmap.h"

namespace pictorel::test {

// Every channel of every pixel through `change`.
template <typename Change>
Bitmap MapLevels(Bitmap picture, Change change) {
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < picture.Width() * 3; ++x)
            row[x] = static_cast<std::uint8_t>(std::clamp(change(row[x]), 0, 255));
    }
    return picture;
}

// The picture's content turned `degrees` clockwise about its middle and
// seen with verticals converging by `keystone` ((bottom - top) / width of a
// band), enlarged just enough that the copy is filled (the crop that removes
// the corners); sampled bilinearly, edges clamped.
inline Bitmap TurnedCopy(const Bitmap& source, double degrees, double keystone = 0) {
    const int w = source.Width(), h = source.Height();
    const double t = degrees * std::numbers::pi / 180;
    const double fill =
        std::cos(std::abs(t)) + double(std::max(w, h)) / std::min(w, h) * std::sin(std::abs(t));
    const double scale = std::max(fill, 1.0) * (1 + std::abs(keystone) / 2);
    Bitmap copy(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = copy.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            const double qx = (x + 0.5 - 0.5 * w) / scale, qy = (y + 0.5 - 0.5 * h) / scale;
            const double depth = 1 + keystone / h * qy;
            const double rx = qx / depth, ry = qy / depth;
            const double sx = rx * std::cos(t) + ry * std::sin(t) + 0.5 * w - 0.5;
            const double sy = -rx * std::sin(t) + ry * std::cos(t) + 0.5 * h - 0.5;
            const int ix = std::clamp(static_cast<int>(std::floor(sx)), 0, w - 2);
            const int iy = std::clamp(static_cast<int>(std::floor(sy)), 0, h - 2);
            const double ax = std::clamp(sx - ix, 0.0, 1.0), ay = std::clamp(sy - iy, 0.0, 1.0);
            const std::uint8_t* top = source.ScanLine(iy) + 3 * ix;
            const std::uint8_t* bottom = source.ScanLine(iy + 1) + 3 * ix;
            for (int c = 0; c < 3; ++c) {
                const double upper = top[c] * (1 - ax) + top[3 + c] * ax;
                const double lower = bottom[c] * (1 - ax) + bottom[3 + c] * ax;
                out[3 * x + c] =
                    static_cast<std::uint8_t>(std::lround(upper * (1 - ay) + lower * ay));
            }
        }
    }
    return copy;
}

}  // namespace pictorel::test
