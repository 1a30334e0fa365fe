// Shrinking one photo for publishing: the size rule, the reduction itself,
// the failure text, and JPEG bytes unchanged from the automatic run of
// earlier releases.
#include "workflow/ShrinkPhoto.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <future>
#include <string>
#include <utility>

#include "base/Errors.h"
#include "editor/EditorModel.h"
#include "editor/TestPictures.h"
#include "formats/ColourProfile.h"
#include "formats/LoadedPicture.h"
#include "imaging/MemoryBudget.h"
#include "imaging/ResampleBitmap.h"
#include "support/TestFiles.h"
#include "workflow/JpegOutput.h"

namespace pictorel::test {
namespace {

Color Pattern(int x, int y) {
    return Color{static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 3),
                 static_cast<std::uint8_t>((x ^ y) & 0xFF)};
}

std::uint64_t Fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const std::uint8_t b : bytes) hash = (hash ^ b) * 0x100000001b3ULL;
    return hash;
}

TEST(AutoSize, ScaleAndSizeTable) {
    struct Row {
        int w, h;
        std::int64_t scale;
        int outW, outH;
    };
    const Row rows[] = {
        {1600, 1200, 20000, 800, 600}, {3000, 2000, 37500, 800, 533}, {1200, 1600, 20000, 600, 800},
        {1003, 750, 12538, 799, 598},  {1001, 750, 12512, 800, 599},  {850, 527, 10625, 800, 496},
        {640, 480, 10000, 640, 480},   {800, 800, 10000, 800, 800},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
        EXPECT_EQ(AutoScaleFor(std::max(r.w, r.h)), r.scale);
        EXPECT_EQ(AutoTargetSize(r.w, r.h), (Size{r.outW, r.outH}));
    }
}

TEST(AutoSize, ThinPictureKeepsOnePixel) {
    EXPECT_EQ(AutoTargetSize(801, 1), (Size{800, 1}));
    EXPECT_EQ(AutoTargetSize(3, 3000), (Size{1, 800}));
}

struct ShrinkPhoto : ::testing::Test {
    TempDir dir;
};

TEST_F(ShrinkPhoto, ReducesTheWholePictureOnce) {
    const auto path = dir.Path() / "p.bmp";
    WriteBmp(path, 1003, 750, Pattern);
    const Bitmap shrunk = ShrinkForPublishing(path.string());
    EXPECT_EQ(shrunk.Width(), 799);
    EXPECT_EQ(shrunk.Height(), 598);
    EXPECT_EQ(shrunk.Format(), PixelFormat::Bgr24);
    // The full-resolution source goes through the resampler once.
    Bitmap source(1003, 750);
    for (int y = 0; y < 750; ++y)
        for (int x = 0; x < 1003; ++x) source.SetPixel(x, y, Pattern(x, y));
    EXPECT_TRUE(shrunk == ResampleBitmap(source, 799, 598));
}

TEST_F(ShrinkPhoto, ThinPictureShrinksInsteadOfFailing) {
    const auto path = dir.Path() / "thin.bmp";
    WriteSolidBmp(path, 801, 1, Color{255, 0, 0});
    const Bitmap shrunk = ShrinkForPublishing(path.string());
    EXPECT_EQ(shrunk.Width(), 800);
    EXPECT_EQ(shrunk.Height(), 1);
}

TEST_F(ShrinkPhoto, UnreadableFileThrowsTheLoadFailedTextWithItsCause) {
    const auto broken = dir.Path() / "broken.jpg";
    WriteFile(broken, std::string("\xFF\xD8\xFF\xE0 not really a picture"));
    const auto fifo = dir.Path() / "fifo.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto loop = dir.Path() / "loop.jpg";
    std::filesystem::create_symlink(loop, loop);
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {broken, "Cannot load image."},
        {dir.Path() / "absent.png", "No such file or directory"},
        {fifo, "not a regular file"},
        {loop, "Too many levels of symbolic links"}};
    for (const auto& [path, cause] : cases) {
        SCOPED_TRACE(path.string());
        try {
            ShrinkForPublishing(path.string());
            ADD_FAILURE() << "no error";
        } catch (const InvalidPicture& e) {
            EXPECT_EQ(std::string(e.what()), LoadFailedMessage(path.string()));
            EXPECT_TRUE(e.Cause().starts_with(cause)) << e.Cause();
        }
    }
}

