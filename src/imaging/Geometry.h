// The one point and the one rectangle of the program, in whole pixels.
#pragma once

namespace pictorel {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Half-open rectangle [left, right) x [top, bottom).
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // The rectangle of the given size with its top-left corner at (left, top).
    static constexpr Rect At(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool Empty() const { return right <= left || bottom <= top; }
    constexpr Point TopLeft() const { return {left, top}; }
    // The same size with its top-left corner at `corner`.
    constexpr Rect MovedTo(Point corner) const { return At(corner.x, corner.y, Width(), Height()); }
    // `p` relative to the top-left corner.
    constexpr Point Relative(Point p) const { return {p.x - left, p.y - top}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace pictorel
