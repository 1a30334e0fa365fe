#include "app/SettingsFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ProgramSettings.h"
#include "base/Errors.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ReadText;
using test::TempDir;
using test::WriteFile;

// A settings component on a named file in a temporary folder.
SettingsFile OpenIni(const TempDir& dir, const std::string& name = "Test.ini") {
    SettingsFile ini(dir.Str() + "pictorel");
    ini.SetFileName(dir.Str() + name);
    return ini;
}

TEST(SettingsFileTest, DefaultNameFollowsTheExecutableWithCapitalisation) {
    EXPECT_EQ(DefaultIniFileName("/opt/apps/TOOL.EXE"), "Tool.ini");
    EXPECT_EQ(DefaultIniFileName("my.app.exe"), "My.app.ini");
    EXPECT_EQ(DefaultIniFileName("/usr/local/bin/pictorel"), "Pictorel.ini");
    EXPECT_EQ(DefaultIniFileName("9lives"), "9lives.ini");
    EXPECT_EQ(DefaultIniFileName("\xC3\xA9t\xC3\xA9.BIN"), "\xC3\xA9t\xC3\xA9.ini");
}

TEST(SettingsFileTest, ProgramSettingsLiveBesideAWritableExecutable) {
    TempDir dir;
    ProgramSettings dm(dir.Str() + "pictorel");
    EXPECT_EQ(dm.File.Path(), dir.Str() + "Pictorel.ini");
    EXPECT_EQ(SettingsFilePath(dir.Str() + "pictorel"), dm.File.Path());

    dm.File.WriteString("Path", "RootPath", "/home/u/Pictures/Estavel/");
    EXPECT_EQ(ReadText(dir.Path() / "Pictorel.ini"),
              "[Path]\nRootPath=\"/home/u/Pictures/Estavel/\"\n");
}

TEST(SettingsFileTest, SettingsMoveToTheConfigFolderWhenTheExecutableFolderIsNotUsable) {
    TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", (dir.Str() + "config").c_str(), 1);
    // A "folder" that is a plain file cannot hold the settings.
    WriteFile(dir.Path() / "usr", std::string("x"));
    const std::string exe = dir.Str() + "usr/pictorel";
    EXPECT_EQ(SettingsFolder(exe), dir.Str() + "config/pictorel/");
    EXPECT_TRUE(fs::is_directory(dir.Path() / "config" / "pictorel"));

    // An installed program keeps its settings per user even when root could
    // write beside it.
    EXPECT_EQ(SettingsFolder("/usr/bin/pictorel"), dir.Str() + "config/pictorel/");
    EXPECT_EQ(SettingsFolder("/opt/pictorel/bin/pictorel"), dir.Str() + "config/pictorel/");

    ProgramSettings dm(exe);
    EXPECT_EQ(dm.File.Path(), dir.Str() + "config/pictorel/Pictorel.ini");
    dm.File.WriteString("Path", "LastSourcePath", "/photos");
    EXPECT_EQ(dm.File.ReadString("Path", "LastSourcePath", ""), "/photos");
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsFileTest, NameWithoutFolderLivesBesideTheExecutable) {
    TempDir dir;
    SettingsFile ini(dir.Str() + "pictorel");
    ini.SetFileName("Other.ini");
    EXPECT_EQ(ini.Path(), dir.Str() + "Other.ini");
    ini.SetFileName("/elsewhere/x.ini");
    EXPECT_EQ(ini.Path(), "/elsewhere/x.ini");
}

TEST(SettingsFileTest, QuotedValuesKeepTheirBlanksAndLoseOneOwnQuotePair) {
    TempDir dir;
    SettingsFile ini = OpenIni(dir);
    ini.WriteString("Path", "RootPath", "  two blanks  ");
    EXPECT_EQ(ini.ReadString("Path", "RootPath", "d"), "  two blanks  ");
    ini.WriteString("Path", "RootPath", "\"quoted\"");
    EXPECT_EQ(ini.ReadString("Path", "RootPath", "d"), "quoted");
    // Only one pair goes on each level: the file's and the value's.
    ini.WriteString("Path", "RootPath", "\"\"x\"\"");
    EXPECT_EQ(ini.ReadString("Path", "RootPath", "d"), "\"x\"");
}

