// The automatic run end to end: names, sizes, boxes and progress in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "WorkflowFixture.h"
#include "editor/TestPictures.h"
#include "formats/LoadedPicture.h"
#include "workflow/FileUtils.h"
#include "workflow/JpegOutput.h"
#include "workflow/RunDestination.h"

namespace pictorel::test {
namespace {

namespace fs = std::filesystem;

const std::string kDone = "confirm: 縮小が完了しました。フォルダを開きますか？";
const std::string kStopAll = "confirm: 残りの処理を全て中止しました。フォルダを開きますか？";
const std::string kLoadError = "error: 画像ファイルが壊れているか、サイズが大き過ぎます。";

struct AutomaticRun : ::testing::Test, WorkflowFixture {
    // A BMP, or for any other name a JPEG, of the given size.
    std::string Picture(const std::string& name, int width, int height) {
        const auto color = [](int x, int y) { return Color{std::uint8_t(x), std::uint8_t(y), 90}; };
        const fs::path path = dir.Path() / name;
        fs::create_directories(path.parent_path());
        if (path.extension() == ".bmp") {
            WriteBmp(path, width, height, color);
        } else {
            Bitmap picture(width, height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) picture.SetPixel(x, y, color(x, y));
            WriteFile(path, EncodeJpeg(picture));
        }
        return path.string();
    }
    std::pair<int, int> SizeOf(const std::string& path) {
        LoadedPicture picture;
        LoadPicture(picture, path);
        return {picture.Width(), picture.Height()};
    }
    void Run(std::vector<std::string> files, int comboIndex, const std::string& name = "") {
        main.AddChosenFiles(files);
        if (comboIndex == 0)
            main.FolderNamePicked(0);
        else
            main.FolderNameTyped(name);
        log->clear();
        main.RunAutomatic();
    }
};

TEST_F(AutomaticRun, SameFolderNamesNeverOverwrite) {
    const std::string src = Picture("photos/IMG_0001.JPG", 1600, 1200);
    const std::string folder = NormalizeFolderPath(Path("photos"));
    for (const char* expected :
         {"mini_IMG_0001.jpg", "mini_IMG_0001-1.jpg", "mini_IMG_0001-2.jpg"}) {
        boxes.answers = {false};
        Run({src}, 0);
        EXPECT_TRUE(fs::exists(folder + expected)) << expected;
        EXPECT_EQ(*log,
                  (CallLog{"start-progress 1 gauge", "step-progress", "stop-progress", kDone}));
    }
    EXPECT_EQ(SizeOf(folder + "mini_IMG_0001.jpg"), std::make_pair(800, 600));
    EXPECT_TRUE(main.SelectedFiles().empty());
    EXPECT_EQ(main.Caption(), "選択ファイル数：0");
    EXPECT_FALSE(main.ProcessingScreen());
}

TEST_F(AutomaticRun, NamedFolderTakesTheFileNamesInListOrder) {
    SetBase(Folder("base") + "/");
    const std::string a = Picture("a/x.jpeg", 3000, 2000);
    const std::string b = Picture("b/x.bmp", 640, 480);
    boxes.answers = {true};
    Run({a, b}, -1, "A101");
    const std::string out = NormalizeFolderPath(Path("base/A101"));
    EXPECT_EQ(*log, (CallLog{"start-progress 2 gauge", "step-progress", "step-progress",
                             "stop-progress", kDone, "open-folder: " + out}));
    EXPECT_EQ(SizeOf(out + "x.jpg"), std::make_pair(800, 533));
    EXPECT_EQ(SizeOf(out + "x-1.jpg"), std::make_pair(640, 480));
    EXPECT_FALSE(fs::exists(out + "mini_x.jpg"));
}

TEST_F(AutomaticRun, DamagedFileInTheMiddle) {
    SetBase(Folder("base") + "/");
    const std::string a = Picture("in/a.jpg", 1001, 750);
    const std::string broken = Path("in/b.jpg");
    WriteFile(broken, std::string("\xFF\xD8\xFF garbage"));
    const std::string c = Picture("in/c.bmp", 850, 527);
    std::vector<std::string> failures;
    main.SetFailureLog([&](const std::string& line) { failures.push_back(line); });
    boxes.answers = {false};
    Run({a, broken, c}, -1, "R");
    // The log keeps what the box leaves out: the reader's reason, one line.
    EXPECT_EQ(failures, std::vector<std::string>{broken + ": " + kLoadError.substr(7) +
                                                 " (Cannot load image. Invalid or unexpected "
                                                 "JPEG image format.)"});
    // The unreadable file is told in its turn and counted in the question.
    EXPECT_EQ(*log,
              (CallLog{"start-progress 3 gauge", "step-progress", kLoadError + "\n" + broken,
                       "step-progress", "step-progress", "stop-progress",
                       "confirm: 1 個のファイルを保存できませんでした。フォルダを開きますか？"}));
    const std::string out = NormalizeFolderPath(Path("base/R"));
    EXPECT_EQ(SizeOf(out + "a.jpg"), std::make_pair(800, 599));
    EXPECT_FALSE(fs::exists(out + "b.jpg"));
    EXPECT_EQ(SizeOf(out + "c.jpg"), std::make_pair(800, 496));
    EXPECT_EQ(progress.steps, 3);
}

TEST_F(AutomaticRun, SameFolderOpensTheLastFilesFolder) {
    const std::string p1 = Picture("p1/a.bmp", 20, 10);
    const std::string p2 = Picture("p2/b.bmp", 10, 20);
    boxes.answers = {true};
    Run({p1, p2}, 0);
    EXPECT_EQ(log->back(), "open-folder: " + NormalizeFolderPath(Path("p2")));
    EXPECT_TRUE(fs::exists(Path("p1/mini_a.jpg")));
    EXPECT_TRUE(fs::exists(Path("p2/mini_b.jpg")));
}

TEST_F(AutomaticRun, EscStopsAfterTheFileInHand) {
    const std::string a = Picture("s/a.bmp", 30, 30);
    const std::string b = Picture("s/b.bmp", 30, 30);
    const std::string c = Picture("s/c.bmp", 30, 30);
    progress.cancelAfterSteps = 1;
    boxes.answers = {true};
    Run({a, b, c}, 0);
    EXPECT_EQ(*log, (CallLog{"start-progress 3 gauge", "step-progress", "stop-progress", kStopAll,
                             "open-folder: " + NormalizeFolderPath(Path("s"))}));
    EXPECT_TRUE(fs::exists(Path("s/mini_a.jpg")));
    EXPECT_FALSE(fs::exists(Path("s/mini_b.jpg")));
    EXPECT_TRUE(main.SelectedFiles().empty());
}

TEST_F(AutomaticRun, EscDuringTheLastFileEndsNormally) {
    const std::string a = Picture("t/a.bmp", 30, 30);
    progress.cancelAfterSteps = 1;
    boxes.answers = {false};
    Run({a}, 0);
    EXPECT_EQ(*log, (CallLog{"start-progress 1 gauge", "step-progress", "stop-progress", kDone}));
}

TEST_F(AutomaticRun, UnwritableFileIsToldAndCountedAndTheRunGoesOn) {
    // "mini_" makes the output name longer than a file name may be, which
    // fails for every user, root included.
    const std::string longName = std::string(250, 'n');
    const std::string a = Picture("w/" + longName + ".bmp", 30, 20);
    const std::string b = Picture("w/b.bmp", 30, 20);
    const std::string other = longName.substr(1) + "c";
    const std::string c = Picture("w/" + other + ".bmp", 20, 30);
    boxes.answers = {false};
    Run({a, b, c}, 0);
    const std::string folder = NormalizeFolderPath(Path("w"));
    const std::string reason = "\n" + std::string(std::strerror(ENAMETOOLONG));
    EXPECT_EQ(*log,
              (CallLog{"start-progress 3 gauge",
                       "error: ファイル " + folder + "mini_" + longName +
                           ".jpg を保存できませんでした。" + reason,
                       "step-progress", "step-progress",
                       "error: ファイル " + folder + "mini_" + other +
                           ".jpg を保存できませんでした。" + reason,
                       "step-progress", "stop-progress",
                       "confirm: 2 個のファイルを保存できませんでした。フォルダを開きますか？"}));
    EXPECT_TRUE(fs::exists(folder + "mini_b.jpg"));

    // Stopped by Esc after a failure: both are said.
    progress.cancelAfterSteps = 1;
    boxes.answers = {false};
    Run({a, b}, 0);
    EXPECT_EQ(log->back(),
              "confirm: 1 個のファイルを保存できませんでした。"
              "残りの処理を全て中止しました。フォルダを開きますか？");
}

TEST_F(AutomaticRun, WorkersKeepFilesAndBoxesInSelectionOrder) {
    // The first photo is by far the slowest, so the workers finish the later
    // ones first; the damaged and the unwritable file in the middle are still
    // told in their turn and the names are given in selection order.
    main.SetShrinkJobs(4);
    const std::string longName = std::string(250, 'n');
    const std::string slow = Picture("o/x.jpg", 3200, 2400);
    const std::string broken = Path("o/b.jpg");
    WriteFile(broken, std::string("\xFF\xD8\xFF garbage"));
    const std::string unwritable = Picture("o/" + longName + ".bmp", 30, 20);
    const std::string second = Picture("o/x.bmp", 40, 30);
    const std::string third = Picture("o/x.png.bmp", 40, 30);
    boxes.answers = {false};
    Run({slow, broken, unwritable, second, third}, 0);
    const std::string out = NormalizeFolderPath(Path("o")) + "mini_";
    ASSERT_EQ(log->size(), 10u);
    EXPECT_EQ((*log)[2], kLoadError + "\n" + broken);
    EXPECT_EQ((*log)[4].rfind("error: ファイル " + out + longName + ".jpg を保存", 0), 0u)
        << (*log)[4];
    EXPECT_EQ(log->back(), "confirm: 2 個のファイルを保存できませんでした。フォルダを開きますか？");
    EXPECT_EQ(SizeOf(out + "x.jpg"), std::make_pair(800, 600));
    EXPECT_EQ(SizeOf(out + "x-1.jpg"), std::make_pair(40, 30));
    EXPECT_EQ(SizeOf(out + "x.png.jpg"), std::make_pair(40, 30));
}

TEST_F(AutomaticRun, NothingIsWrittenAfterEscWithWorkersAhead) {
    main.SetShrinkJobs(4);
    std::vector<std::string> files;
    for (int i = 0; i < 8; ++i)
        files.push_back(Picture("e/" + std::to_string(i) + ".jpg", 900, 700));
    progress.cancelAfterSteps = 2;
    boxes.answers = {false};
    Run(files, 0);
    EXPECT_EQ(log->back(), kStopAll);
    // The workers are joined before the question: nothing comes later.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(Path("e")))
        if (entry.path().filename().string().starts_with("mini_"))
            written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"mini_0.jpg", "mini_1.jpg"}));
}

