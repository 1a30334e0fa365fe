// The load step (both runs), its failure guard and RenderResult's crop.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestPictures.h"
#include "editor/EditorModel.h"
#include "imaging/BitmapUtils.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

namespace pictorel::test {
namespace {

constexpr Color kRed{255, 0, 0};
constexpr Color kBlue{0, 0, 255};

Color Pattern(int x, int y) {
    return Color{static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 3),
                 static_cast<std::uint8_t>((x ^ y) & 0xFF)};
}

struct LoadStep : ::testing::Test {
    TempDir dir;
    FakeMessageBoxes boxes;
    EditorModel doc{boxes};

    void Load(const std::filesystem::path& path, bool autoMode) {
        doc.SourcePath = path.string();
        doc.AutoMode = autoMode;
        doc.FormShow();
    }
};

TEST(AutoSize, ScaleAndSizeTable) {
    struct Row {
        int w, h;
        std::int64_t scale;
        int outW, outH;
    };
    // Sizes and scales as the automatic run must produce them.
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

TEST(Letterbox, OddDifferencePutsTheSmallerHalfFirst) {
    EXPECT_EQ(LetterboxRect(1000, 600), (Rect{0, 200, 1000, 800}));
    EXPECT_EQ(LetterboxRect(1001, 600), (Rect{0, 200, 1001, 800}));
    EXPECT_EQ(LetterboxRect(600, 1001), (Rect{200, 0, 800, 1001}));
    EXPECT_EQ(LetterboxRect(500, 500), (Rect{0, 0, 500, 500}));
}

TEST_F(LoadStep, AutomaticRunReducesTheWholePicture) {
    const auto path = dir.Path() / "p.bmp";
    WriteBmp(path, 1003, 750, Pattern);
    Load(path, true);
    EXPECT_TRUE(boxes.calls->empty());
    EXPECT_EQ(doc.Scale, 12538);
    ASSERT_TRUE(doc.Image2);
    EXPECT_EQ(doc.Image2->Width(), 799);
    EXPECT_EQ(doc.Image2->Height(), 598);
    // The full-resolution source goes through the resampler once.
    Bitmap source(1003, 750);
    for (int y = 0; y < 750; ++y)
        for (int x = 0; x < 1003; ++x) source.SetPixel(x, y, Pattern(x, y));
    EXPECT_TRUE(*doc.Image2 == ResampleBitmap(source, 799, 598));
    EXPECT_TRUE(doc.Image1 == *doc.Image2);
    EXPECT_TRUE(doc.Image1Visible && doc.Image2Visible && doc.SaveEnabled && doc.Panel8Enabled);
}

TEST_F(LoadStep, ThinPictureLoadsInsteadOfFailing) {
    const auto path = dir.Path() / "thin.bmp";
    WriteSolidBmp(path, 801, 1, kRed);
    Load(path, true);
    EXPECT_TRUE(boxes.calls->empty());
    ASSERT_TRUE(doc.Image2);
    EXPECT_EQ(doc.Image2->Width(), 800);
    EXPECT_EQ(doc.Image2->Height(), 1);
}

TEST_F(LoadStep, EditedRunCentresThePictureInAWhiteSquare) {
    for (const int width : {1000, 1001}) {
        SCOPED_TRACE(width);
        const auto path = dir.Path() / ("w" + std::to_string(width) + ".bmp");
        WriteSolidBmp(path, width, 600, kRed);
        Load(path, false);
        EXPECT_EQ(doc.Scale, 25 * width);
        ASSERT_EQ(doc.OrgImage.Width(), width);
        ASSERT_EQ(doc.OrgImage.Height(), width);
        for (const int x : {0, width / 2, width - 1}) {
            EXPECT_EQ(doc.OrgImage.Pixel(x, 199), kWhite);
            EXPECT_EQ(doc.OrgImage.Pixel(x, 200), kRed);
            EXPECT_EQ(doc.OrgImage.Pixel(x, 799), kRed);
            EXPECT_EQ(doc.OrgImage.Pixel(x, 800), kWhite);
        }
        EXPECT_EQ(doc.Image1.Width(), kViewSide);
        EXPECT_EQ(doc.Image1.Height(), kViewSide);
        ASSERT_TRUE(doc.Image2);
        EXPECT_TRUE(*doc.Image2 == doc.Image1);
    }
}

TEST_F(LoadStep, TallPictureIsCentredSideways) {
    const auto path = dir.Path() / "tall.bmp";
    WriteSolidBmp(path, 600, 1001, kBlue);
    Load(path, false);
    EXPECT_EQ(doc.OrgImage.Pixel(199, 500), kWhite);
    EXPECT_EQ(doc.OrgImage.Pixel(200, 500), kBlue);
    EXPECT_EQ(doc.OrgImage.Pixel(799, 500), kBlue);
    EXPECT_EQ(doc.OrgImage.Pixel(800, 500), kWhite);
}

TEST_F(LoadStep, DamagedFileShowsOneBoxAndEmptiesTheResult) {
    const auto good = dir.Path() / "good.bmp";
    WriteSolidBmp(good, 50, 40, kRed);
    Load(good, true);
    ASSERT_TRUE(doc.Image2);
    doc.DirectionIndex = 5;

    const auto broken = dir.Path() / "broken.jpg";
    WriteFile(broken, std::string("\xFF\xD8\xFF\xE0 not really a picture"));
    Load(broken, true);
    ASSERT_EQ(*boxes.calls,
              (CallLog{std::string("error: ") + kLoadFailedMessage + "\n" + broken.string()}));
    EXPECT_FALSE(doc.Image2);
    EXPECT_FALSE(doc.Image1Visible || doc.Image2Visible || doc.SaveEnabled || doc.Panel8Enabled);
    // The direction fields are reset after a failure too.
    EXPECT_EQ(doc.DirectionIndex, 0);
    EXPECT_EQ(doc.DirectionCount, 24);
    EXPECT_EQ(doc.DirectionPoints.size(), 24u);
}

TEST_F(LoadStep, MissingFileFailsLikeADamagedOne) {
    Load(dir.Path() / "absent.png", false);
    EXPECT_EQ(*boxes.calls, (CallLog{std::string("error: ") + kLoadFailedMessage + "\n" +
                                     (dir.Path() / "absent.png").string()}));
    EXPECT_FALSE(doc.Image2);
}

TEST(LoadFailedMessage, NamesTheFileByItsFullPath) {
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(LoadFailedMessage("in/../photos/a b.jpg"),
              std::string(kLoadFailedMessage) + "\n" + cwd + "/photos/a b.jpg");
    EXPECT_EQ(LoadFailedMessage("/abs/x.png"), std::string(kLoadFailedMessage) + "\n/abs/x.png");
}

TEST_F(LoadStep, EmptyPathOnlyResets) {
    const auto good = dir.Path() / "good.bmp";
    WriteSolidBmp(good, 50, 40, kRed);
    Load(good, true);
    doc.Brightness = 30;
    doc.Shape1Visible = true;
    doc.DirectionIndex = 7;
    doc.SourcePath.clear();
    doc.FormShow();
    EXPECT_TRUE(boxes.calls->empty());
    EXPECT_EQ(doc.Brightness, 0);
    EXPECT_EQ(doc.Scale, 0);
    EXPECT_FALSE(doc.Shape1Visible || doc.SaveEnabled || doc.Image1Visible);
    EXPECT_EQ(doc.DirectionIndex, 7);
}

// RenderResult on a synthetic work square with the edited run's scale.
struct Render : ::testing::Test {
    FakeMessageBoxes boxes;
    EditorModel doc{boxes};

    void Square(int side, const std::function<Color(int, int)>& color) {
        doc.OrgImage = Bitmap(side, side);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) doc.OrgImage.SetPixel(x, y, color(x, y));
        doc.Image1 = ResampleBitmap(doc.OrgImage, kViewSide, kViewSide);
        doc.Scale = 25 * std::int64_t{side};
        doc.Shape1Visible = false;
        doc.RenderResult();
    }
    void Frame(int left, int top, int side) {
        doc.Shape1 = Bounds{left, top, side, side};
        doc.Shape1Visible = true;
        doc.RenderResult();
    }
    // The w x h cut at (x0, y0) of the work square, white outside it.
    Bitmap Cut(int x0, int y0, int w, int h) const {
        Bitmap cut(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = x0 + x, sy = y0 + y;
                const bool inside =
                    sx >= 0 && sy >= 0 && sx < doc.OrgImage.Width() && sy < doc.OrgImage.Height();
                cut.SetPixel(x, y, inside ? doc.OrgImage.Pixel(sx, sy) : kWhite);
            }
        return cut;
    }
};

TEST_F(Render, NoFrameCopiesTheWorkView) {
    Square(1000, Pattern);
    ASSERT_TRUE(doc.Image2);
    EXPECT_TRUE(*doc.Image2 == doc.Image1);
    EXPECT_FALSE(doc.Busy);
    EXPECT_TRUE(doc.SaveEnabled && doc.Panel8Enabled && doc.Image2Visible);
}

TEST_F(Render, CropComesFromTheFullResolutionSquare) {
    Square(1000, Pattern);
    Frame(43, 63, 160);  // view (40, 60), side 160
    ASSERT_TRUE(doc.Image2);
    EXPECT_TRUE(*doc.Image2 == ResampleBitmap(Cut(100, 150, 400, 400), 400, 400));
    EXPECT_TRUE(doc.Shape1Visible);
}

TEST_F(Render, PartsOutsideTheSquareAreWhite) {
    Square(1000, Pattern);
    Frame(3 + 360, 3 + 380, 80);  // reaches past the right and bottom edges
    ASSERT_TRUE(doc.Image2);
    EXPECT_TRUE(*doc.Image2 == ResampleBitmap(Cut(900, 950, 200, 200), 400, 400));
    Frame(-37, -57, 80);  // left and above the square
    EXPECT_TRUE(*doc.Image2 == ResampleBitmap(Cut(-100, -150, 200, 200), 400, 400));
}

TEST_F(Render, CropOfNothingRemovesTheFrameSilently) {
    Square(200, Pattern);  // Scale 0.5000: a 1-pixel frame crops 0 pixels
    const Bitmap before = *doc.Image2;
    doc.Drawing = true;
    Frame(50, 50, 1);
    EXPECT_FALSE(doc.Shape1Visible);
    EXPECT_FALSE(doc.Drawing);
    EXPECT_TRUE(*doc.Image2 == before);
    EXPECT_TRUE(boxes.calls->empty());
    EXPECT_FALSE(doc.Busy);
}

}  // namespace
}  // namespace pictorel::test
