// The undo history over every edit, and the mosaic and automatic correction
// as the model renders them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "editor/EditorFixture.h"
#include "editor/MosaicTool.h"
#include "imaging/Mosaic.h"

namespace pictorel {
namespace {

using test::LoadSquare;
using test::PatternSquare;

struct Snapshot {
    Bitmap result, square, view, marker;
    int brightness;
    CropFrame crop;
    std::vector<Rect> mosaics;
    bool markerShown, autoAdjusted;
    Rect markerPlace;
    int direction;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Take(const EditorModel& m) {
    return {*m.Result(),       m.WorkSquare(),    m.WorkView(),
            m.MarkerPicture(), m.Brightness(),    m.Crop(),
            m.Mosaics(),       m.MarkerShown(),   m.AutoCorrectionInUse().has_value(),
            m.Marker(),        m.DirectionIndex()};
}

class UndoHistory : public ::testing::Test, public test::EditorFixtureBase {
  protected:
    void SetUp() override {
        LoadSquare(model, PatternSquare(800));
        crop.BeginDraw({40, 50});
        crop.DrawTo({240, 250});
        crop.EndDraw();
        model.Brighten();
    }
};

TEST_F(UndoHistory, EveryEditUndoneGivesBackTheExactEarlierState) {
    const std::vector<std::pair<std::string, std::function<void()>>> edits = {
        {"brighten", [&] { model.Brighten(); }},
        {"darken", [&] { model.Darken(); }},
        {"reset", [&] { model.ResetAdjustments(); }},
        {"turn", [&] { model.TurnClockwise(); }},
        {"sharpen", [&] { model.Sharpen(); }},
        {"effect", [&] { model.ApplyEffect(Effect::OilPaint); }},
        {"frame", [&] { crop.NudgeBy(7, -3), crop.KeysReleased(); }},
        {"marker", [&] { model.ShowMarker(true); }},
        {"marker turn", [&] { model.TurnMarkerLeft(); }},
        {"marker place", [&] { model.SetMarkerBounds(Rect::At(10, 20, 80, 80)); }},
        {"auto", [&] { model.AutoAdjust(); }},
        {"mosaic", [&] { model.AddMosaic(Rect::At(60, 70, 90, 40)); }},
    };
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        model.Sharpen();  // a result no rendering gives back
        const Snapshot before = Take(model);
        edit();
        ASSERT_NE(Take(model), before) << "the edit changed nothing";
        ASSERT_TRUE(model.Undo());
        EXPECT_EQ(Take(model), before);
    }
}

TEST_F(UndoHistory, UndoStepsBackOneEditPerPressToTheLoadedPicture) {
    // SetUp drew a frame and brightened: two steps, then nothing.
    model.TurnClockwise();
    model.AddMosaic(Rect::At(0, 0, 30, 30));
    EXPECT_TRUE(model.Undo());
    EXPECT_TRUE(model.Mosaics().empty());
    EXPECT_TRUE(model.Undo());
    EXPECT_EQ(model.Brightness(), 5);
    EXPECT_TRUE(model.Undo());
    EXPECT_EQ(model.Brightness(), 0);
    EXPECT_TRUE(model.Undo());
    EXPECT_FALSE(model.Crop().Shown());
    EXPECT_EQ(*model.Result(), model.WorkView());
    EXPECT_FALSE(model.Undo());
}

TEST_F(UndoHistory, HistoryIsBoundedAndANewPictureStartsAnother) {
    for (int i = 0; i < 130; ++i) model.Sharpen();
    EXPECT_EQ(model.History().Size(), EditHistory::kMaxSteps);
    LoadSquare(model, PatternSquare(400));
    EXPECT_FALSE(model.CanUndo());
}

TEST_F(UndoHistory, MosaicBlocksAreUniformInTheCroppedResultAndCoverTheRectangle) {
    const Bitmap plain = *model.Result();
    const Rect rect = Rect::At(90, 100, 63, 31);  // inside the 200-pixel frame
    ASSERT_TRUE(model.AddMosaic(rect));
    const Rect inResult = ViewRectInResult(rect, model.Crop());
    EXPECT_EQ(inResult, (Rect{100, 100, 226, 162}));  // doubled by the 200 -> 400 scaling
    const Bitmap& result = *model.Result();
    for (const Rect& block : MosaicBlocks(inResult)) {
        EXPECT_GE(block.Height(), 8);
        const Color first = result.Pixel(block.left, block.top);
        for (int y = block.top; y < block.bottom; ++y)
            for (int x = block.left; x < block.right; ++x) ASSERT_EQ(result.Pixel(x, y), first);
    }
    for (int y = 0; y < kViewSide; ++y)
        for (int x = 0; x < kViewSide; ++x)
            if (x < inResult.left || x >= inResult.right || y < inResult.top ||
                y >= inResult.bottom) {
                ASSERT_EQ(result.Pixel(x, y), plain.Pixel(x, y)) << x << "," << y;
            }
}

TEST_F(UndoHistory, MosaicStaysOverThePictureThroughTurnsAndFrameChanges) {
    model.AddMosaic(Rect::At(10, 20, 30, 40));
    model.TurnClockwise();
    EXPECT_EQ(model.Mosaics()[0], (Rect{340, 10, 380, 40}));
    crop.BeginDraw({0, 0});
    crop.EndDraw();  // a click: the whole view again
    const Bitmap& result = *model.Result();
    const Color first = result.Pixel(340, 10);
    for (const Rect& block : MosaicBlocks(model.Mosaics()[0]))
        EXPECT_EQ(result.Pixel(block.right - 1, block.bottom - 1),
                  result.Pixel(block.left, block.top));
    EXPECT_NE(first, model.WorkView().Pixel(340, 10));
}

TEST_F(UndoHistory, AutoCorrectionStaysThroughBrightnessAndFrameChanges) {
    model.AutoAdjust();
    const AutoCorrection correction = *model.AutoCorrectionInUse();
    model.Brighten();
    crop.NudgeBy(3, 0);
    crop.KeysReleased();
    EXPECT_EQ(model.AutoCorrectionInUse(), correction);
    model.AutoAdjust();  // a second press adds no step
    EXPECT_TRUE(model.Undo());
    EXPECT_TRUE(model.Undo());
    EXPECT_TRUE(model.Undo());
    EXPECT_FALSE(model.AutoCorrectionInUse());
}

class MosaicToolTest : public UndoHistory {
  protected:
    MosaicTool tool{model};
};

TEST_F(MosaicToolTest, DrawsMovesAndKeysRectanglesInViewPixels) {
    tool.BeginDrag({100, 80});
    tool.DragTo({30, 60});
    tool.EndDrag();
    ASSERT_EQ(model.Mosaics().size(), 1u);
    EXPECT_EQ(model.Mosaics()[0], (Rect{30, 60, 100, 80}));

    tool.BeginDrag({50, 70});  // the body: a move
    tool.DragTo({60, 75});
    tool.EndDrag();
    EXPECT_EQ(model.Mosaics()[0], (Rect{40, 65, 110, 85}));

    tool.NudgeBy(-100, 0);  // stops at the view's edge
    tool.ResizeBy(5, -30);  // never thinner than a pixel
    tool.KeysReleased();
    EXPECT_EQ(model.Mosaics()[0], (Rect{0, 65, 75, 66}));

    tool.BeginDrag({300, 300});  // a click without a move adds nothing
    tool.EndDrag();
    EXPECT_EQ(model.Mosaics().size(), 1u);
    tool.BeginDrag({10, 65});
    tool.EndDrag();
    tool.RemoveSelected();
    EXPECT_TRUE(model.Mosaics().empty());
}

}  // namespace
}  // namespace pictorel
