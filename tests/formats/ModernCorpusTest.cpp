// Every row of the modern corpus (phone and web photos, embedded profiles)
// through the program's loading rule, compared with its reference picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <string>

#include "CorpusManifest.h"
#include "base/Errors.h"
#include "formats/LoadedPicture.h"
#include "formats/PictureFormats.h"
#include "formats/PngReader.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

// The worst channel's mean absolute difference between the decoded picture
// (24-bit) and the reference, which holds k x k box averages (rounded half
// up) of the top-left (W div k x k) x (H div k x k) pixels when smaller.
double WorstChannelDifference(const Bitmap& decoded, const Bitmap& reference) {
    const int k = decoded.Width() / reference.Width();
    EXPECT_GE(k, 1);
    EXPECT_EQ(decoded.Width() / k, reference.Width());
    EXPECT_EQ(decoded.Height() / k, reference.Height());
    if (k < 1 || decoded.Height() / k != reference.Height()) return 1e9;
    std::array<double, 3> sums{};
    for (int ry = 0; ry < reference.Height(); ++ry) {
        for (int rx = 0; rx < reference.Width(); ++rx) {
            std::array<int, 3> box{};
            for (int y = ry * k; y < (ry + 1) * k; ++y) {
                const std::uint8_t* p = decoded.ScanLine(y) + rx * k * 3;
                for (int x = 0; x < k; ++x, p += 3) {
                    for (int c = 0; c < 3; ++c) box[c] += p[c];
                }
            }
            const std::uint8_t* r = reference.ScanLine(ry) + rx * 3;
            for (int c = 0; c < 3; ++c) {
                const int average = (2 * box[c] + k * k) / (2 * k * k);
                sums[c] += std::abs(average - r[c]);
            }
        }
    }
    const double pixels = double{1} * reference.Width() * reference.Height();
    return *std::max_element(sums.begin(), sums.end()) / pixels;
}

TEST(ModernCorpusTest, EveryRowMatchesItsReferenceOrFails) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    const auto rows = test::ReadModernManifest(corpus);
    ASSERT_GE(rows.size(), 18u);
    int matched = 0;
    int refused = 0;
    for (const test::ModernRow& row : rows) {
        SCOPED_TRACE(row.path);
        const std::string path = (corpus / "modern" / row.path).string();
        LoadedPicture picture;
        std::string error;
        try {
            LoadPicture(picture, path);
        } catch (const Error& e) {
            error = e.what();
        }
        if (row.expect == "must-fail") {
            EXPECT_FALSE(error.empty());
            EXPECT_TRUE(picture.Empty());
            ++refused;
            continue;
        }
        ASSERT_TRUE(error.empty()) << error;
        ASSERT_EQ(picture.Width(), row.width);
        ASSERT_EQ(picture.Height(), row.height);
        const Bitmap reference = DecodePng(test::ReadFile(corpus / "modern" / row.reference));
        const double difference = WorstChannelDifference(picture.ToBitmap().ToBgr24(), reference);
        EXPECT_LE(difference, row.tolerance);
        if (difference <= row.tolerance) ++matched;
        std::cout << "  " << row.path << ": " << difference << "\n";
    }
    std::cout << "  " << matched << " matched, " << refused << " refused\n";
    EXPECT_EQ(matched + refused, static_cast<int>(rows.size()));
}

}  // namespace
}  // namespace pictorel