TEST(SettingsFileTest, MissingAndEmptyValuesGiveTheDefault) {
    TempDir dir;
    SettingsFile ini = OpenIni(dir);
    EXPECT_EQ(ini.ReadString("Path", "RootPath", ""), "");  // no file at all
    EXPECT_EQ(ini.ReadString("Path", "RootPath", "def"), "def");
    WriteFile(dir.Path() / "Test.ini", std::string("[Path]\nRootPath=\nQuoted=\"\"\nBlank=   \n"));
    EXPECT_EQ(ini.ReadString("Path", "RootPath", "def"), "def");
    EXPECT_EQ(ini.ReadString("Path", "Quoted", "def"), "def");
    EXPECT_EQ(ini.ReadString("Path", "Blank", "def"), "def");
    EXPECT_EQ(ini.ReadString("Path", "Blank", ""), "");
    EXPECT_EQ(ini.ReadString("Other", "RootPath", "def"), "def");
    // The default is enclosed and loses only that added pair.
    EXPECT_EQ(ini.ReadString("Path", "Missing", "\"d\""), "\"d\"");
}

TEST(SettingsFileTest, NamesMatchWithoutCaseAndOtherContentSurvivesAWrite) {
    TempDir dir;
    WriteFile(
        dir.Path() / "Test.ini",
        std::string(
            "; note\r\n[Bounds]\r\nFMain.Bounds=0,1,2\r\n\r\n[path]\r\n  rootpath = \"/a/\" \r\n"
            "LastSourcePath='/b'\r\n"));
    SettingsFile ini = OpenIni(dir);
    EXPECT_EQ(ini.ReadString("PATH", "RootPath", ""), "/a/");
    EXPECT_EQ(ini.ReadString("Path", "lastsourcepath", ""), "/b");
    EXPECT_EQ(ini.ReadString("bounds", "fmain.bounds", ""), "0,1,2");

    ini.WriteString("Path", "ROOTPATH", "/c/");
    ini.WriteString("Bounds", "FSelectRootPath.Bounds", "3");
    ini.WriteString("New", "Key", "v");
    EXPECT_EQ(ReadText(dir.Path() / "Test.ini"),
              "; "
              "note\n[Bounds]\nFMain.Bounds=0,1,2\nFSelectRootPath.Bounds=\"3\"\n\n[path]"
              "\nROOTPATH=\"/c/\"\n"
              "LastSourcePath='/b'\n[New]\nKey=\"v\"\n");
}

TEST(SettingsFileTest, ReadsAreCutAt2047BytesOnACharacterBoundary) {
    TempDir dir;
    // Written unquoted by hand, as another editor of the file may leave them.
    WriteFile(dir.Path() / "Test.ini",
              "[S]\nLong=" + std::string(3000, 'a') + "\nExact=" + std::string(2047, 'b') +
                  "\nWide=" + std::string(2045, 'c') + "\xE3\x81\x82" + "d" +
                  "\nFits=" + std::string(2044, 'c') + "\xE3\x81\x82" + "d\n");
    SettingsFile ini = OpenIni(dir);
    EXPECT_EQ(ini.ReadString("S", "Long", ""), std::string(2047, 'a'));
    EXPECT_EQ(ini.ReadString("S", "Exact", ""), std::string(2047, 'b'));
    // "あ" is three bytes; it would straddle the cut and is dropped whole.
    EXPECT_EQ(ini.ReadString("S", "Wide", ""), std::string(2045, 'c'));
    EXPECT_EQ(ini.ReadString("S", "Fits", ""), std::string(2044, 'c') + "\xE3\x81\x82");
}

