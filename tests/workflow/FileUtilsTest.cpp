#include "workflow/FileUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(PathTextTest, FolderNameExtensionAndTrim) {
    EXPECT_EQ(FolderPart("/photos/a.jpg"), "/photos");
    EXPECT_EQ(FolderPart("/a.jpg"), "/");
    EXPECT_EQ(FolderPart("/photos/sub/"), "/photos/sub");
    EXPECT_EQ(FolderPart("a.jpg"), "");
    EXPECT_EQ(FileNamePart("/site.png/mini_a.png"), "mini_a.png");
    EXPECT_EQ(LowerExtension("/p/IMG_0001.JPG"), ".jpg");
    EXPECT_EQ(LowerExtension("/p/plan.TiFf"), ".tiff");
    EXPECT_EQ(LowerExtension("/site.png/readme"), "");
    EXPECT_EQ(LowerExtension("/p/a.b.PNG"), ".png");
    EXPECT_EQ(Trim(" \t\r\n a b \x01\x1f"), "a b");
    EXPECT_EQ(Trim("\xE3\x80\x80"
                   "A101"
                   "\xE3\x80\x80 "),
              "\xE3\x80\x80"
              "A101"
              "\xE3\x80\x80");
    EXPECT_EQ(Trim("   "), "");
}

TEST(FileUtilsTest, FolderExistsOnlyForFolders) {
    TempDir dir;
    WriteFile(dir.Path() / "file.jpg", std::string("x"));
    fs::create_symlink(dir.Path(), dir.Path() / "link");
    EXPECT_TRUE(FolderExists(dir.Path().string()));
    EXPECT_TRUE(FolderExists(dir.Str()));
    EXPECT_TRUE(FolderExists(dir.Str() + "link"));
    EXPECT_FALSE(FolderExists(dir.Str() + "file.jpg"));
    EXPECT_FALSE(FolderExists(dir.Str() + "missing"));
    EXPECT_FALSE(FolderExists(""));
}

TEST(FileUtilsTest, NormalizeResolvesExistingPathsAndKeepsOthers) {
    TempDir dir;
    const std::string real = fs::canonical(dir.Path()).string();
    fs::create_directory(dir.Path() / "Photos");
    fs::create_symlink(dir.Path() / "Photos", dir.Path() / "alias");
    EXPECT_EQ(NormalizeFolderPath(dir.Str() + "Photos"), real + "/Photos/");
    EXPECT_EQ(NormalizeFolderPath(dir.Str() + "Photos/"), real + "/Photos/");
    EXPECT_EQ(NormalizeFolderPath(dir.Str() + "./Photos/../Photos"), real + "/Photos/");
    EXPECT_EQ(NormalizeFolderPath(dir.Str() + "alias"), real + "/Photos/");
    EXPECT_EQ(NormalizeFolderPath("/nothing/here"), "/nothing/here/");
    EXPECT_EQ(NormalizeFolderPath("/nothing/here/"), "/nothing/here/");
    EXPECT_EQ(NormalizeFolderPath("/"), "/");
    EXPECT_EQ(NormalizeFolderPath(""), "");
    EXPECT_EQ(ResolveShellPath(dir.Str() + "missing"), "");
    EXPECT_EQ(ResolveShellPath(""), "");
}

