// pictorel-cli shrink: the same files as the automatic run, in list order,
// whatever the number of jobs; every corpus file written or reported.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/SettingsFile.h"
#include "editor/EditorModel.h"
#include "support/Fakes.h"
#include "support/RandomPictures.h"
#include "support/TestFiles.h"
#include "workflow/FileUtils.h"
#include "workflow/FolderDialogs.h"
#include "workflow/JpegOutput.h"
#include "workflow/MainScreen.h"

namespace pictorel::test {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct CliResult {
    int status = -1;
    std::vector<std::string> out;
    std::vector<std::string> err;
};

std::vector<std::string> Lines(std::istream& in) {
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

CliResult Shrink(const std::vector<std::string>& args, const TempDir& scratch) {
    std::string command = CliCommand() + " shrink";
    for (const std::string& a : args) command += " " + Quote(a);
    const fs::path errFile = scratch.Path() / "stderr.txt";
    command += " 2>" + Quote(errFile.string());
    CliResult result;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
    const int raw = ::pclose(pipe.release());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::istringstream outStream(out);
    result.out = Lines(outStream);
    std::ifstream errStream(errFile);
    result.err = Lines(errStream);
    return result;
}

struct NoBaseDialog : IBaseFolderDialog {
    void ShowBaseFolderDialog() override { ADD_FAILURE() << "base folder dialog"; }
};

// Photos of the corpus copied into `folder`, under short names.
std::vector<std::string> CopyPhotos(const fs::path& corpus, const fs::path& folder) {
    std::vector<std::string> copies;
    fs::create_directories(folder);
    for (const char* name :
         {"photo_3872x2403.jpg", "photo_jolla_3264x2448.jpg", "photo_samsung_4032x2012.jpg"}) {
        const fs::path to = folder / name;
        fs::copy_file(corpus / "jpeg" / name, to);
        copies.push_back(to.string());
    }
    // The same name twice, from a second folder: the second becomes -1.
    fs::create_directories(folder / "again");
    fs::copy_file(corpus / "jpeg/photo_3872x2403.jpg", folder / "again/photo_3872x2403.jpg");
    copies.push_back((folder / "again/photo_3872x2403.jpg").string());
    return copies;
}

TEST(ShrinkCommand, JobsGiveTheSameBytesAsTheAutomaticRun) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    TempDir dir;
    const std::vector<std::string> photos = CopyPhotos(corpus, dir.Path() / "in");
    const std::vector<std::string> expectedNames = {
        "photo_3872x2403.jpg", "photo_jolla_3264x2448.jpg", "photo_samsung_4032x2012.jpg",
        "photo_3872x2403-1.jpg"};

    // The automatic run of the main window, in this process.
    auto log = std::make_shared<CallLog>();
    FakeMessageBoxes boxes(log);
    FakeProgress progress(log);
    FakeShell shell(log);
    NoBaseDialog baseDialog;
    SettingsFile ini((dir.Path() / "pictorel").string());
    ini.SetFileName((dir.Path() / "Pictorel.ini").string());
    fs::create_directories(dir.Path() / "window");
    ini.WriteString("Path", "RootPath", (dir.Path() / "window").string() + "/");
    MainScreen main(ini, boxes, progress, shell, baseDialog);
    main.AddChosenFiles(photos);
    main.FolderNameTyped("A101");
    boxes.answers = {false};
    main.RunAutomatic();
    const fs::path windowOut = dir.Path() / "window/A101";

    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        const fs::path base = dir.Path() / (std::string("cli") + jobs);
        fs::create_directories(base);
        std::vector<std::string> args = {"--jobs", jobs,     "--folder",
                                         "A101",   "--base", base.string()};
        args.insert(args.end(), photos.begin(), photos.end());
        const CliResult r = Shrink(args, dir);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.err.empty());
        ASSERT_EQ(r.out.size(), expectedNames.size());
        const std::string outFolder = NormalizeFolderPath((base / "A101").string());
        for (std::size_t i = 0; i < expectedNames.size(); ++i) {
            EXPECT_EQ(r.out[i], outFolder + expectedNames[i]);
            EXPECT_EQ(ReadFile(r.out[i]), ReadFile(windowOut / expectedNames[i]))
                << expectedNames[i];
        }
    }
}