TEST_F(AutomaticRun, NothingHappensWithoutFilesOrWithARefusedName) {
    main.RunAutomatic();
    EXPECT_EQ(*log, (CallLog{"plain: ファイル無い"}));

    main.AddChosenFiles({Picture("u/a.bmp", 10, 10)});
    main.FolderNameTyped("a*b");
    log->clear();
    main.RunAutomatic();
    EXPECT_EQ(*log, (CallLog{"error: フォルダの名前に「*」は使えません"}));
    EXPECT_EQ(main.SelectedFiles().size(), 1u);
    EXPECT_EQ(main.ComboText(), "a*b");
    EXPECT_TRUE(main.FocusComboRequested());
}

TEST(RunDestination, PrefixesAndTheFolderToOpen) {
    EXPECT_EQ(SameFolderPrefix("/a.png"), "/mini_");
    RunDestination same;
    EXPECT_EQ(same.FolderToOpen(), "");
    EXPECT_EQ(same.OutputPathFor("/nowhere/cam/IMG_0001.JPG"), "/nowhere/cam/mini_IMG_0001.JPG");
    EXPECT_EQ(same.FolderToOpen(), "/nowhere/cam/");
    RunDestination named("/out/A101/");
    EXPECT_EQ(named.OutputPathFor("/d/cam/IMG_0001.jpeg"), "/out/A101/IMG_0001.jpeg");
    EXPECT_EQ(named.FolderToOpen(), "/out/A101/");
}

}  // namespace
}  // namespace pictorel::test
