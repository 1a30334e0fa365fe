// The automatic correction on real photos, measured in the work view where
// the editor measures it: a right photo barely changes, and darkened or
// colour-cast copies come back near the original.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "editor/PreparePicture.h"
#include "imaging/AutoAdjust.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

// Each photo with the largest mean change the correction may make to it:
// two well-exposed photos barely change, a hazy warm one is corrected on
// purpose, and the plain grey frame is left alone (and so are its copies).
struct CorpusPhoto {
    const char* name;
    double maxChange;
    bool plain;
};
const CorpusPhoto kPhotos[] = {{"jpeg/photo_jolla_3264x2448.jpg", 3.0, false},
                               {"jpeg/photo_nokia_4608x1976.jpg", 3.0, false},
                               {"jpeg/photo_3872x2403.jpg", 9.0, false},
                               {"jpeg/photo_samsung_4032x2012.jpg", 0.0, true}};

// Mean absolute difference per channel value inside `area`.
double MeanDistance(const Bitmap& a, const Bitmap& b, const Rect& area) {
    double sum = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const Color p = a.Pixel(x, y), q = b.Pixel(x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        }
    return sum / (3.0 * area.Width() * area.Height());
}

// A copy with each channel (red, green, blue) multiplied inside `area`.
Bitmap Scaled(const Bitmap& view, const Rect& area, double red, double green, double blue) {
    Bitmap copy = view;
    const auto scale = [](std::uint8_t v, double f) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(v * f), 0L, 255L));
    };
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const Color c = view.Pixel(x, y);
            copy.SetPixel(x, y, {scale(c.r, red), scale(c.g, green), scale(c.b, blue)});
        }
    return copy;
}

Bitmap Corrected(const Bitmap& view) {
    Bitmap out = view;
    ApplyAutoCorrection(out, EstimateAutoCorrection(view, AreaInsideWhiteBars(view)));
    return out;
}

TEST(AutoCorrectionCorpus, RightPhotosBarelyChangeAndSpoiltCopiesComeBack) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    for (const CorpusPhoto& photo : kPhotos) {
        SCOPED_TRACE(photo.name);
        const Bitmap view = PreparePictureOrThrow((corpus / photo.name).string()).workView;
        const Rect area = AreaInsideWhiteBars(view);
        ASSERT_FALSE(area.Empty());

        const double unchanged = MeanDistance(Corrected(view), view, area);
        const Bitmap dark = Scaled(view, area, 0.6, 0.6, 0.6);
        const double darkBefore = MeanDistance(dark, view, area);
        const double darkAfter = MeanDistance(Corrected(dark), view, area);
        const Bitmap cast = Scaled(view, area, 1.15, 1.0, 0.8);
        const double castBefore = MeanDistance(cast, view, area);
        const double castAfter = MeanDistance(Corrected(cast), view, area);
        std::printf("%s: itself %.2f, darkened %.2f -> %.2f, cast %.2f -> %.2f\n", photo.name,
                    unchanged, darkBefore, darkAfter, castBefore, castAfter);

        EXPECT_LE(unchanged, photo.maxChange);
        if (photo.plain) {
            EXPECT_EQ(Corrected(dark), dark);
            EXPECT_EQ(Corrected(cast), cast);
            continue;
        }
        // Darkened to 60 %: back within 10 levels on average, a quarter of
        // the damage at most.
        EXPECT_LE(darkAfter, 10.0);
        EXPECT_LE(darkAfter, darkBefore / 4);
        // Red up 15 %, blue down 20 %: within 11 levels, and always nearer.
        EXPECT_LE(castAfter, 11.0);
        EXPECT_LT(castAfter, castBefore);
    }
}

}  // namespace
}  // namespace pictorel