TEST(ShrinkCommand, NamesAreCheckedAsTheWindowChecksThem) {
    TempDir dir;
    WriteFile(dir.Path() / "a.bmp", "x");
    CliResult r = Shrink({"--folder", "a|b<c", "--base", dir.Str(), dir.Str() + "a.bmp"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, (std::vector<std::string>{"フォルダの名前に「<」は使えません"}));
    r = Shrink({"--folder", "..", "--base", dir.Str(), dir.Str() + "a.bmp"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, (std::vector<std::string>{"フォルダの名前を「..」にはできません"}));
    r = Shrink({"--folder", "a\nb", "--base", dir.Str(), dir.Str() + "a.bmp"}, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, (std::vector<std::string>{"フォルダの名前に改行などの制御文字は使えません"}));

    fs::create_directories(dir.Path() / "base/A101");
    r = Shrink({"--folder", "A101", "--base", (dir.Path() / "base").string(), dir.Str() + "a.bmp"},
               dir);
    EXPECT_EQ(r.status, 2);
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.front(), "指定した名前のフォルダが既に存在します。処理を中止しますか？");

    // Into the existing folder: the damaged a.bmp is reported, nothing written.
    r = Shrink({"--into-existing", "--folder", "A101", "--base", (dir.Path() / "base").string(),
                dir.Str() + "a.bmp"},
               dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    ASSERT_EQ(r.err.size(), 2u);
    EXPECT_EQ(r.err[0], dir.Str() + "a.bmp: " + kLoadFailedMessage);
    EXPECT_TRUE(r.err[1].starts_with("  Cannot load image.")) << r.err[1];

    r = Shrink({dir.Str() + "notes.txt"}, dir);
    EXPECT_EQ(r.status, 2);
    r = Shrink({"--jobs", "0", dir.Str()}, dir);
    EXPECT_EQ(r.status, 2);
}

struct ManifestRow {
    std::string path;
    std::string expect;
};

std::vector<ManifestRow> ReadManifest(const fs::path& corpus) {
    std::ifstream in(corpus / "manifest.tsv");
    std::vector<ManifestRow> rows;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        ManifestRow row;
        std::string format;
        std::getline(fields, row.path, '\t');
        std::getline(fields, format, '\t');
        std::getline(fields, row.expect, '\t');
        rows.push_back(row);
    }
    return rows;
}

TEST(ShrinkCommand, WholeCorpusWrittenOrReportedWithoutStopping) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    TempDir dir;
    std::vector<std::string> args = {"--jobs", "2", "--folder", "out", "--base", dir.Str()};
    std::vector<std::string> decodes, mustFail;
    for (const ManifestRow& row : ReadManifest(corpus)) {
        const std::string path = (corpus / row.path).string();
        if (row.expect == "decodes") decodes.push_back(path);
        if (row.expect == "must-fail") mustFail.push_back(path);
        if (row.expect == "decodes" || row.expect == "must-fail") args.push_back(path);
    }
    ASSERT_FALSE(decodes.empty());
    ASSERT_FALSE(mustFail.empty());
    const CliResult r = Shrink(args, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.size(), decodes.size());
    for (const std::string& written : r.out) EXPECT_TRUE(fs::is_regular_file(written)) << written;
    // Each refused file: the program's text once, its cause below (the
    // reader's message, and a decoding library's own on a further line).
    std::size_t line = 0;
    for (const std::string& file : mustFail) {
        ASSERT_LT(line, r.err.size());
        EXPECT_EQ(r.err[line++], file + ": " + kLoadFailedMessage);
        const std::size_t firstCause = line;
        while (line < r.err.size() && r.err[line].starts_with("  ") && r.err[line].size() > 2)
            ++line;
        EXPECT_GE(line - firstCause, 1u) << file;
        EXPECT_LE(line - firstCause, 2u) << file;
    }
    EXPECT_EQ(line, r.err.size());
}

