// The shrink step converts an embedded colour profile after the reduction:
// the result must stay within a level on average of converting first.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "formats/LoadedPicture.h"
#include "imaging/ResampleBitmap.h"
#include "support/TestFiles.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel::test {
namespace {

// The JPEG with `icc` in one APP2 "ICC_PROFILE" segment after its SOI.
std::vector<std::uint8_t> WithProfile(const std::vector<std::uint8_t>& jpeg,
                                      const std::vector<std::uint8_t>& icc) {
    const std::size_t length = icc.size() + 16;
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), {0xFF, 0xE2, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
    const char tag[] = "ICC_PROFILE";
    out.insert(out.end(), tag, tag + sizeof tag);
    out.insert(out.end(), {1, 1});
    out.insert(out.end(), icc.begin(), icc.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

double MeanDifference(const Bitmap& a, const Bitmap& b) {
    EXPECT_EQ(a.Width(), b.Width());
    EXPECT_EQ(a.Height(), b.Height());
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width() * 3; ++x)
            sum += std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]);
    }
    return sum / (3.0 * a.Width() * a.Height());
}

Bitmap Reduced(const std::string& path, ProfileConversion conversion) {
    LoadedPicture picture;
    LoadPicture(picture, path, conversion);
    const Size target = AutoTargetSize(picture.Width(), picture.Height());
    return ResampleBitmap(picture.ToBitmap().ToBgr24(), target.width, target.height);
}

TEST(ProfileAfterReduction, ShrinkStepStaysWithinALevelOfConvertingFirst) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    // A real photo above the automatic size, tagged with a real profile that
    // moves colours far (gamma 1.8 RGB).
    LoadedPicture profiled;
    LoadPicture(profiled, (corpus / "jpeg/orientation/landscape_2.jpg").string(),
                ProfileConversion::ByCaller);
    ASSERT_FALSE(profiled.IccProfile().empty());
    const std::string photo = (corpus / "jpeg/camera/fujifilm-dx10_1024x768.jpg").string();
    TempDir dir;
    const std::string tagged = dir.Str() + "tagged.jpg";
    WriteFile(tagged, WithProfile(ReadFile(photo), profiled.IccProfile()));

    const Bitmap shrunk = ShrinkForPublishing(tagged);

    const double fromConvertFirst =
        MeanDifference(shrunk, Reduced(tagged, ProfileConversion::AtLoad));
    const double fromStored = MeanDifference(shrunk, Reduced(photo, ProfileConversion::AtLoad));
    EXPECT_LE(fromConvertFirst, 1.0);
    EXPECT_GT(fromStored, 3.0);  // the colours were converted at all
    std::cout << "  after reduction vs converting first: " << fromConvertFirst
              << " levels on average\n";
}

}  // namespace
}  // namespace pictorel::test
