#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/Adjustments.h"
#include "imaging/BitmapEffects.h"
#include "support/RandomPictures.h"

namespace pictorel {
namespace {

Bitmap Uniform(int w, int h, Color c) {
    Bitmap b(w, h);
    b.FillRect(Rect{0, 0, w, h}, c);
    return b;
}

Color Grey(std::uint8_t v) {
    return Color{v, v, v};
}

// Grey level of pixel (x, y) of an 8-bit grey picture.
int Level(const Bitmap& b, int x, int y) {
    return b.ScanLine(y)[x];
}

TEST(SharedRoutines, ClampRoundInvertAndGreyTable) {
    EXPECT_EQ(ClampToByte(-5), 0);
    EXPECT_EQ(ClampToByte(382), 255);
    EXPECT_EQ(ClampToByte(77), 77);
    EXPECT_EQ(RoundToByte(-0.7L), 0);
    EXPECT_EQ(RoundToByte(255.4L), 255);
    EXPECT_EQ(RoundToByte(2.5L), 2);
    EXPECT_EQ(RoundToByte(3.5L), 4);
    Bitmap b = Uniform(2, 2, Color{0, 100, 255});
    ASSERT_TRUE(InvertBitmap(b));
    EXPECT_EQ(b.Pixel(1, 1), (Color{255, 155, 0}));
    Bitmap g(2, 2, PixelFormat::Indexed8);
    g.SetColorTable({kWhite});
    SetGrayColorTable(g);
    ASSERT_EQ(g.ColorTable().size(), 256u);
    EXPECT_EQ(g.ColorTable()[63], Grey(63));
    const Bitmap copy = CopyBitmap(g);
    EXPECT_TRUE(copy == g);
}

TEST(GrayscaleBitmap, WeightsAreExtendedAndTheSumTruncated) {
    const std::vector<std::pair<Color, int>> cases = {
        {kWhite, 255}, {kBlack, 0}, {Grey(128), 128}, {Grey(63), 62}};
    for (const auto& [colour, level] : cases) {
        Bitmap b = Uniform(3, 2, colour);
        ASSERT_TRUE(GrayscaleBitmap(b));
        ASSERT_EQ(b.Format(), PixelFormat::Indexed8);
        EXPECT_EQ(b.ColorTable()[level], Grey(static_cast<std::uint8_t>(level)));
        EXPECT_EQ(Level(b, 2, 1), level) << int(colour.r);
    }
}

TEST(EmbossBitmap, DifferenceToTheLowerRightNeighbour) {
    Bitmap flat = Uniform(4, 3, Color{9, 200, 31});
    ASSERT_TRUE(EmbossBitmap(flat, false));
    EXPECT_EQ(flat.Pixel(3, 2), Grey(127));
    EXPECT_EQ(flat.Pixel(0, 0), Grey(127));
    Bitmap flatGrey = Uniform(4, 3, Color{9, 200, 31});
    ASSERT_TRUE(EmbossBitmap(flatGrey, true));
    ASSERT_EQ(flatGrey.Format(), PixelFormat::Indexed8);
    EXPECT_EQ(Level(flatGrey, 1, 1), 127);

    Bitmap b = Uniform(3, 3, kWhite);
    b.SetPixel(1, 1, kBlack);
    b.SetPixel(2, 1, kBlack);  // below (2, 0): the neighbour of the last column
    ASSERT_TRUE(EmbossBitmap(b, false));
    EXPECT_EQ(b.Pixel(0, 0), kWhite);  // 255 - 0 + 127, clamped
    EXPECT_EQ(b.Pixel(1, 1), kBlack);  // 0 - 255 + 127, clamped
    EXPECT_EQ(b.Pixel(2, 0), kWhite);
    EXPECT_EQ(b.Pixel(2, 2), Grey(127));
}

TEST(SketchBitmap, DarkensColourEdgesOnly) {
    Bitmap flat = Uniform(5, 4, Color{40, 80, 120});
    ASSERT_TRUE(SketchBitmap(flat, false));
    ASSERT_EQ(flat.Format(), PixelFormat::Indexed8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(Level(flat, x, y), 255);

    Bitmap halves = Uniform(6, 3, kWhite);
    halves.FillRect(Rect{0, 0, 3, 3}, kBlack);
    ASSERT_TRUE(SketchBitmap(halves, false));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(Level(halves, x, y), x == 2 ? 0 : 255) << x << y;

    Bitmap stretched = Uniform(5, 4, Color{40, 80, 120});
    ASSERT_TRUE(SketchBitmap(stretched, true));
    EXPECT_EQ(Level(stretched, 2, 2), 0);  // one grey level stretches to black
}

TEST(StretchGrayContrast, SpreadsTheInnerLevels) {
    Bitmap ramp(256, 4, PixelFormat::Indexed8);
    SetGrayColorTable(ramp);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 256; ++x) ramp.ScanLine(y)[x] = static_cast<std::uint8_t>(x);
    ASSERT_TRUE(StretchGrayContrast(ramp));
    // 15 pixels are clipped at each end: low = 3, high = 252, range 250.
    EXPECT_EQ(Level(ramp, 3, 0), 0);
    EXPECT_EQ(Level(ramp, 0, 0), 0);
    EXPECT_EQ(Level(ramp, 252, 0), 254);  // 255 - 255 / 250, rounded
    EXPECT_EQ(Level(ramp, 253, 0), 255);
    Bitmap colour = Uniform(2, 2, Grey(3));
    EXPECT_FALSE(StretchGrayContrast(colour));
}

TEST(SpotlightBitmap, BrightCentreBlackCorners) {
    Bitmap b = Uniform(400, 400, Color{200, 240, 10});
    ASSERT_TRUE(SpotlightBitmap(b, 200));
    EXPECT_EQ(b.Pixel(200, 200), (Color{220, 255, 11}));
    EXPECT_EQ(b.Pixel(0, 0), kBlack);
    EXPECT_EQ(b.Pixel(399, 399), kBlack);
    EXPECT_EQ(b.Pixel(200, 0), kBlack);  // on the circle
    EXPECT_NE(b.Pixel(200, 1), kBlack);
    Bitmap c = Uniform(4, 4, kWhite);
    EXPECT_FALSE(SpotlightBitmap(c, 0));
    EXPECT_EQ(c.Pixel(2, 2), kWhite);
}

TEST(ColorSpotlightBitmap, ColourInsideGreyOutside) {
    Bitmap b = Uniform(400, 400, Color{200, 100, 50});
    ASSERT_TRUE(ColorSpotlightBitmap(b, 190));
    EXPECT_EQ(b.Pixel(200, 200), (Color{207, 97, 42}));
    EXPECT_EQ(b.Pixel(200, 10), Grey(126));  // distance exactly 190
    EXPECT_EQ(b.Pixel(0, 0), Grey(126));
    for (const int v : {0, 1, 77, 128, 200, 255}) {
        Bitmap g = Uniform(400, 400, Grey(static_cast<std::uint8_t>(v)));
        ASSERT_TRUE(ColorSpotlightBitmap(g, 190));
        EXPECT_EQ(g.Pixel(200, 200), Grey(static_cast<std::uint8_t>(v)));
        EXPECT_EQ(g.Pixel(250, 260), Grey(static_cast<std::uint8_t>(v)));
    }
}

// Plain transcriptions of the window effects, summing each window afresh.
Bitmap PlainBlur(const Bitmap& in, int spread) {
    Bitmap out = in;
    const int W = in.Width(), H = in.Height();
    const float cx = W / 2.0f, cy = H / 2.0f, k2 = static_cast<float>(spread * spread);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const long double dx = x - static_cast<long double>(cx),
                              dy = y - static_cast<long double>(cy);
            const float d = static_cast<float>(std::sqrt(dx * dx + dy * dy));
            long double radius = std::nearbyint(0.3L * d * d * d / k2);
            if (radius <= 1) continue;
            if (radius > 10) radius = 10;
            const int r = static_cast<int>(radius);
            int sum[3] = {0, 0, 0}, count = 0;
            for (int yy = y - r; yy <= y + r; ++yy)
                for (int xx = x - r; xx <= x + r; ++xx) {
                    if (xx < 0 || yy < 0 || xx >= W || yy >= H) continue;
                    const Color c = in.Pixel(xx, yy);
                    sum[0] += c.r, sum[1] += c.g, sum[2] += c.b, ++count;
                }
            out.SetPixel(x, y,
                         Color{static_cast<std::uint8_t>(sum[0] / count),
                               static_cast<std::uint8_t>(sum[1] / count),
                               static_cast<std::uint8_t>(sum[2] / count)});
        }
    return out;
}

Bitmap PlainOilPaint(const Bitmap& in, int r) {
    Bitmap out = in;
    for (int y = 0; y < in.Height(); ++y)
        for (int x = 0; x < in.Width(); ++x) {
            std::array<std::array<int, 16>, 3> h{};
            for (int yy = y - r; yy <= y + r; ++yy)
                for (int xx = x - r; xx <= x + r; ++xx) {
                    if (xx < 0 || yy < 0 || xx >= in.Width() || yy >= in.Height()) continue;
                    const Color c = in.Pixel(xx, yy);
                    ++h[0][c.r / 16], ++h[1][c.g / 16], ++h[2][c.b / 16];
                }
            std::uint8_t v[3];
            for (int c = 0; c < 3; ++c)
                v[c] = static_cast<std::uint8_t>(
                    16 * (std::max_element(h[c].begin(), h[c].end()) - h[c].begin()));
            out.SetPixel(x, y, Color{v[0], v[1], v[2]});
        }
    return out;
}

TEST(BlurEdgesBitmap, MatchesWindowByWindowSums) {
    for (const auto& [w, h, spread] :
         std::vector<std::array<int, 3>>{{61, 47, 40}, {30, 90, 25}, {1, 40, 10}, {120, 80, 600}}) {
        const Bitmap src = test::RandomPicture(w, h, static_cast<unsigned>(w * h));
        Bitmap b = src;
        ASSERT_TRUE(BlurEdgesBitmap(b, spread));
        EXPECT_TRUE(b == PlainBlur(src, spread)) << w << "x" << h;
    }
    Bitmap flat = Uniform(400, 400, Color{3, 60, 250});
    ASSERT_TRUE(BlurEdgesBitmap(flat, 600));
    EXPECT_TRUE(flat == Uniform(400, 400, Color{3, 60, 250}));
}

TEST(BlurEdgesBitmap, KeepsTheCentreAndAveragesTheCorners) {
    const Bitmap src = test::RandomPicture(400, 400, 5);
    Bitmap b = src;
    ASSERT_TRUE(BlurEdgesBitmap(b, 600));
    for (int y = 80; y < 320; y += 3)
        for (int x = 80; x < 320; x += 3)
            if ((x - 200) * (x - 200) + (y - 200) * (y - 200) < 121 * 121) {
                ASSERT_EQ(b.Pixel(x, y), src.Pixel(x, y));
            }
    int sum = 0;
    for (int y = 0; y <= 10; ++y)
        for (int x = 0; x <= 10; ++x) sum += src.Pixel(x, y).g;
    EXPECT_EQ(b.Pixel(0, 0).g, sum / 121);
    EXPECT_FALSE(BlurEdgesBitmap(b, 0));
}

TEST(OilPaintBitmap, MostFrequentBandLowerEdge) {
    for (const auto& [v, expected] : std::vector<std::pair<int, int>>{{200, 192}, {255, 240}}) {
        Bitmap b = Uniform(9, 9, Grey(static_cast<std::uint8_t>(v)));
        ASSERT_TRUE(OilPaintBitmap(b, 3));
        EXPECT_EQ(b.Pixel(4, 4), Grey(static_cast<std::uint8_t>(expected)));
    }
    Bitmap tie(2, 1);  // one pixel in band 2 and one in band 1: the lower band wins
    tie.SetPixel(0, 0, Grey(40));
    tie.SetPixel(1, 0, Grey(20));
    ASSERT_TRUE(OilPaintBitmap(tie, 3));
    EXPECT_EQ(tie.Pixel(0, 0), Grey(16));
    for (const int r : {0, 1, 3, 9}) {
        const Bitmap src = test::RandomPicture(37, 23, static_cast<unsigned>(r));
        Bitmap b = src;
        ASSERT_TRUE(OilPaintBitmap(b, r));
        EXPECT_TRUE(b == PlainOilPaint(src, r)) << r;
    }
}

TEST(TileBitmap, TilesOverTheNegative) {
    const Bitmap src = test::RandomPicture(100, 90, 8);
    Bitmap b = src;
    EXPECT_FALSE(TileBitmap(b, 9, 1));
    EXPECT_TRUE(b == src);
    ASSERT_TRUE(TileBitmap(b, 40, 0));
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 100; ++x) {
            const Color s = src.Pixel(x, y);
            const bool line = x % 40 == 39 || y % 40 == 39;
            const Color negative{static_cast<std::uint8_t>(255 - s.r),
                                 static_cast<std::uint8_t>(255 - s.g),
                                 static_cast<std::uint8_t>(255 - s.b)};
            ASSERT_EQ(b.Pixel(x, y), line ? negative : s) << x << "," << y;
        }
    // With jitter 1 every tile's inside shows the picture shifted by at most one.
    Bitmap j = src;
    ASSERT_TRUE(TileBitmap(j, 40, 1));
    for (int t = 0; t < 3; ++t)
        for (int m = 0; m < 3; ++m) {
            bool found = false;
            for (int sy = -1; sy <= 1 && !found; ++sy)
                for (int sx = -1; sx <= 1 && !found; ++sx) {
                    bool all = true;
                    for (int y = 40 * t + 2; y < std::min(88, 40 * t + 36) && all; ++y)
                        for (int x = 40 * m + 2; x < std::min(98, 40 * m + 36) && all; ++x)
                            all = j.Pixel(x, y) == src.Pixel(x - sx, y - sy);
                    found = all;
                }
            EXPECT_TRUE(found) << "tile " << m << "," << t;
        }
}