TEST(SettingsFileTest, OnlyDoubleQuotesAreTakenOff) {
    TempDir dir;
    const std::string open = "\xEF\xBD\xA2";
    const std::string close = "\xEF\xBD\xA3";
    WriteFile(dir.Path() / "Test.ini", "[S]\nQ=\"\"v10\"\"\nC=" + open + "v11" + close + "\n");
    SettingsFile ini = OpenIni(dir);
    // The file keeps one pair as written and the read takes one more off.
    EXPECT_EQ(ini.ReadString("S", "Q", ""), "v10");
    EXPECT_EQ(ini.ReadString("S", "C", ""), open + "v11" + close);
}

TEST(SettingsFileTest, FailedWritesRaiseTheMessageAndKeepTheFile) {
    TempDir dir;
    SettingsFile missingFolder = OpenIni(dir, "no/such/folder.ini");
    try {
        missingFolder.WriteString("Path", "RootPath", "x");
        FAIL() << "no error raised";
    } catch (const SettingsFileError& e) {
        EXPECT_EQ(std::string(e.what()), dir.Str() + "no/such/folder.ini に書き込めません");
    }
    WriteFile(dir.Path() / "file", std::string("x"));
    SettingsFile fileAsFolder = OpenIni(dir, "file/a.ini");
    EXPECT_THROW(fileAsFolder.WriteString("Path", "RootPath", "x"), SettingsFileError);
    fs::create_directory(dir.Path() / "folder.ini");
    SettingsFile folder = OpenIni(dir, "folder.ini");
    EXPECT_THROW(folder.WriteString("Path", "RootPath", "x"), SettingsFileError);
    EXPECT_TRUE(fs::is_directory(dir.Path() / "folder.ini"));

    // A value with a line break would plant a second key: refused, file unchanged.
    SettingsFile ini = OpenIni(dir);
    ini.WriteString("Path", "RootPath", "/a/");
    EXPECT_THROW(ini.WriteString("Path", "RootPath", "/b/\n[Evil]\nk=v"), SettingsFileError);
    EXPECT_THROW(ini.WriteString("Path", "Root=Path", "x"), SettingsFileError);
    EXPECT_EQ(ReadText(dir.Path() / "Test.ini"), "[Path]\nRootPath=\"/a/\"\n");

    // A read-only settings file is not replaced behind its back.
    WriteFile(dir.Path() / "Locked.ini", std::string("[Path]\nRootPath=\"/a/\"\n"));
    ::chmod((dir.Path() / "Locked.ini").c_str(), 0444);
    SettingsFile locked = OpenIni(dir, "Locked.ini");
    try {
        locked.WriteString("Path", "RootPath", "/b/");
        FAIL() << "no error raised";
    } catch (const SettingsFileError& e) {
        EXPECT_EQ(std::string(e.what()), dir.Str() + "Locked.ini に書き込めません");
    }
    EXPECT_EQ(ReadText(dir.Path() / "Locked.ini"), "[Path]\nRootPath=\"/a/\"\n");
}

TEST(SettingsFileTest, WritesReplaceTheFileWholeAndFollowALink) {
    TempDir dir;
    fs::create_directory(dir.Path() / "real");
    WriteFile(dir.Path() / "real" / "Test.ini", std::string("[A]\nk=1\n"));
    ::chmod((dir.Path() / "real" / "Test.ini").c_str(), 0640);
    fs::create_symlink(dir.Path() / "real" / "Test.ini", dir.Path() / "Test.ini");
    SettingsFile ini = OpenIni(dir);
    ini.WriteString("A", "k", "2");
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "Test.ini"));
    EXPECT_EQ(ReadText(dir.Path() / "real" / "Test.ini"), "[A]\nk=\"2\"\n");
    EXPECT_EQ(fs::status(dir.Path() / "real" / "Test.ini").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // No temporary file is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path() / "real")) ++entries;
    EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace pictorel
