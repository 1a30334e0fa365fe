// The output size in the main window's logic: the drop-down's items and
// choice, what the settings file keeps of them, and a capped automatic run.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "OutputSizeFixtures.h"
#include "WorkflowFixture.h"
#include "workflow/JpegOutput.h"
#include "workflow/OutputSize.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel::test {
namespace {

namespace fs = std::filesystem;

struct OutputSizeChoice : ::testing::Test, WorkflowFixture {};

TEST_F(OutputSizeChoice, DefaultFirstAndRememberedOnlyOnceTheUserChoosesAnother) {
    main.Start({});
    EXPECT_EQ(main.OutputSizeItems(), (std::vector<std::string>{"標準（長辺 800 px・画質 80）"}));
    main.OutputSizePicked(0);
    EXPECT_FALSE(fs::exists(ini.Path()));  // the default writes nothing

    main.SetUserOutputSizes({Named("物件", 1200, 85, 300), Named("小", 400, 70, {})});
    EXPECT_EQ(main.OutputSizeItems().size(), 3u);
    EXPECT_EQ(main.OutputSizeItems()[2], "小（長辺 400 px・画質 70）");
    EXPECT_EQ(ReadChosenOutputSize(ini), "");
    main.OutputSizePicked(2);
    EXPECT_EQ(main.ChosenOutputSize().name, "小");
    EXPECT_EQ(ReadChosenOutputSize(ini), "小");
    main.OutputSizePicked(7);  // out of range: ignored
    EXPECT_EQ(main.OutputSizeIndex(), 2);

    // A new window finds the choice again; a list that still holds the name
    // keeps it, one without it falls back to the default.
    MainScreen again{ini, boxes, progress, shell, baseDialog};
    again.Start({});
    EXPECT_EQ(again.OutputSizeIndex(), 2);
    again.SetUserOutputSizes({Named("小", 500, 70, {})});
    EXPECT_EQ(again.OutputSizeIndex(), 1);
    EXPECT_EQ(again.ChosenOutputSize().maxSide, 500);
    again.SetUserOutputSizes({Named("別", 500, 70, {})});
    EXPECT_EQ(again.OutputSizeIndex(), 0);
    EXPECT_EQ(ReadChosenOutputSize(ini), "");
    EXPECT_THROW(again.SetUserOutputSizes({Named("", 500, 70, {})}), std::invalid_argument);
    EXPECT_EQ(again.UserOutputSizes().size(), 1u);
}

TEST_F(OutputSizeChoice, CappedRunLowersOnTheWorkersAndTellsIt) {
    // A grainy 1600 x 1200 photo: far over a small cap at quality 80.
    Bitmap photo(1600, 1200);
    std::mt19937 random(7);
    for (int y = 0; y < 1200; ++y)
        for (int x = 0; x < 1600; ++x)
            photo.SetPixel(x, y,
                           Color{std::uint8_t(x / 8 + random() % 40), std::uint8_t(y / 6),
                                 std::uint8_t(random() % 60)});
    const std::string source = Path("grain.jpg");
    WriteFile(source, EncodeJpeg(photo));
    const std::size_t plainBytes = EncodeJpeg(ShrinkForPublishing(source)).size();
    const int capKb = static_cast<int>(plainBytes * 8 / 10 / kBytesPerKb);

    std::vector<std::string> logged;
    main.SetFailureLog([&](const std::string& line) { logged.push_back(line); });
    main.Start({});
    main.SetUserOutputSizes({Named("上限つき", 800, 80, capKb)});
    main.OutputSizePicked(1);
    main.AddChosenFiles({source});
    main.FolderNamePicked(0);
    boxes.answers = {false};
    log->clear();
    main.RunAutomatic();

    const fs::path written = dir.Path() / "mini_grain.jpg";
    ASSERT_TRUE(fs::exists(written));
    EXPECT_LE(fs::file_size(written), std::size_t(capKb) * kBytesPerKb);
    EXPECT_EQ(log->back(),
              "confirm: 1 個のファイルは上限に合わせて画質やサイズを下げました。"
              "縮小が完了しました。フォルダを開きますか？");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_TRUE(logged[0].starts_with(source + ": 画質 80 → ")) << logged[0];
}

}  // namespace
}  // namespace pictorel::test