TEST(GridBitmap, CellAveragesFramedByBrighterLines) {
    Bitmap b = Uniform(9, 9, Grey(100));
    EXPECT_FALSE(GridBitmap(b, 1));
    ASSERT_TRUE(GridBitmap(b, 3));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(b.Pixel(x, y), Grey(x % 3 == 2 || y % 3 == 2 ? 120 : 100));
    Bitmap white = Uniform(6, 6, kWhite);
    ASSERT_TRUE(GridBitmap(white, 3));
    EXPECT_EQ(white.Pixel(2, 2), kWhite);

    // 400 wide: the last cell column is column 399 alone.
    Bitmap edge(400, 3);
    edge.FillRect(Rect{0, 0, 399, 3}, Grey(10));
    edge.SetPixel(399, 0, Grey(50));
    edge.SetPixel(399, 1, Grey(100));
    edge.SetPixel(399, 2, Grey(150));
    ASSERT_TRUE(GridBitmap(edge, 3));
    EXPECT_EQ(edge.Pixel(399, 0), Grey(100));
    EXPECT_EQ(edge.Pixel(399, 1), Grey(100));
    EXPECT_EQ(edge.Pixel(399, 2), Grey(120));
    EXPECT_EQ(edge.Pixel(398, 0), Grey(12));  // right line of the previous cell
}

