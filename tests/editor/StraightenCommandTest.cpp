#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "editor/EditorFixture.h"
#include "formats/LoadedPicture.h"
#include "imaging/Straighten.h"
#include "support/TestFiles.h"

namespace pictorel::test {
namespace {

// A 300 x 400 photo of soft dark and light bands turned 3 degrees
// clockwise, centred in a white 400 x 400 work square.
Bitmap LeaningPhotoSquare() {
    Bitmap square(400, 400);
    square.FillRect(Rect{0, 0, 400, 400}, kWhite);
    const double t = 3 * std::numbers::pi / 180;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            int light = 0;
            for (int s = 0; s < 16; ++s) {
                const double px = x + (s % 4 + 0.5) / 4 - 200, py = y + (s / 4 + 0.5) / 4 - 150;
                light +=
                    static_cast<int>(std::floor((px * std::cos(t) + py * std::sin(t)) / 30)) & 1;
            }
            const auto v = static_cast<std::uint8_t>(30 + 10 * light);
            square.SetPixel(x, 50 + y, {v, v, v});
        }
    return square;
}

struct StraightenCommand : EditorFixtureBase, ::testing::Test {};

TEST_F(StraightenCommand, TogglingBringsBackTheExactPictureBefore) {
    LoadSquare(model, LeaningPhotoSquare());
    model.Brighten();
    const Bitmap square = model.WorkSquare();
    const Bitmap view = model.WorkView();
    const Bitmap result = *model.Result();
    const std::int64_t scale = model.Scale();

    EXPECT_EQ(model.Straighten(), StraightenOutcome::Straightened);
    EXPECT_TRUE(model.Straightened());
    EXPECT_NE(model.WorkSquare(), square);
    EXPECT_NE(*model.Result(), result);
    // The straightened photo has a square of its own: scale and view follow.
    EXPECT_EQ(model.Scale(), 25 * std::int64_t{model.WorkSquare().Width()});
    EXPECT_EQ(model.WorkView(), ResampleBitmap(model.WorkSquare(), kViewSide, kViewSide));
    const Lean after = MeasureLean(model.WorkSquare(), Rect{0, 60, model.WorkSquare().Width(),
                                                            model.WorkSquare().Height() - 60});
    ASSERT_TRUE(after.enoughLines);
    EXPECT_NEAR(after.tiltDegrees, 0, 0.3);

    EXPECT_EQ(model.Straighten(), StraightenOutcome::Restored);
    EXPECT_FALSE(model.Straightened());
    EXPECT_EQ(model.WorkSquare(), square);
    EXPECT_EQ(model.WorkView(), view);
    EXPECT_EQ(*model.Result(), result);
    EXPECT_EQ(model.Scale(), scale);
    EXPECT_TRUE(boxes.calls->empty());
}

TEST_F(StraightenCommand, PictureBeforeTurnsWithTheShownOne) {
    LoadSquare(model, LeaningPhotoSquare());
    model.TurnClockwise();
    const Bitmap turned = model.WorkSquare();
    LoadSquare(model, LeaningPhotoSquare());
    ASSERT_EQ(model.Straighten(), StraightenOutcome::Straightened);
    model.TurnClockwise();
    ASSERT_EQ(model.Straighten(), StraightenOutcome::Restored);
    EXPECT_EQ(model.WorkSquare(), turned);
}

// Straightening, switching it off and the turns between are each one step
// of the history; undoing them in turn gives back every state exactly.
TEST_F(StraightenCommand, EachSwitchIsOneStepTheUndoTakesBackExactly) {
    LoadSquare(model, LeaningPhotoSquare());
    model.Brighten();
    const Bitmap square = model.WorkSquare();
    const Bitmap view = model.WorkView();
    const Bitmap result = *model.Result();
    const std::int64_t scale = model.Scale();
    const std::size_t steps = model.History().Size();

    ASSERT_EQ(model.Straighten(), StraightenOutcome::Straightened);
    EXPECT_EQ(model.History().Size(), steps + 1);
    const Bitmap straightened = model.WorkSquare();
    const Bitmap straightenedResult = *model.Result();
    model.TurnClockwise();
    ASSERT_EQ(model.Straighten(), StraightenOutcome::Restored);
    EXPECT_EQ(model.History().Size(), steps + 3);

    ASSERT_TRUE(model.Undo());  // switching off
    EXPECT_TRUE(model.Straightened());
    ASSERT_TRUE(model.Undo());  // the turn, of both the shown and the kept picture
    EXPECT_EQ(model.WorkSquare(), straightened);
    EXPECT_EQ(*model.Result(), straightenedResult);
    ASSERT_TRUE(model.Undo());  // straightening
    EXPECT_FALSE(model.Straightened());
    EXPECT_EQ(model.WorkSquare(), square);
    EXPECT_EQ(model.WorkView(), view);
    EXPECT_EQ(*model.Result(), result);
    EXPECT_EQ(model.Scale(), scale);
    EXPECT_EQ(model.History().Size(), steps);
    // Straightening again after the undo still works from the picture before.
    ASSERT_EQ(model.Straighten(), StraightenOutcome::Straightened);
    EXPECT_EQ(model.WorkSquare(), straightened);
}

TEST_F(StraightenCommand, TooFewLinesSaysSoAndChangesNothing) {
    Bitmap square(200, 200);
    square.FillRect(Rect{0, 0, 200, 200}, kWhite);
    square.FillRect(Rect{60, 70, 120, 110}, Color{200, 120, 40});
    LoadSquare(model, square);
    const Bitmap result = *model.Result();
    EXPECT_EQ(model.Straighten(), StraightenOutcome::TooFewLines);
    EXPECT_EQ(model.WorkSquare(), square);
    EXPECT_EQ(*model.Result(), result);
    EXPECT_FALSE(model.Straightened());
    EXPECT_EQ(*boxes.calls, CallLog{"plain: " + TooFewLinesText()});
    // A new picture forgets the one before a correction.
    LoadSquare(model, LeaningPhotoSquare());
    ASSERT_EQ(model.Straighten(), StraightenOutcome::Straightened);
    LoadSquare(model, square);
    EXPECT_FALSE(model.Straightened());
}

TEST_F(StraightenCommand, NothingLoadedDoesNothing) {
    EXPECT_EQ(model.Straighten(), StraightenOutcome::NothingShown);
    EXPECT_TRUE(boxes.calls->empty());
}

// Corpus photos turned by a known amount: the measurement follows the turn.
TEST(StraightenCorpus, RecoversKnownTurnsOfRealPhotos) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    for (const char* file : {"jpeg/camera/nikon-e950_800x600.jpg", "jpeg/photo_3872x2403.jpg"}) {
        LoadedPicture loaded;
        LoadPicture(loaded, (corpus / file).string());
        const Bitmap photo = loaded.TakeBgr24();
        const Lean own = MeasureLean(photo);
        ASSERT_TRUE(own.enoughLines) << file;
        for (const double turn : {-4.0, 2.5}) {
            // A straightening by -turn turns the content by +turn; its crop
            // keeps the middle, whose lines the measurement sees.
            Lean by;
            by.enoughLines = true;
            by.tiltDegrees = -turn;
            const Bitmap turned = ApplyStraighten(photo, by);
            const Lean lean = MeasureLean(turned);
            ASSERT_TRUE(lean.enoughLines) << file << " " << turn;
            EXPECT_NEAR(lean.tiltDegrees - own.tiltDegrees, turn, 0.5) << file << " " << turn;
        }
    }
}

// Corpus photos without straight lines: a flower before twigs, food on a
// griddle with plate rims. Turned or not, their short edges must not pass
// for a building's verticals or a horizon.
TEST(StraightenCorpus, PhotosWithoutLinesStayAsTheyAreWhenTurned) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    for (const char* file :
         {"modern/heic/iphone11promax_p3_edited.heic", "jpeg/camera/fujifilm-dx10_1024x768.jpg"}) {
        LoadedPicture loaded;
        LoadPicture(loaded, (corpus / file).string());
        const Bitmap photo = loaded.TakeBgr24();
        for (const double turn : {0.0, -6.5, -4.0, 2.0, 4.5}) {
            Lean by;
            by.enoughLines = true;
            by.tiltDegrees = -turn;
            const Lean lean = MeasureLean(turn == 0 ? photo : ApplyStraighten(photo, by));
            EXPECT_FALSE(lean.enoughLines)
                << file << " turned " << turn << ": measured " << lean.tiltDegrees << " from "
                << lean.agreeingLines << " lines";
        }
    }
}

}  // namespace
}  // namespace pictorel::test
