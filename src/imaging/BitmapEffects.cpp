#include "imaging/BitmapEffects.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "imaging/Extended.h"
#include "imaging/ExtendedRound.h"
#include "imaging/PixelRows.h"

namespace pictorel {

namespace {

bool Is24(const Bitmap& b) {
    return b.Format() == PixelFormat::Bgr24;
}

// An 8-bit grey picture of the given size.
Bitmap NewGreyPicture(int width, int height) {
    Bitmap grey(width, height, PixelFormat::Indexed8);
    SetGrayColorTable(grey);
    return grey;
}

// Squared distance of (x, y) from (cx, cy), held in single precision.
float SquaredDistance(int x, int y, float cx, float cy) {
    const Extended dx = x - static_cast<Extended>(cx);
    const Extended dy = y - static_cast<Extended>(cy);
    return static_cast<float>(dx * dx + dy * dy);
}

}  // namespace

Bitmap CopyBitmap(const Bitmap& source) {
    return Bitmap(source);
}

std::uint8_t ClampToByte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

std::uint8_t RoundToByte(Extended value) {
    if (value < 0) return 0;
    if (value > 255) return 255;
    return static_cast<std::uint8_t>(RoundNonNegative(value));
}

void SetGrayColorTable(Bitmap& picture) {
    picture.SetGreyColorTable();
}

bool InvertBitmap(Bitmap& picture) {
    if (!Is24(picture)) return false;
    const PixelRows24 data(picture);
    for (int y = 0; y < data.Height(); ++y) {
        std::uint8_t* p = data.Row(y);
        for (int i = 0; i < 3 * data.Width(); ++i) p[i] = static_cast<std::uint8_t>(255 - p[i]);
    }
    return true;
}

bool StretchGrayContrast(Bitmap& picture) {
    if (picture.Format() != PixelFormat::Indexed8) return false;
    const PixelRows8 data(picture);
    const std::int64_t pixels = std::int64_t{data.Width()} * data.Height();
    if (pixels == 0) return true;  // no level to spread
    const auto clip = static_cast<std::int64_t>(NearbyInt(pixels * Extended(0.015L)));
    std::int64_t histogram[256] = {};
    for (int y = 0; y < data.Height(); ++y) {
        const std::uint8_t* p = data.Row(y);
        for (int x = 0; x < data.Width(); ++x) ++histogram[p[x]];
    }
    // clip is below half the pixel count, so both searches stop, low <= high.
    int low = 0;
    for (std::int64_t total = 0; (total += histogram[low]) <= clip;) ++low;
    int high = 255;
    for (std::int64_t total = 0; (total += histogram[high]) <= clip;) --high;
    const int range = high - low + 1;
    const auto scale = static_cast<float>(Extended(255.0L) / range);
    std::uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = RoundToByte(static_cast<Extended>(v - low) * static_cast<Extended>(scale));
    for (int y = 0; y < data.Height(); ++y) {
        std::uint8_t* p = data.Row(y);
        for (int x = 0; x < data.Width(); ++x) p[x] = table[p[x]];
    }
    return true;
}

bool GrayscaleBitmap(Bitmap& picture) {
    if (!Is24(picture)) return false;
    const int W = picture.Width(), H = picture.Height();
    Bitmap grey = NewGreyPicture(W, H);
    const PixelRows24 src(picture);
    const PixelRows8 dst(grey);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const std::uint8_t* p = src.PixelAt(x, y);
            const Extended v =
                (Extended(0.299L) * p[2] + Extended(0.587L) * p[1]) + Extended(0.114L) * p[0];
            *dst.PixelAt(x, y) = static_cast<std::uint8_t>(v);  // truncation
        }
    }
    picture = std::move(grey);
    return true;
}

bool EmbossBitmap(Bitmap& picture, bool toGray) {
    if (!Is24(picture)) return false;
    const int W = picture.Width(), H = picture.Height();
    Bitmap copy = CopyBitmap(picture);
    const PixelRows24 src(copy);
    const PixelRows24 dst(picture);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const std::uint8_t* p = src.PixelAt(x, y);
            const std::uint8_t* q = src.PixelAt(std::min(x + 1, W - 1), std::min(y + 1, H - 1));
            std::uint8_t* out = dst.PixelAt(x, y);
            for (int c = 0; c < 3; ++c) out[c] = ClampToByte(p[c] - q[c] + 127);
        }
    }
    if (toGray) GrayscaleBitmap(picture);
    return true;
}