TEST(Effects, RefuseOtherLayoutsAndChangeNothing) {
    Bitmap grey(6, 6, PixelFormat::Indexed8);
    SetGrayColorTable(grey);
    grey.ScanLine(2)[3] = 77;
    const Bitmap before = grey;
    const std::vector<std::function<bool(Bitmap&)>> effects = {
        [](Bitmap& b) { return GrayscaleBitmap(b); },
        [](Bitmap& b) { return EmbossBitmap(b, true); },
        [](Bitmap& b) { return SketchBitmap(b, false); },
        [](Bitmap& b) { return SpotlightBitmap(b, 200); },
        [](Bitmap& b) { return ColorSpotlightBitmap(b, 190); },
        [](Bitmap& b) { return BlurEdgesBitmap(b, 600); },
        [](Bitmap& b) { return OilPaintBitmap(b, 3); },
        [](Bitmap& b) { return TileBitmap(b, 40, 1); },
        [](Bitmap& b) { return GridBitmap(b, 3); },
        [](Bitmap& b) { return InvertBitmap(b); }};
    for (const auto& effect : effects) {
        EXPECT_FALSE(effect(grey));
        EXPECT_TRUE(grey == before);
    }
}

TEST(ApplyBrightness, ExtendedProductRoundedHalvesToEven) {
    EXPECT_EQ(BrightnessFactor(50), 1.5);
    Bitmap b(4, 1);
    b.SetPixel(0, 0, Grey(10));
    b.SetPixel(1, 0, Grey(1));
    b.SetPixel(2, 0, Grey(3));
    b.SetPixel(3, 0, Grey(200));
    Bitmap five = b;
    ApplyBrightness(five, BrightnessFactor(5));
    EXPECT_EQ(five.Pixel(0, 0), Grey(11));  // a product in double would give 10
    ApplyBrightness(b, BrightnessFactor(50));
    EXPECT_EQ(b.Pixel(1, 0), Grey(2));
    EXPECT_EQ(b.Pixel(2, 0), Grey(4));
    EXPECT_EQ(b.Pixel(3, 0), kWhite);
}

