// The load step, its failure guard and RenderResult's crop.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestPictures.h"
#include "editor/EditorFixture.h"
#include "editor/EditorModel.h"
#include "imaging/ResampleBitmap.h"
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
    EditorModel model{boxes};

    void Load(const std::filesystem::path& path) {
        model.SetSource(path.string());
        model.Load();
    }
};

TEST(Letterbox, OddDifferencePutsTheSmallerHalfFirst) {
    EXPECT_EQ(LetterboxRect(1000, 600), (Rect{0, 200, 1000, 800}));
    EXPECT_EQ(LetterboxRect(1001, 600), (Rect{0, 200, 1001, 800}));
    EXPECT_EQ(LetterboxRect(600, 1001), (Rect{200, 0, 800, 1001}));
    EXPECT_EQ(LetterboxRect(500, 500), (Rect{0, 0, 500, 500}));
}

TEST_F(LoadStep, EditedRunCentresThePictureInAWhiteSquare) {
    for (const int width : {1000, 1001}) {
        SCOPED_TRACE(width);
        const auto path = dir.Path() / ("w" + std::to_string(width) + ".bmp");
        WriteSolidBmp(path, width, 600, kRed);
        Load(path);
        EXPECT_EQ(model.Scale(), 25 * width);
        ASSERT_EQ(model.WorkSquare().Width(), width);
        ASSERT_EQ(model.WorkSquare().Height(), width);
        for (const int x : {0, width / 2, width - 1}) {
            EXPECT_EQ(model.WorkSquare().Pixel(x, 199), kWhite);
            EXPECT_EQ(model.WorkSquare().Pixel(x, 200), kRed);
            EXPECT_EQ(model.WorkSquare().Pixel(x, 799), kRed);
            EXPECT_EQ(model.WorkSquare().Pixel(x, 800), kWhite);
        }
        EXPECT_EQ(model.WorkView().Width(), kViewSide);
        EXPECT_EQ(model.WorkView().Height(), kViewSide);
        ASSERT_TRUE(model.Result());
        EXPECT_TRUE(*model.Result() == model.WorkView());
    }
}

TEST_F(LoadStep, TallPictureIsCentredSideways) {
    const auto path = dir.Path() / "tall.bmp";
    WriteSolidBmp(path, 600, 1001, kBlue);
    Load(path);
    EXPECT_EQ(model.WorkSquare().Pixel(199, 500), kWhite);
    EXPECT_EQ(model.WorkSquare().Pixel(200, 500), kBlue);
    EXPECT_EQ(model.WorkSquare().Pixel(799, 500), kBlue);
    EXPECT_EQ(model.WorkSquare().Pixel(800, 500), kWhite);
}

TEST_F(LoadStep, DamagedFileShowsOneBoxAndEmptiesTheResult) {
    const auto good = dir.Path() / "good.bmp";
    WriteSolidBmp(good, 50, 40, kRed);
    Load(good);
    ASSERT_TRUE(model.Result());
    model.TurnMarkerLeft();

    const auto broken = dir.Path() / "broken.jpg";
    WriteFile(broken, std::string("\xFF\xD8\xFF\xE0 not really a picture"));
    Load(broken);
    ASSERT_EQ(*boxes.calls,
              (CallLog{std::string("error: ") + kLoadFailedMessage + "\n" + broken.string()}));
    EXPECT_FALSE(model.Result());
    EXPECT_FALSE(model.WorkViewShown() || model.ResultShown() || model.CanSave() ||
                 model.AdjustmentsEnabled());
    // The direction is reset after a failure too, and the cause is kept
    // for the callers that show it.
    EXPECT_EQ(model.DirectionIndex(), 0);
    EXPECT_FALSE(model.LoadFailureCause().empty());
    Load(good);
    EXPECT_TRUE(model.LoadFailureCause().empty());
}

TEST_F(LoadStep, MissingFileFailsLikeADamagedOne) {
    Load(dir.Path() / "absent.png");
    EXPECT_EQ(*boxes.calls, (CallLog{std::string("error: ") + kLoadFailedMessage + "\n" +
                                     (dir.Path() / "absent.png").string()}));
    EXPECT_FALSE(model.Result());
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
    Load(good);
    model.Brighten();
    CropTool crop(model);
    crop.BeginDraw({10, 10});
    crop.DrawTo({60, 60});
    crop.EndDraw();
    for (int i = 0; i < 7; ++i) model.TurnMarkerLeft();
    model.SetSource("");
    model.Load();
    EXPECT_TRUE(boxes.calls->empty());
    EXPECT_EQ(model.Brightness(), 0);
    EXPECT_EQ(model.Scale(), 0);
    EXPECT_FALSE(model.Crop().Shown() || model.CanSave() || model.WorkViewShown());
    EXPECT_EQ(model.DirectionIndex(), 7);
}

// RenderResult on a synthetic work square with the edited run's scale.
struct Render : ::testing::Test {
    FakeMessageBoxes boxes;
    EditorModel model{boxes};

    void Square(int side, const std::function<Color(int, int)>& color) {
        Bitmap square(side, side);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) square.SetPixel(x, y, color(x, y));
        LoadSquare(model, std::move(square));
    }
    void Frame(int left, int top, int side) {
        CropFrame frame;
        frame.Show(Rect::At(left, top, side, side));
        model.SetCropFrame(frame);
        model.RenderResult();
    }
    // The w x h cut at (x0, y0) of the work square, white outside it.
    Bitmap Cut(int x0, int y0, int w, int h) const {
        Bitmap cut(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = x0 + x, sy = y0 + y;
                const bool inside = sx >= 0 && sy >= 0 && sx < model.WorkSquare().Width() &&
                                    sy < model.WorkSquare().Height();
                cut.SetPixel(x, y, inside ? model.WorkSquare().Pixel(sx, sy) : kWhite);
            }
        return cut;
    }
};

TEST_F(Render, NoFrameCopiesTheWorkView) {
    Square(1000, Pattern);
    ASSERT_TRUE(model.Result());
    EXPECT_TRUE(*model.Result() == model.WorkView());
    EXPECT_TRUE(model.CanSave() && model.AdjustmentsEnabled() && model.ResultShown());
}

TEST_F(Render, CropComesFromTheFullResolutionSquare) {
    Square(1000, Pattern);
    Frame(40, 60, 160);
    ASSERT_TRUE(model.Result());
    EXPECT_TRUE(*model.Result() == ResampleBitmap(Cut(100, 150, 400, 400), 400, 400));
    EXPECT_TRUE(model.Crop().Shown());
}

TEST_F(Render, PartsOutsideTheSquareAreWhite) {
    Square(1000, Pattern);
    Frame(360, 380, 80);  // reaches past the right and bottom edges
    ASSERT_TRUE(model.Result());
    EXPECT_TRUE(*model.Result() == ResampleBitmap(Cut(900, 950, 200, 200), 400, 400));
    Frame(-40, -60, 80);  // left and above the square
    EXPECT_TRUE(*model.Result() == ResampleBitmap(Cut(-100, -150, 200, 200), 400, 400));
}

TEST_F(Render, CropOfNothingRemovesTheFrameSilently) {
    Square(200, Pattern);  // Scale 0.5000: a 1-pixel frame crops 0 pixels
    const Bitmap before = *model.Result();
    Frame(50, 50, 1);
    EXPECT_FALSE(model.Crop().Shown());
    EXPECT_TRUE(*model.Result() == before);
    EXPECT_TRUE(boxes.calls->empty());
}

}  // namespace
}  // namespace pictorel::test
