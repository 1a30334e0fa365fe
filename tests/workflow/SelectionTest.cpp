// Selecting files: the extension test, drops, the command line, the screens.
#include <gtest/gtest.h>

#include <algorithm>

#include "WorkflowFixture.h"
#include "workflow/FileUtils.h"

namespace pictorel::test {
namespace {

struct Selection : ::testing::Test, WorkflowFixture {};

TEST(HasAcceptedExtension, ExtensionsInAnyCase) {
    for (const char* yes :
         {"a.jpg", "b.JPEG", "c.Gif", "d.png", "e.BMP", "f.tif", "PHOTO.Tif", "g.tiff", "h.psd",
          "i.eps", "/x/site.png/a.b.png", "IMG_0001.HEIC", "j.heif", "k.Hif", "l.AVIF", "m.webp"})
        EXPECT_TRUE(HasAcceptedExtension(yes)) << yes;
    for (const char* no : {"photo.jpe", "photo", "a.txt", "/x/site.png/readme", "a.jpg.txt", ""})
        EXPECT_FALSE(HasAcceptedExtension(no)) << no;
}

TEST_F(Selection, DroppedFolderAddsItsSupportedFilesInListingOrder) {
    const std::string drop = Folder("drop");
    Folder("drop/sub");
    WriteFile(dir.Path() / "drop/a.JPG", "x");
    WriteFile(dir.Path() / "drop/b.txt", "x");
    WriteFile(dir.Path() / "drop/sub/c.png", "x");
    std::vector<std::string> listed;
    CollectFiles(drop, &listed);
    std::vector<std::string> expected;
    for (const std::string& f : listed)
        if (f.ends_with(".JPG") || f.ends_with(".png")) expected.push_back(f);
    ASSERT_EQ(expected.size(), 2u);

    // A file inside the dropped folder, dropped as well, is selected twice.
    const std::string inner = expected.front();
    main.DropFiles({drop, inner});
    expected.push_back(inner);
    EXPECT_EQ(main.SelectedFiles(), expected);
    EXPECT_TRUE(main.ProcessingScreen());
    EXPECT_EQ(main.Title(), "処理選択");
    EXPECT_EQ(main.Caption(), "選択ファイル数：3");
    EXPECT_EQ(ini.ReadString("Path", "LastSourcePath", "?"), FolderPart(inner));

    // Drops are ignored while files are selected.
    main.DropFiles({Path("drop/sub/c.png")});
    EXPECT_EQ(main.SelectedFiles().size(), 3u);
}

TEST_F(Selection, UnsupportedDropStaysOnTheSelectionScreen) {
    WriteFile(dir.Path() / "notes.txt", "x");
    main.DropFiles({Path("notes.txt"), Path("photo.jpe")});
    EXPECT_TRUE(main.SelectedFiles().empty());
    EXPECT_FALSE(main.ProcessingScreen());
    EXPECT_EQ(main.Title(), "画像選択");
    EXPECT_EQ(main.Caption(), "選択ファイル数：0");
    EXPECT_EQ(ini.ReadString("Path", "LastSourcePath", "unset"), "unset");
    EXPECT_FALSE(main.LastFolderButtonVisible());
}

TEST_F(Selection, FilesAreTakenByExtensionWithoutExistenceTest) {
    main.AddChosenFiles({"/nowhere/IMG_1.JPG", "/nowhere/x.doc"});
    EXPECT_EQ(main.SelectedFiles(), (std::vector<std::string>{"/nowhere/IMG_1.JPG"}));
    main.AddChosenFiles({});
    EXPECT_EQ(main.SelectedFiles().size(), 1u);
}

TEST_F(Selection, CommandLineJoinsAPathSplitAtItsSpace) {
    Folder("My Photos");
    WriteFile(dir.Path() / "My Photos/a.jpg", "x");
    WriteFile(dir.Path() / "readme.txt", "x");
    // The leftover "dangling" never names a file and is dropped.
    main.Start({Path("My"), "Photos/a.jpg", Path("readme.txt"), Path("dangling")});
    EXPECT_EQ(main.SelectedFiles(), (std::vector<std::string>{Path("My Photos/a.jpg")}));
    EXPECT_TRUE(main.ProcessingScreen());
}

TEST_F(Selection, CommandLineFolderOpensOnTheProcessingScreen) {
    Folder("cam");
    WriteFile(dir.Path() / "cam/p.png", "x");
    main.Start({Path("cam")});
    EXPECT_EQ(main.SelectedFiles().size(), 1u);
    EXPECT_TRUE(main.ProcessingScreen());
    // The folder of the last file, without a trailing "/".
    EXPECT_EQ(ini.ReadString("Path", "LastSourcePath", ""), ResolveShellPath(Path("cam")));
}

TEST_F(Selection, ComboListsTheBaseFoldersSubfolders) {
    const std::string base = Folder("base");
    Folder("base/A101");
    Folder("base/.hidden");
    WriteFile(dir.Path() / "base/file.txt", "x");
    SetBase(base + "/");
    main.AddChosenFiles({"/nowhere/a.jpg"});
    ASSERT_FALSE(main.ComboItems().empty());
    EXPECT_EQ(main.ComboItems().front(), "元画像と同じフォルダに別名で保存");
    std::vector<std::string> rest(main.ComboItems().begin() + 1, main.ComboItems().end());
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::string>{".hidden", "A101"}));
    EXPECT_EQ(main.ComboIndex(), -1);
    EXPECT_EQ(main.ComboText(), "");
    EXPECT_TRUE(main.FocusComboRequested());

    // An unreadable base folder offers the same-folder item only.
    SetBase(Path("missing/"));
    main.RefreshScreen();
    EXPECT_EQ(main.ComboItems(), (std::vector<std::string>{"元画像と同じフォルダに別名で保存"}));
}

TEST_F(Selection, RunButtonsNeedAName) {
    main.AddChosenFiles({"/nowhere/a.jpg"});
    main.FolderNameTyped("  \t ");
    EXPECT_FALSE(main.RunGroupVisible());
    main.FolderNameTyped("\u3000");  // the ideographic space is not trimmed
    EXPECT_TRUE(main.RunGroupVisible());
    main.FolderNamePicked(0);
    EXPECT_EQ(main.ComboIndex(), 0);
    EXPECT_TRUE(main.RunGroupVisible());
}

TEST_F(Selection, LastFolderButtonOpensTheStoredFolder) {
    main.OpenLastSourceFolder();
    EXPECT_TRUE(log->empty());
    ini.WriteString("Path", "LastSourcePath", "/photos/cam");
    main.RefreshScreen();
    EXPECT_TRUE(main.LastFolderButtonVisible());
    main.OpenLastSourceFolder();
    EXPECT_EQ(*log, (CallLog{"open-folder: /photos/cam"}));
}

}  // namespace
}  // namespace pictorel::test