bool SketchBitmap(Bitmap& picture, bool stretch) {
    if (!Is24(picture)) return false;
    const int W = picture.Width(), H = picture.Height();
    Bitmap sketch = NewGreyPicture(W, H);
    const PixelRows24 src(picture);
    const PixelRows8 dst(sketch);
    const auto k = static_cast<float>(Sqrt(Extended(3.0L)));
    // Colour distance divided by sqrt(3), truncated.
    auto gradient = [k](const std::uint8_t* p, const std::uint8_t* q) {
        const int dB = p[0] - q[0], dG = p[1] - q[1], dR = p[2] - q[2];
        const Extended d = Sqrt(static_cast<Extended>(dR * dR + dG * dG + dB * dB));
        return static_cast<int>(d / k);
    };
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const std::uint8_t* p = src.PixelAt(x, y);
            const int gx = x == W - 1 ? 0 : gradient(p, src.PixelAt(x + 1, y));
            const int gy = y == H - 1 ? 0 : gradient(p, src.PixelAt(x, y + 1));
            *dst.PixelAt(x, y) = RoundToByte(255 - gx - gy);
        }
    }
    if (stretch) StretchGrayContrast(sketch);
    picture = std::move(sketch);
    return true;
}

bool SpotlightBitmap(Bitmap& picture, int radius) {
    // A radius of 0 would divide by zero: rejected.
    if (!Is24(picture) || radius == 0) return false;
    const int W = picture.Width(), H = picture.Height();
    const float cx = W / 2.0f, cy = H / 2.0f;
    const auto r2 = static_cast<float>(std::int64_t{radius} * radius);
    Bitmap copy = CopyBitmap(picture);
    picture.FillRect(Rect{0, 0, W, H}, kBlack);
    const PixelRows24 src(copy);
    const PixelRows24 dst(picture);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const float d2 = SquaredDistance(x, y, cx, cy);
            const auto f =
                static_cast<float>((1 - static_cast<Extended>(d2) / r2) * Extended(1.1L));
            if (f < 0) continue;
            const std::uint8_t* p = src.PixelAt(x, y);
            std::uint8_t* out = dst.PixelAt(x, y);
            for (int c = 0; c < 3; ++c) out[c] = RoundToByte(p[c] * static_cast<Extended>(f));
        }
    }
    return true;
}

bool ColorSpotlightBitmap(Bitmap& picture, int radius) {
    // A radius of 0 would divide by zero: rejected.
    if (!Is24(picture) || radius == 0) return false;
    const int W = picture.Width(), H = picture.Height();
    const float cx = W / 2.0f, cy = H / 2.0f;
    const auto r2 = static_cast<float>(std::int64_t{radius} * radius);
    const PixelRows24 data(picture);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const float d2 = SquaredDistance(x, y, cx, cy);
            const auto s =
                static_cast<float>((1 - static_cast<Extended>(d2) / r2) * Extended(1.1L));
            std::uint8_t* p = data.PixelAt(x, y);
            const Extended R = p[2], G = p[1], B = p[0];
            if (s > 0) {
                const Extended sl = s;
                const Extended t = 1 - sl;
                const Extended wR = Extended(0.3086L) * t, wG = Extended(0.6094L) * t,
                               wB = Extended(0.082L) * t;
                p[2] = RoundToByte((wR + sl) * R + wG * G + wB * B);
                p[1] = RoundToByte(wR * R + (wG + sl) * G + wB * B);
                p[0] = RoundToByte(wR * R + wG * G + (wB + sl) * B);
            } else {
                const auto grey = static_cast<std::uint8_t>(
                    (Extended(0.3086L) * R + Extended(0.6094L) * G) + Extended(0.082L) * B);
                p[0] = p[1] = p[2] = grey;
            }
        }
    }
    return true;
}

}  // namespace pictorel
