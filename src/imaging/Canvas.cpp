#include "imaging/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "base/Errors.h"

namespace pictorel {

Canvas::Canvas(Bitmap& target) : bitmap_(target) {
    if (target.Format() != PixelFormat::Bgr24 && target.Format() != PixelFormat::Bgra32)
        throw Error("Canvas needs a 24- or 32-bit picture");
}

void Canvas::Plot(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= bitmap_.Width() || y >= bitmap_.Height()) return;
    bitmap_.SetPixel(x, y, c);
}

void Canvas::PenDot(int x, int y) {
    const int w = std::max(penWidth, 1);
    const int first = -(w / 2);
    for (int dy = first; dy < first + w; ++dy)
        for (int dx = first; dx < first + w; ++dx) Plot(x + dx, y + dy, penColor);
}

void Canvas::MoveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
}

void Canvas::LineTo(int x, int y) {
    // Bresenham from the current position; the end point is left out.
    int x0 = curX_, y0 = curY_;
    const int dx = std::abs(x - x0), dy = -std::abs(y - y0);
    const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    while (x0 != x || y0 != y) {
        PenDot(x0, y0);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    MoveTo(x, y);
}

void Canvas::Line(int x0, int y0, int x1, int y1) {
    MoveTo(x0, y0);
    LineTo(x1, y1);
}

void Canvas::Ellipse(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    const double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
    const double half = std::max(penWidth, 1) / 2.0;
    const double outerX = rx + half, outerY = ry + half;
    const double innerX = rx - half, innerY = ry - half;
    auto inside = [](double dx, double dy, double ax, double ay) {
        return (dx * dx) / (ax * ax) + (dy * dy) / (ay * ay);
    };
    const int y0 = std::max(0, static_cast<int>(std::floor(cy - outerY)));
    const int y1 = std::min(bitmap_.Height() - 1, static_cast<int>(std::ceil(cy + outerY)));
    const int x0 = std::max(0, static_cast<int>(std::floor(cx - outerX)));
    const int x1 = std::min(bitmap_.Width() - 1, static_cast<int>(std::ceil(cx + outerX)));
    for (int y = y0; y <= y1; ++y) {
        const double dy = y - cy;
        for (int x = x0; x <= x1; ++x) {
            const double dx = x - cx;
            const bool inInner = innerX > 0 && innerY > 0 && inside(dx, dy, innerX, innerY) < 1.0;
            if (inInner) {
                if (brush) bitmap_.SetPixel(x, y, *brush);
            } else if (inside(dx, dy, outerX, outerY) <= 1.0) {
                bitmap_.SetPixel(x, y, penColor);
            }
        }
    }
}

void Canvas::FloodFill(int x, int y, Color border) {
    const int w = bitmap_.Width(), h = bitmap_.Height();
    if (!brush || x < 0 || y < 0 || x >= w || y >= h) return;
    const Color fill = *brush;
    std::vector<bool> done(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), false);
    auto open = [&](int px, int py) {
        return !done[static_cast<std::size_t>(py) * w + px] && !(bitmap_.Pixel(px, py) == border);
    };
    if (!open(x, y)) return;
    // Scanline fill: each stack entry is a seed; its whole run is filled and
    // the rows above and below are scanned for new seeds.
    std::vector<std::pair<int, int>> seeds{{x, y}};
    while (!seeds.empty()) {
        auto [sx, sy] = seeds.back();
        seeds.pop_back();
        if (!open(sx, sy)) continue;
        int l = sx, r = sx;
        while (l > 0 && open(l - 1, sy)) --l;
        while (r + 1 < w && open(r + 1, sy)) ++r;
        for (int px = l; px <= r; ++px) {
            done[static_cast<std::size_t>(sy) * w + px] = true;
            bitmap_.SetPixel(px, sy, fill);
        }
        for (int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= h) continue;
            bool inRun = false;
            for (int px = l; px <= r; ++px) {
                const bool o = open(px, ny);
                if (o && !inRun) seeds.emplace_back(px, ny);
                inRun = o;
            }
        }
    }
}

}  // namespace pictorel