TEST(SharpenImage, FlatAreasStayAndEdgesRepeat) {
    Bitmap flat = Uniform(5, 4, Color{1, 2, 3});
    SharpenImage(flat);
    EXPECT_TRUE(flat == Uniform(5, 4, Color{1, 2, 3}));
    Bitmap one = Uniform(1, 1, Grey(90));
    SharpenImage(one);
    EXPECT_EQ(one.Pixel(0, 0), Grey(90));

    Bitmap spot = Uniform(5, 5, Grey(100));
    spot.SetPixel(2, 2, Grey(116));
    spot.SetPixel(0, 0, Grey(0));
    SharpenImage(spot);
    EXPECT_EQ(spot.Pixel(2, 2), Grey(124));  // 116 + (8 * 116 - 800) / 16
    EXPECT_EQ(spot.Pixel(1, 2), Grey(99));   // 100 + (800 - 816) / 16, truncated
    // The corner pixel repeats into 5 of its neighbours: 0 + (0 - 5*0 - 300) / 16 < 0.
    EXPECT_EQ(spot.Pixel(0, 0), Grey(0));
    EXPECT_EQ(spot.Pixel(4, 4), Grey(100));

    Bitmap pal(2, 2, PixelFormat::Indexed8);
    pal.SetColorTable({Color{10, 20, 30}});
    SharpenImage(pal);
    EXPECT_EQ(pal.Format(), PixelFormat::Bgr24);
    EXPECT_EQ(pal.Pixel(1, 1), (Color{10, 20, 30}));
}

}  // namespace
}  // namespace pictorel
