// Output sizes: their limits, their labels, and the settings file round
// trip, damaged entries included.
#include "workflow/OutputSize.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "OutputSizeFixtures.h"
#include "app/SettingsFile.h"
#include "support/TestFiles.h"
#include "workflow/OutputSizeList.h"

namespace pictorel::test {
namespace {

struct SettingsFixture {
    TempDir dir;
    SettingsFile ini{(dir.Path() / "pictorel").string()};
    SettingsFixture() { ini.SetFileName((dir.Path() / "Pictorel.ini").string()); }
};

TEST(OutputSize, LimitsAreToldInTheUsersWords) {
    EXPECT_EQ(OutputSizeProblem(Named("物件サイト", 1200, 85, 300)), "");
    EXPECT_EQ(OutputSizeProblem(Named("", 1200, 85, {})), "名前を入力して下さい。");
    EXPECT_EQ(OutputSizeProblem(Named("a|b", 1200, 85, {})),
              "名前に改行、「|」、「\"」は使えません。");
    EXPECT_EQ(OutputSizeProblem(Named(std::string(41, 'a'), 1200, 85, {})),
              "名前は 40 文字までにして下さい。");
    EXPECT_EQ(OutputSizeProblem(Named("物件サイトの写真の大きさ", 800, 80, {})), "");  // characters
    EXPECT_EQ(OutputSizeProblem(Named("x", 99, 85, {})),
              "長辺は 100～10000 ピクセルにして下さい。");
    EXPECT_EQ(OutputSizeProblem(Named("x", 10001, 85, {})),
              "長辺は 100～10000 ピクセルにして下さい。");
    EXPECT_EQ(OutputSizeProblem(Named("x", 800, 0, {})), "画質は 1～100 にして下さい。");
    EXPECT_EQ(OutputSizeProblem(Named("x", 800, 80, 9)),
              "ファイルサイズの上限は 10～100000 KB にして下さい。");
    OutputSize box = Named("x", 0, 80, {});
    box.boxWidth = 640;
    box.boxHeight = 50;
    EXPECT_EQ(OutputSizeProblem(box), "幅と高さは 100～10000 ピクセルにして下さい。");
}

TEST(OutputSize, LabelsShowTheDefaultFirstWordAndEachPart) {
    EXPECT_EQ(OutputSizeLabel(DefaultOutputSize()), "標準（長辺 800 px・画質 80）");
    EXPECT_EQ(OutputSizeLabel(Named("物件", 1200, 85, 300)),
              "物件（長辺 1200 px・画質 85・300 KB まで）");
    OutputSize box = Named("枠", 0, 70, {});
    box.boxWidth = 640;
    box.boxHeight = 480;
    EXPECT_EQ(OutputSizeLabel(box), "枠（640×480 px・画質 70）");
}

TEST(OutputSizeSettings, RoundTripShrinkingListAndChosenName) {
    SettingsFixture f;
    EXPECT_TRUE(ReadOutputSizes(f.ini).empty());
    EXPECT_EQ(ReadChosenOutputSize(f.ini), "");
    // Nothing is written until the user adds a size.
    EXPECT_FALSE(std::filesystem::exists(f.ini.Path()));
    OutputSize box = Named("枠", 0, 70, {});
    box.boxWidth = 640;
    box.boxHeight = 480;
    const std::vector<OutputSize> sizes{Named("物件サイト", 1200, 85, 300), box,
                                        Named(" 空白 ", 100, 100, 100000)};
    WriteOutputSizes(f.ini, sizes);
    EXPECT_EQ(ReadOutputSizes(f.ini), sizes);
    WriteOutputSizes(f.ini, {sizes[1]});
    EXPECT_EQ(ReadOutputSizes(f.ini), (std::vector<OutputSize>{sizes[1]}));
    EXPECT_EQ(f.ini.ReadString("OutputSize", "Name2", ""), "");  // emptied, not left behind
    WriteChosenOutputSize(f.ini, "枠");
    EXPECT_EQ(ReadChosenOutputSize(f.ini), "枠");
    EXPECT_EQ(*FindOutputSize(ReadOutputSizes(f.ini), "枠"), box);
    EXPECT_FALSE(FindOutputSize(ReadOutputSizes(f.ini), "物件サイト"));
}

TEST(OutputSizeSettings, UnsoundListsAreRefusedBeforeAnythingIsWritten) {
    SettingsFixture f;
    EXPECT_THROW(WriteOutputSizes(f.ini, {Named("a", 800, 80, {}), Named("a", 900, 80, {})}),
                 std::invalid_argument);
    EXPECT_THROW(WriteOutputSizes(f.ini, {Named("a", 50, 80, {})}), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(f.ini.Path()));
}

TEST(OutputSizeSettings, DamagedEntriesAreSkippedAndTheRestKept) {
    SettingsFixture f;
    WriteFile(f.ini.Path(),
              "[OutputSize]\n"
              "Count=\"9\"\n"
              "Name1=\"良い\"\nSide1=\"1200\"\nQuality1=\"85\"\nMaxKB1=\"300\"\n"
              "Name2=\"大き過ぎ\"\nSide2=\"99999\"\nQuality2=\"85\"\n"
              "Name3=\"文字\"\nSide3=\"12OO\"\nQuality3=\"85\"\n"
              "Name4=\"良い\"\nSide4=\"900\"\nQuality4=\"80\"\n"
              "Name5=\"上限\"\nSide5=\"900\"\nQuality5=\"80\"\nMaxKB5=\"-3\"\n"
              "Name6=\"\"\nSide6=\"900\"\nQuality6=\"80\"\n"
              "Name7=\"枠\"\nSide7=\"640x\"\nQuality7=\"80\"\n"
              "Name8=\"画質なし\"\nSide8=\"640\"\n"
              "Name9=\"枠2\"\nSide9=\"640x480\"\nQuality9=\"60\"\n");
    const std::vector<OutputSize> sizes = ReadOutputSizes(f.ini);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0], Named("良い", 1200, 85, 300));
    EXPECT_EQ(sizes[1].name, "枠2");
    EXPECT_EQ(sizes[1].boxWidth, 640);
    for (const char* count : {"-1", "x", "99999999999"}) {
        f.ini.WriteString("OutputSize", "Count", count);
        EXPECT_TRUE(ReadOutputSizes(f.ini).empty()) << count;
    }
}

TEST(OutputSizeList, EditsRefuseUnsoundSizesAndSecondNames) {
    OutputSizeList list({Named("a", 800, 80, {})});
    EXPECT_EQ(list.Add(Named("b", 1200, 85, 300)), "");
    EXPECT_EQ(list.Add(Named("a", 900, 80, {})), "同じ名前の出力サイズがあります。");
    EXPECT_EQ(list.Add(Named("標準", 900, 80, {})), "「標準」は名前に使えません。");
    EXPECT_EQ(list.Add(Named("c", 900, 101, {})), "画質は 1～100 にして下さい。");
    EXPECT_EQ(list.Change(1, Named("b", 1000, 85, 300)), "");  // its own name stays
    EXPECT_EQ(list.Change(1, Named("a", 1000, 85, 300)), "同じ名前の出力サイズがあります。");
    EXPECT_EQ(list.Change(5, Named("x", 1000, 85, 300)), "出力サイズを選んで下さい。");
    EXPECT_EQ(list.Remove(0), "");
    EXPECT_EQ(list.Remove(3), "出力サイズを選んで下さい。");
    EXPECT_EQ(list.Sizes(), (std::vector<OutputSize>{Named("b", 1000, 85, 300)}));
}

}  // namespace
}  // namespace pictorel::test
