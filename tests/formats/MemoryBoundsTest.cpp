#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "FormatFixtures.h"
#include "app/Errors.h"
#include "formats/JPEGImage.h"
#include "formats/Picture.h"
#include "formats/TIFFGraphic.h"
#include "imaging/MemoryBudget.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

// A 16 x 16 progressive file whose frame header claims 17000 x 17000.
TEST(MemoryBoundsTest, TinyProgressiveJpegClaimingAHugePictureIsRefusedBeforeAllocating) {
    std::vector<std::uint8_t> jpeg = test::MakeJpeg(16, 16, test::Pattern, 0, false, true);
    bool patched = false;
    for (std::size_t i = 0; i + 8 < jpeg.size() && !patched; ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2) {
            jpeg[i + 5] = jpeg[i + 7] = 0x42;
            jpeg[i + 6] = jpeg[i + 8] = 0x68;  // 17000
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    MemoryBudget& budget = MemoryBudget::Process();
    budget.ResetPeak();
    const std::uint64_t before = budget.InUse();
    const auto start = std::chrono::steady_clock::now();
    TJPEGImage reader;
    EXPECT_THROW(reader.LoadFromMemory(jpeg), EInvalidGraphic);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(budget.Peak(), before);

    // The same picture at its real size decodes.
    TJPEGImage small;
    small.LoadFromMemory(test::MakeJpeg(16, 16, test::Pattern, 0, false, true));
    EXPECT_EQ(small.Width(), 16);
}

// A JPEG-compressed TIFF of 16 x 16 whose directory then claims 17000 x 17000
// in one strip.
// 1.5 GiB of zeros named .png: refused by its first bytes, the rest unread.
// Uncompressed YCbCr with 2x1 chroma subsampling: 4 bytes per two pixels.
}  // namespace
}  // namespace pictorel
