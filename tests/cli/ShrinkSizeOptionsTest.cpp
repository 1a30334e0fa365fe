// pictorel-cli shrink --size, --max-side, --quality, --max-kb: values
// checked, named sizes read from the window's settings file, and each
// lowering printed beside its file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace pictorel::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::vector<std::string> out;
    std::string err;
};

CliRun Shrink(const std::string& cli, const std::vector<std::string>& args,
              const TempDir& scratch) {
    std::string command = cli + " shrink";
    for (const std::string& a : args) command += " '" + a + "'";
    const fs::path errFile = scratch.Path() / "stderr.txt";
    command += " 2>'" + errFile.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
    const int raw = ::pclose(pipe.release());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) run.out.push_back(line);
    run.err = ReadText(errFile);
    return run;
}

TEST(ShrinkSizeOptions, BadValuesAreRefusedWithTheirRange) {
    TempDir dir;
    WriteFile(dir.Path() / "a.png", std::string("not read"));
    const std::string picture = (dir.Path() / "a.png").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--quality", "0"}, "--quality takes a number from 1 to 100"},
        {{"--quality", "80x"}, "--quality takes a number from 1 to 100"},
        {{"--max-side", "99"}, "--max-side takes a number from 100 to 10000"},
        {{"--max-kb", "9"}, "--max-kb takes a number from 10 to 100000"},
        {{"--max-kb"}, "--max-kb needs a value"},
        {{"--size", "無い"}, "no output size named 無い in "},
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> args = options;
        if (options.size() > 1) args.push_back(picture);
        const CliRun run = Shrink(CliCommand(), args, dir);
        EXPECT_EQ(run.status, 2) << options[0];
        EXPECT_NE(run.err.find("pictorel-cli shrink: " + message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

TEST(ShrinkSizeOptions, CapLowersAndSaysSoBesideTheFile) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    TempDir dir;
    const std::string photo = (corpus / "jpeg/photo_jolla_3264x2448.jpg").string();
    // The default spelled out gives today's bytes and no remark.
    const CliRun plain =
        Shrink(CliCommand(), {"--base", dir.Path().string(), "--folder", "a", photo}, dir);
    const CliRun spelled = Shrink(CliCommand(),
                                  {"--base", dir.Path().string(), "--folder", "b", "--max-side",
                                   "800", "--quality", "80", photo},
                                  dir);
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(spelled.status, 0) << spelled.err;
    ASSERT_EQ(spelled.out.size(), 1u);
    EXPECT_EQ(ReadFile(plain.out[0]), ReadFile(spelled.out[0]));

    const CliRun capped =
        Shrink(CliCommand(),
               {"--base", dir.Path().string(), "--folder", "c", "--max-kb", "40", photo}, dir);
    ASSERT_EQ(capped.status, 0) << capped.err;
    ASSERT_EQ(capped.out.size(), 1u);
    const std::string line = capped.out[0];
    const std::string file = line.substr(0, line.find('\t'));
    EXPECT_LE(fs::file_size(file), 40000u);
    EXPECT_NE(line.find("\t画質 80 → "), std::string::npos) << line;
}

TEST(ShrinkSizeOptions, NamedSizeComesFromTheWindowsSettingsFile) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    if (CliIsOtherBuild()) GTEST_SKIP() << "needs the native program beside its settings file";
    // A copy of the program in a folder of its own reads the settings there.
    TempDir dir;
    const fs::path cli = dir.Path() / "pictorel-cli";
    fs::copy_file(CliCommand(), cli);
    WriteFile(dir.Path() / "Pictorel.ini",
              std::string("[OutputSize]\nCount=\"1\"\nName1=\"小さめ\"\nSide1=\"300x200\"\n"
                          "Quality1=\"70\"\nMaxKB1=\"\"\n"));
    const std::string photo = (corpus / "jpeg/photo_jolla_3264x2448.jpg").string();
    const CliRun run =
        Shrink(cli.string(),
               {"--base", dir.Path().string(), "--folder", "out", "--size", "小さめ", photo}, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.size(), 1u);
    EXPECT_EQ(run.out[0].find('\t'), std::string::npos);  // nothing lowered
    const std::vector<std::uint8_t> jpeg = ReadFile(run.out[0]);
    // 3264 x 2448 into 300 x 200: the height rules, 266 x 200.
    std::size_t sof = 2;
    while (sof + 9 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 9, jpeg.size());
    EXPECT_EQ(jpeg[sof + 5] * 256 + jpeg[sof + 6], 200);
    EXPECT_EQ(jpeg[sof + 7] * 256 + jpeg[sof + 8], 266);
}

}  // namespace
}  // namespace pictorel::test