TEST(ShrinkCommand, UnreadablePathsAreToldOnceWithTheirCause) {
    TempDir dir;
    const std::string fifo = dir.Str() + "fifo.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string loop = dir.Str() + "loop.jpg";
    fs::create_symlink(loop, loop);
    const std::string missing = dir.Str() + "missing.jpg";
    const CliResult r = Shrink({"--", missing, fifo, loop}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    const std::string told = std::string(": ") + kLoadFailedMessage;
    EXPECT_EQ(r.err, (std::vector<std::string>{missing + told, "  No such file or directory",
                                               fifo + told, "  not a regular file", loop + told,
                                               "  Too many levels of symbolic links"}));
}

TEST(ShrinkCommand, HelpOfACommandIsItsUsage) {
    TempDir dir;
    CliResult r = Shrink({"--help"}, dir);
    EXPECT_EQ(r.status, 0);
    ASSERT_FALSE(r.out.empty());
    EXPECT_TRUE(r.out[0].starts_with("Usage: pictorel-cli shrink [--folder NAME]")) << r.out[0];
    r = Shrink({"--", "--help"}, dir);  // after "--" a path, and no picture name
    EXPECT_EQ(r.status, 2);
}

// A stop signal ends the command between files: every name written holds a
// whole JPEG, no temporary is left, and the status is that of the signal.
TEST(ShrinkCommand, TerminationEndsBetweenFilesLeavingOnlyWholeResults) {
    if (CliIsOtherBuild()) GTEST_SKIP() << "signals the native process only";
    TempDir dir;
    Bitmap photo(1600, 1200, PixelFormat::Bgr24);
    for (int y = 0; y < photo.Height(); ++y)
        for (int x = 0; x < photo.Width(); ++x)
            photo.SetPixel(x, y,
                           Color{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                 static_cast<std::uint8_t>(x ^ y)});
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(photo);
    constexpr int kPhotos = 300;
    for (int i = 0; i < kPhotos; ++i)
        WriteFile(dir.Path() / ("p" + std::to_string(i) + ".jpg"), jpeg);

    const std::string cli = std::string(PICTOREL_BINARY_DIR) + "/pictorel-cli";
    const std::string folder = dir.Str();
    const char* argv[] = {cli.c_str(), "shrink", "--jobs", "2", folder.c_str(), nullptr};
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t child = 0;
    ASSERT_EQ(
        ::posix_spawn(&child, cli.c_str(), &actions, nullptr, const_cast<char**>(argv), environ),
        0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::unique_ptr<FILE, int (*)(FILE*)> stream(::fdopen(out[0], "r"), ::fclose);
    char line[4096];
    ASSERT_NE(std::fgets(line, sizeof line, stream.get()), nullptr);  // one written
    ::kill(child, SIGTERM);
    int printed = 1;
    while (std::fgets(line, sizeof line, stream.get())) ++printed;
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_LT(printed, kPhotos);

    int results = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.starts_with(".pictorel-")) << name;
        if (!name.starts_with("mini_")) continue;
        ++results;
        const std::vector<std::uint8_t> bytes = ReadFile(entry.path());
        ASSERT_GT(bytes.size(), 4u) << name;
        EXPECT_EQ(bytes[bytes.size() - 2], 0xFF) << name;
        EXPECT_EQ(bytes.back(), 0xD9) << name;
    }
    EXPECT_EQ(results, printed);
}

// --check prints each result's findings after the run, writes check.csv
// beside the results (a second check beside the first) and leaves the exit
// status to the files: findings are advice, not failures.
TEST(ShrinkCommand, CheckPrintsFindingsAndWritesTheRecord) {
    TempDir dir;
    WriteFile(dir.Path() / "wide.jpg", EncodeJpeg(RandomPicture(1200, 900, 1)));
    WriteFile(dir.Path() / "upright.jpg", EncodeJpeg(RandomPicture(300, 400, 2)));
    fs::create_directories(dir.Path() / "base");
    const std::vector<std::string> args = {"--check",
                                           "--folder",
                                           "A1",
                                           "--base",
                                           dir.Str() + "base",
                                           dir.Str() + "wide.jpg",
                                           dir.Str() + "upright.jpg"};
    CliResult r = Shrink(args, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty());
    const std::string out = NormalizeFolderPath(dir.Str() + "base/A1");
    EXPECT_EQ(r.out, (std::vector<std::string>{
                         out + "wide.jpg", out + "upright.jpg",
                         "公開前チェック: 1 枚の写真に確認事項があります。",
                         dir.Str() + "upright.jpg -> " + out + "upright.jpg",
                         "  縦長の写真です。掲載先で横長に切り取られることがあります。",
                         "  元の写真（300 × 400）が出力サイズ（800 ピクセル）より小さいため縮小して"
                         "いません。粗く見えることがあります。",
                         "check.csv を保存しました。", out + "check.csv"}));
    const std::string csv = ReadText(out + "check.csv");
    EXPECT_TRUE(
        csv.starts_with("\xEF\xBB\xBF"
                        "file,result,width,height,bytes,quality,findings,kinds\n" +
                        dir.Str() + "wide.jpg," + out + "wide.jpg,800,600," +
                        std::to_string(fs::file_size(out + "wide.jpg")) + ",80,,\n"))
        << csv;
    // The findings' texts are checked where the record is made; here the line is the upright one.
    EXPECT_NE(
        csv.find(",300,400," + std::to_string(fs::file_size(out + "upright.jpg")) + ",80,縦長"),
        std::string::npos)
        << csv;
    EXPECT_TRUE(csv.ends_with(",portrait not-reduced\n")) << csv;

    std::vector<std::string> again = args;
    again.insert(again.begin(), "--into-existing");
    r = Shrink(again, dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.back(), out + "check-1.csv");
    EXPECT_EQ(ReadText(out + "check.csv"), csv);
}

}  // namespace
}  // namespace pictorel::test
