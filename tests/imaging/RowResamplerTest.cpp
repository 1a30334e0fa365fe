#include <gtest/gtest.h>

#include <cstring>

#include <array>
#include <random>
#include <vector>

#include "base/Errors.h"
#include "imaging/MemoryBudget.h"
#include "imaging/ResampleBitmap.h"
#include "support/RandomPictures.h"

namespace pictorel {
namespace {

// Feeds the picture's rows one by one, as a decoder does.
Bitmap ResampleRowByRow(const Bitmap& source, int width, int height) {
    RowResampler resampler(source.Width(), source.Height(), width, height);
    for (int y = 0; y < source.Height(); ++y) {
        std::memcpy(resampler.NextRow(), source.ScanLine(y), 3 * std::size_t(source.Width()));
        resampler.RowDone();
    }
    return resampler.Finish();
}

void ExpectSameBytes(const Bitmap& a, const Bitmap& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        ASSERT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), a.Stride()), 0) << "row " << y;
}

// Row by row and whole, the bytes agree (row padding included): on the
// shrink step's own reductions, on enlargements, where a result row reads
// many source rows or one, and on one-pixel sides.
TEST(RowResampler, GivesTheBytesOfTheWholePictureResampling) {
    std::mt19937 rng(1209);
    std::uniform_int_distribution<int> side(1, 70);
    for (int n = 0; n < 120; ++n) {
        const int W = side(rng), H = side(rng);
        const Bitmap source = test::RandomPicture(W, H, static_cast<unsigned>(n));
        const int w = n % 5 == 0 ? 1 : side(rng), h = n % 7 == 0 ? 1 : side(rng);
        SCOPED_TRACE(testing::Message() << W << "x" << H << " to " << w << "x" << h);
        ExpectSameBytes(ResampleRowByRow(source, w, h), ResampleBitmap(source, w, h));
    }
    for (const auto& [W, H, w, h] : std::vector<std::array<int, 4>>{
             {3001, 2003, 800, 533}, {1203, 2999, 321, 800}, {900, 700, 800, 622}}) {
        const Bitmap source = test::RandomPicture(W, H, 77);
        ExpectSameBytes(ResampleRowByRow(source, w, h), ResampleBitmap(source, w, h));
    }
}

// Only the rows a result row reads are kept: a 24-megapixel reduction holds
// a few hundred kilobytes besides its result, not the 72 MB photo.
TEST(RowResampler, KeepsOnlyTheRowsStillToBeRead) {
    const std::uint64_t before = MemoryBudget::Process().HeldByThisThread();
    RowResampler resampler(6000, 4000, 800, 533);
    const std::uint64_t held = MemoryBudget::Process().HeldByThisThread() - before;
    EXPECT_LT(held, 2'000'000u);
    EXPECT_GT(held, 800u * 533 * 3);
}

TEST(RowResampler, RefusesRowsPastTheEndAndAResultBeforeTheLastRow) {
    RowResampler resampler(4, 3, 2, 2);
    for (int y = 0; y < 2; ++y) {
        std::memset(resampler.NextRow(), 9, 12);
        resampler.RowDone();
    }
    EXPECT_THROW(resampler.Finish(), AssertionFailure);
    std::memset(resampler.NextRow(), 9, 12);
    resampler.RowDone();
    EXPECT_THROW(resampler.NextRow(), AssertionFailure);
    const Bitmap result = resampler.Finish();
    EXPECT_EQ(result.Pixel(1, 1), (Color{9, 9, 9}));
    EXPECT_THROW(RowResampler(0, 3, 2, 2), AssertionFailure);
    EXPECT_THROW(RowResampler(4, 3, 0, 2), DivisionByZero);
}

}  // namespace
}  // namespace pictorel
