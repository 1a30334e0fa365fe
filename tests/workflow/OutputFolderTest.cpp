// Checking the output folder's name and creating the base and output folders,
// with every box in its order.
#include <gtest/gtest.h>

#include <filesystem>

#include "WorkflowFixture.h"
#include "workflow/BaseFolderDialogModel.h"
#include "workflow/FileUtils.h"
#include "workflow/OutputFolder.h"

namespace pictorel::test {
namespace {

namespace fs = std::filesystem;

struct OutputFolder : ::testing::Test, WorkflowFixture {
    std::string base;
    int focus = 0;

    OutputFolder() { base = Folder("base") + "/"; }

    std::string Prepare(const std::string& typed) {
        const OutputFolderContext context{
            boxes, baseDialog, [this] { return base; }, [this] { ++focus; }, {}};
        return PrepareOutputFolder(typed, context);
    }
};

TEST_F(OutputFolder, EmptyNameIsRefused) {
    EXPECT_EQ(Prepare(" \t "), "");
    EXPECT_EQ(*log, (CallLog{"error: 保存するフォルダの名前を入力して下さい"}));
    EXPECT_EQ(focus, 1);
}

TEST_F(OutputFolder, ForbiddenCharactersAreReportedInListOrder) {
    const std::pair<const char*, const char*> cases[] = {
        {"a|b<c", "<"}, {"x?y*", "*"}, {"a\"b:c", ":"}, {"p>q", ">"}, {"r/s", "/"}, {"t\\u", "\\"},
    };
    for (const auto& [name, reported] : cases) {
        log->clear();
        EXPECT_EQ(Prepare(name), "") << name;
        EXPECT_EQ(*log,
                  (CallLog{std::string("error: フォルダの名前に「") + reported + "」は使えません"}))
            << name;
    }
    EXPECT_TRUE(fs::is_empty(base));
}

TEST_F(OutputFolder, DotNamesAndControlCharactersAreRefused) {
    const std::pair<std::string, std::string> cases[] = {
        {"..", "フォルダの名前を「..」にはできません"},
        {" . ", "フォルダの名前を「.」にはできません"},
        {"A101\n", "フォルダの名前に改行などの制御文字は使えません"},
        {"a\tb", "フォルダの名前に改行などの制御文字は使えません"},
        {std::string("a\x1f"), "フォルダの名前に改行などの制御文字は使えません"},
    };
    for (const auto& [name, message] : cases) {
        log->clear();
        EXPECT_EQ(Prepare(name), "") << name;
        EXPECT_EQ(*log, (CallLog{"error: " + message})) << name;
    }
    EXPECT_EQ(focus, 5);
    EXPECT_TRUE(fs::is_empty(base));
    // Dots inside a name are ordinary characters.
    EXPECT_EQ(Prepare("..a"), NormalizeFolderPath(base + "..a"));
}

TEST_F(OutputFolder, MultiByteNamesPass) {
    // "ソ" and "表" carry 0x5C as a trail byte in the old code page; in UTF-8 nothing does.
    const std::string folder = Prepare("物件ソ表");
    EXPECT_EQ(folder, NormalizeFolderPath(base + "物件ソ表"));
    EXPECT_TRUE(fs::is_directory(base + "物件ソ表"));
    EXPECT_TRUE(log->empty());
}

TEST_F(OutputFolder, TestedTrimmedButCreatedAsTyped) {
    const std::string folder = Prepare("  A101 ");
    EXPECT_TRUE(fs::is_directory(base + "  A101 "));
    EXPECT_FALSE(fs::exists(base + "A101"));
    EXPECT_EQ(folder, NormalizeFolderPath(base + "  A101 "));
    EXPECT_EQ(folder.back(), '/');
}

TEST_F(OutputFolder, ExistingFolderIsAskedAbout) {
    Folder("base/A101");
    boxes.answers = {true};
    EXPECT_EQ(Prepare("A101"), "");
    EXPECT_EQ(*log,
              (CallLog{"confirm: 指定した名前のフォルダが既に存在します。処理を中止しますか？",
                       "confirm-ok: 別の名前を付けて下さい"}));
    EXPECT_EQ(focus, 1);

    log->clear();
    boxes.answers = {false};
    EXPECT_EQ(Prepare("A101"), NormalizeFolderPath(base + "A101"));
    EXPECT_EQ(*log,
              (CallLog{"confirm: 指定した名前のフォルダが既に存在します。処理を中止しますか？"}));
}

TEST_F(OutputFolder, MissingBaseIsCreatedWhenItsParentExists) {
    base = Path("base/new/");
    EXPECT_EQ(Prepare("A101"), NormalizeFolderPath(base + "A101"));
    EXPECT_TRUE(log->empty());
    EXPECT_TRUE(fs::is_directory(base + "A101"));
}

TEST_F(OutputFolder, BaseWithoutParentShowsTheBaseFolderDialog) {
    base = Path("no/such/base/");
    EXPECT_EQ(Prepare("A101"), "");
    EXPECT_EQ(
        *log,
        (CallLog{"error: 基準フォルダの作成ができませんでした。基準フォルダを指定して下さい。",
                 "base-folder-dialog"}));
    EXPECT_FALSE(fs::exists(Path("no")));
}

TEST_F(OutputFolder, DefaultBaseIsCreatedWithItsParentsAndAnyBaseIsAFolder) {
    // First run without a pictures folder: the default base is made in full.
    base = Path("home/Pictures/Estavel/");
    const OutputFolderContext context{boxes, baseDialog, [this] { return base; }, {}, base};
    EXPECT_EQ(PrepareOutputFolder("A101", context), NormalizeFolderPath(base + "A101"));
    EXPECT_TRUE(fs::is_directory(base + "A101"));
    EXPECT_TRUE(log->empty());

    // A base without its trailing "/" is still the folder, not a name prefix.
    base = Folder("plain");
    EXPECT_EQ(Prepare("B2"), NormalizeFolderPath(Path("plain/B2")));
    EXPECT_FALSE(fs::exists(Path("plainB2")));
}

TEST_F(OutputFolder, UnusableRootPathCountsAsMissing) {
    for (const std::string stored : {"", "relative/base/", "base"}) {
        SetBase(stored);
        EXPECT_EQ(main.BaseFolder(), main.DefaultRootPath()) << stored;
    }
    SetBase("/x/base");
    EXPECT_EQ(main.BaseFolder(), "/x/base/");
    EXPECT_EQ(UsableRootPath(std::string("/x/a\0b", 7)), "");

    // The base-folder dialog asks for one: it offers and stores the default.
    FakeFolderBrowser browser{log};
    BaseFolderDialogModel dialog{ini, boxes, browser};
    SetBase("relative/base/");
    dialog.Load();
    EXPECT_EQ(dialog.FolderText, dialog.DefaultRootPath);
    EXPECT_EQ(ini.ReadString("Path", "RootPath", ""), NormalizeFolderPath(dialog.DefaultRootPath));
}

TEST_F(OutputFolder, OutputFolderThatCannotBeCreated) {
    const std::string name(300, 'n');  // longer than a file name may be
    EXPECT_EQ(Prepare(name), "");
    const std::string folder = base + name + "/";
    EXPECT_EQ(
        *log,
        (CallLog{
            "error: フォルダ「" + folder +
                "」の作成ができませんでした。フォルダを作成できる基準フォルダを指定して下さい。",
            "base-folder-dialog"}));
}

TEST_F(OutputFolder, BaseFolderIsReadAtEveryRun) {
    // MainScreen reads "RootPath" afresh, falling back to the default.
    SetBase(base);
    main.AddChosenFiles({"/nowhere/a.jpg"});
    main.FolderNameTyped("B2");
    EXPECT_EQ(main.PrepareOutputFolder(), NormalizeFolderPath(base + "B2"));
    ini.WriteString("Path", "RootPath", Path("other/"));
    Folder("other");
    EXPECT_EQ(main.PrepareOutputFolder(), NormalizeFolderPath(Path("other/B2")));
    EXPECT_TRUE(log->empty());
}

}  // namespace
}  // namespace pictorel::test