TEST(FileUtilsTest, PicturesFolderFromUserDirsOrHome) {
    TempDir dir;
    const std::string home = fs::canonical(dir.Path()).string();
    ScopedEnv homeEnv("HOME", home);
    ScopedEnv configEnv("XDG_CONFIG_HOME", home + "/cfg");
    EXPECT_EQ(UserPicturesFolder(), home + "/Pictures/");

    fs::create_directory(dir.Path() / "cfg");
    fs::create_directory(dir.Path() / "Bilder");
    WriteFile(dir.Path() / "cfg" / "user-dirs.dirs",
              std::string("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                          "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"));
    EXPECT_EQ(UserPicturesFolder(), home + "/Bilder/");
    WriteFile(dir.Path() / "cfg" / "user-dirs.dirs",
              std::string("XDG_PICTURES_DIR=\"/srv/pics\"\n"));
    EXPECT_EQ(UserPicturesFolder(), "/srv/pics/");
    // A form the file format does not allow falls back to the home folder.
    WriteFile(dir.Path() / "cfg" / "user-dirs.dirs",
              std::string("XDG_PICTURES_DIR=relative/pics\n"));
    EXPECT_EQ(UserPicturesFolder(), home + "/Pictures/");
}

// The expected listing, built with the standard directory iterator, which
// reports the entries in the same readdir order.
TEST(FileUtilsTest, NaturalNameOrderIsTheFileManagersAndTotal) {
    // Each name sorts strictly before the next one.
    const std::vector<std::string> ordered = {".hidden",
                                              "IMG-1.jpg",
                                              "IMG_2.jpg",
                                              "img_9.JPG",
                                              "IMG_0010.jpg",
                                              "IMG_010.jpg",
                                              "IMG_10.JPG",
                                              "IMG_10.jpg",
                                              "img_10.jpg",
                                              "IMG_100.jpg",
                                              "x1",
                                              "x18446744073709551616",
                                              "x99999999999999999999",
                                              "写真2.jpg",
                                              "写真10.jpg"};
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        for (std::size_t j = 0; j < ordered.size(); ++j) {
            EXPECT_EQ(NaturalNameLess(ordered[i], ordered[j]), i < j)
                << ordered[i] << " / " << ordered[j];
        }
    }
    std::vector<std::string> chosen = {"/p/IMG_1019.jpg", "/p/IMG_1007.jpg", "/p/IMG_1009.jpg",
                                       "/p/IMG_999.jpg"};
    SortByNaturalName(chosen);
    EXPECT_EQ(chosen, (std::vector<std::string>{"/p/IMG_999.jpg", "/p/IMG_1007.jpg",
                                                "/p/IMG_1009.jpg", "/p/IMG_1019.jpg"}));
}

TEST(FileUtilsTest, CollectFilesWalksDepthFirstInNameOrder) {
    TempDir dir;
    const fs::path root = fs::canonical(dir.Path());
    for (const char* name : {"a10.jpg", "c.txt", ".hidden", "Z.PNG", "a9.bmp"})
        WriteFile(root / name, std::string("x"));
    fs::create_directories(root / "sub" / "deeper");
    fs::create_directory(root / "empty");
    for (const char* name : {"sub/b.png", "sub/deeper/d.gif", "sub/e.jpg", "sub/f"})
        WriteFile(root / name, std::string("x"));

    std::vector<std::string> expected = {"kept"};
    for (const char* name : {".hidden", "a9.bmp", "a10.jpg", "c.txt", "sub/b.png",
                             "sub/deeper/d.gif", "sub/e.jpg", "sub/f", "Z.PNG"})
        expected.push_back((root / name).string());

    std::vector<std::string> list = {"kept"};
    CollectFiles(dir.Path().string(), &list);
    EXPECT_EQ(list, expected);

    std::vector<std::string> none;
    CollectFiles((root / "empty").string(), &none);
    CollectFiles((root / "missing").string(), &none);
    CollectFiles((root / "a.jpg").string(), &none);
    CollectFiles("", &none);
    CollectFiles(root.string(), nullptr);
    EXPECT_TRUE(none.empty());
}

TEST(FileUtilsTest, CollectFilesEndsOnALinkLoopAndListsOtherLinksAsFiles) {
    TempDir dir;
    const fs::path root = fs::canonical(dir.Path());
    fs::create_directories(root / "a" / "b");
    WriteFile(root / "a" / "b" / "x.jpg", std::string("x"));
    fs::create_directory_symlink(root / "a", root / "a" / "b" / "up");  // a/b/up -> a
    fs::create_symlink(root / "a" / "b" / "x.jpg", root / "a" / "y.jpg");
    fs::create_symlink(root / "gone", root / "a" / "dangling.jpg");

    std::vector<std::string> list;
    CollectFiles(root.string(), &list);
    std::sort(list.begin(), list.end());
    const std::vector<std::string> expected = {(root / "a/b/x.jpg").string(),
                                               (root / "a/dangling.jpg").string(),
                                               (root / "a/y.jpg").string()};
    EXPECT_EQ(list, expected);
}

}  // namespace
}  // namespace pictorel
