#include "editor/EffectCommands.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "editor/EditorFixture.h"
#include "imaging/BitmapEffects.h"

namespace pictorel {
namespace {

using test::LoadSquare;
using test::PatternSquare;

class EffectCommands : public ::testing::Test, public test::EditorFixtureBase {
  protected:
    void SetUp() override { LoadSquare(model, PatternSquare(400)); }
    void Run(const std::string& name) {
        for (const EditorEffect& e : EditorEffects())
            if (name == e.name) return model.ApplyEffect(e.effect);
        FAIL() << "no effect " << name;
    }
};

// What each command must do: the routine with its fixed arguments, on the
// view itself or on a copy drawn back over it.
struct Expectation {
    const char* name;
    bool onCopy;
    std::function<bool(Bitmap&)> routine;
};

const Expectation kTable[] = {
    {"sketch", true, [](Bitmap& b) { return SketchBitmap(b, false); }},
    {"grayscale", true, [](Bitmap& b) { return GrayscaleBitmap(b); }},
    {"spotlight", false, [](Bitmap& b) { return SpotlightBitmap(b, 200); }},
    {"colorspotlight", false, [](Bitmap& b) { return ColorSpotlightBitmap(b, 190); }},
    {"bluredges", false, [](Bitmap& b) { return BlurEdgesBitmap(b, 600); }},
    {"emboss", true, [](Bitmap& b) { return EmbossBitmap(b, true); }},
    {"oilpaint", false, [](Bitmap& b) { return OilPaintBitmap(b, 3); }},
    {"grid", true, [](Bitmap& b) { return GridBitmap(b, 3); }},
};

TEST_F(EffectCommands, EachAppliesItsRoutineWithFixedArgumentsAndStays24Bit) {
    const Bitmap plain = *model.Result();
    for (const Expectation& e : kTable) {
        model.ResetAdjustments();  // back to the plain rendering
        Bitmap expected = plain;
        if (e.onCopy) {
            Bitmap copy = plain;
            ASSERT_TRUE(e.routine(copy)) << e.name;
            expected.Draw(0, 0, copy);
        } else {
            ASSERT_TRUE(e.routine(expected)) << e.name;
        }
        ASSERT_NE(expected, plain) << e.name;
        Run(e.name);
        EXPECT_EQ(model.Result()->Format(), PixelFormat::Bgr24) << e.name;
        EXPECT_EQ(*model.Result(), expected) << e.name;
    }
}

TEST_F(EffectCommands, TileChangesTheViewInPlace) {
    const Bitmap plain = *model.Result();
    Run("tile");
    EXPECT_EQ(model.Result()->Format(), PixelFormat::Bgr24);
    EXPECT_EQ(model.Result()->Width(), 400);
    EXPECT_NE(*model.Result(), plain);
}

TEST_F(EffectCommands, EffectsAccumulate) {
    Run("spotlight");
    const Bitmap once = *model.Result();
    Run("spotlight");
    EXPECT_NE(*model.Result(), once);
    Bitmap twice = once;
    SpotlightBitmap(twice, 200);
    EXPECT_EQ(*model.Result(), twice);

    model.Sharpen();  // sharpening stacks on top
    Run("grayscale");
    const Color c = model.Result()->Pixel(123, 45);
    EXPECT_EQ(c.r, c.g);
    EXPECT_EQ(c.g, c.b);
}

TEST_F(EffectCommands, BrighterAndUndoDiscardEffects) {
    model.Brighten();
    const Bitmap brighter = *model.Result();
    model.ResetAdjustments();
    const Bitmap plain = *model.Result();

    Run("emboss");
    model.Brighten();
    EXPECT_EQ(*model.Result(), brighter);
    Run("oilpaint");
    model.ResetAdjustments();
    EXPECT_EQ(*model.Result(), plain);
}

TEST_F(EffectCommands, NothingToWorkOnIsIgnored) {
    test::FakeMessageBoxes otherBoxes;
    EditorModel empty(otherBoxes);
    for (const EditorEffect& e : EditorEffects()) empty.ApplyEffect(e.effect);
    EXPECT_FALSE(empty.Result());
    EXPECT_EQ(EditorEffects().size(), 9u);
}

}  // namespace
}  // namespace pictorel