// JPEG bytes of corpus photos as the automatic run wrote them before it was
// a function of its own: large, EXIF-turned, paletted with transparency,
// GIF and 16-bit TIFF sources. The EXIF-turned photo carries a gamma 1.8 RGB
// profile: its bytes are those of the reduction converted to sRGB (the
// modern corpus test checks that conversion against its reference).
TEST_F(ShrinkPhoto, JpegBytesMatchTheEarlierAutomaticRun) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    const struct {
        const char* file;
        std::size_t size;
        std::uint64_t hash;
    } photos[] = {
        {"jpeg/photo_nokia_4608x1976.jpg", 37391, 0x20af0218f07fe609ULL},
        {"jpeg/orientation/landscape_6.jpg", 68546, 0x6586b04ec027d788ULL},
        {"png/transparency/ftbrn2c08.png", 1018, 0xb64f6cf7403e216dULL},
        {"gif/porsche.gif", 7603, 0x7817888551885742ULL},
        {"tiff/libtiff/rgb-3c-16b.tiff", 6864, 0x7561b0758504e077ULL},
    };
    for (const auto& photo : photos) {
        SCOPED_TRACE(photo.file);
        const std::vector<std::uint8_t> jpeg =
            EncodeJpeg(ShrinkForPublishing((corpus / photo.file).string()));
        EXPECT_EQ(jpeg.size(), photo.size);
        EXPECT_EQ(Fnv1a(jpeg), photo.hash);
    }
}

// JPEG photos are reduced row by row as they are decoded; every JPEG of the
// corpus (progressive, restart markers, odd sizes, truncated and corrupt
// scans, colour profiles, turned, grey and CMYK ones that are loaded whole)
// gives the bytes of loading the whole picture first, or fails the same way.
TEST_F(ShrinkPhoto, RowByRowReductionGivesTheBytesOfTheWholePicture) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    int compared = 0;
    for (const std::string& path : CorpusJpegFiles(corpus)) {
        SCOPED_TRACE(path);
        Bitmap whole;
        try {
            LoadedPicture picture;
            LoadPicture(picture, path, ProfileConversion::ByCaller);
            const Bitmap source = picture.TakeBgr24();
            const Size target = AutoTargetSize(source.Width(), source.Height());
            whole = ResampleBitmap(source, target.width, target.height);
            ConvertToSrgb(whole, picture.IccProfile());
        } catch (const Error&) {
            EXPECT_THROW(ShrinkForPublishing(path), InvalidPicture);
            continue;
        }
        EXPECT_TRUE(ShrinkForPublishing(path) == whole);
        ++compared;
    }
    EXPECT_GE(compared, 25);
}

// A progressive photo's coefficient arrays are reserved in one request with
// the rows that reduce it. Reserved one after the other, the second request
// would never wait (the thread already holds budget), and several photos
// decoding at once would take far more than the budget.
TEST_F(ShrinkPhoto, ProgressivePhotoWaitsForRoomForItsArraysAndRows) {
    const std::string path =
        std::string(PICTOREL_SOURCE_DIR) + "/tests/workflow/data/progressive-444-480x320.jpg";
    MemoryBudget& budget = MemoryBudget::Process();
    const std::uint64_t saved = budget.Capacity();
    const std::uint64_t base = budget.InUse();
    budget.ResetPeak();
    const Bitmap expected = ShrinkForPublishing(path);
    const std::uint64_t needed = budget.Peak() - base;
    // Coefficients of 60 x 40 blocks in three components at the least.
    EXPECT_GE(needed, 3u * 60 * 40 * 128);

    // Another job holds all but a byte of the room this photo needs: the
    // shrink waits until that job is done, whatever its rows would fit.
    budget.SetCapacity(budget.InUse() + needed + needed - 1);
    MemoryBudget::Reservation otherJob = budget.Reserve(needed);
    budget.ResetPeak();
    auto shrunk = std::async(std::launch::async, [&] { return ShrinkForPublishing(path); });
    EXPECT_EQ(shrunk.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    otherJob.Release();
    EXPECT_TRUE(shrunk.get() == expected);
    EXPECT_LE(budget.Peak(), budget.Capacity());
    budget.SetCapacity(saved);
}

}  // namespace
}  // namespace pictorel::test
