// pictorel-cli info and convert: the reader and size line, 24-bit output
// that decodes back to the same picture, errors on stderr with status 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "formats/LoadedPicture.h"
#include "formats/PictureWriter.h"
#include "support/TestFiles.h"

namespace pictorel::test {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a shell command, collecting its output and exit status.
CliRun Shell(const std::string& command) {
    CliRun run;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) {
        run.out.append(buffer, n);
    }
    const int raw = ::pclose(pipe.release());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

CliRun Cli(const std::string& args, const TempDir& scratch) {
    const std::string errFile = scratch.Str() + "stderr.txt";
    CliRun run = Shell(CliCommand() + " " + args + " 2>'" + errFile + "'");
    std::ifstream err(errFile);
    std::stringstream text;
    text << err.rdbuf();
    run.err = text.str();
    return run;
}

Bitmap Sample() {
    Bitmap b(7, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            b.SetPixel(x, y,
                       {static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(y * 50),
                        static_cast<std::uint8_t>(x * y * 6)});
        }
    }
    return b;
}

TEST(FormatCommandsTest, InfoNamesTheFormatSizeAndDepth) {
    TempDir dir;
    WritePng(Sample(), dir.Str() + "a.png");
    std::filesystem::copy_file(dir.Path() / "a.png", dir.Path() / "a.jpg");
    EXPECT_EQ(Cli("info '" + dir.Str() + "a.png'", dir).out, "png 7x5 24\nno profile\n");
    EXPECT_EQ(Cli("info '" + dir.Str() + "a.jpg'", dir).out, "png 7x5 24\nno profile\n");

    const CliRun missing = Cli("info '" + dir.Str() + "none.jpg'", dir);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    // The program's text, then the system's reason on the line below.
    EXPECT_EQ(missing.err,
              "ファイル " + dir.Str() + "none.jpg は開けません\n  No such file or directory\n");

    // A TIFF header whose first directory lies past the end: libtiff's own
    // complaint follows the reader's message.
    const std::string brokenTiff("II\x2a\0\x08\0\0\0\x40\0", 10);
    WriteFile(dir.Path() / "directory-past-the-end.tif", brokenTiff);
    const CliRun broken = Cli("info '" + dir.Str() + "directory-past-the-end.tif'", dir);
    EXPECT_EQ(broken.status, 1);
    const std::string message = "Cannot load image. Invalid or unexpected TIFF image format.\n";
    ASSERT_TRUE(broken.err.starts_with(message)) << broken.err;
    EXPECT_TRUE(broken.err.substr(message.size()).starts_with("  ")) << broken.err;
}

TEST(FormatCommandsTest, ConvertWritesPngAndPpmOfTheSamePicture) {
    TempDir dir;
    WritePng(Sample(), dir.Str() + "in.png");
    ASSERT_EQ(Cli("convert '" + dir.Str() + "in.png' '" + dir.Str() + "out.PPM'", dir).status, 0);
    const std::vector<std::uint8_t> ppm = ReadFile(dir.Path() / "out.PPM");
    const std::string header = "P6\n7 5\n255\n";
    ASSERT_EQ(ppm.size(), header.size() + 7 * 5 * 3);
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + static_cast<long>(header.size())), header);
    const Bitmap sample = Sample();
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const std::size_t at = header.size() + static_cast<std::size_t>(y * 7 + x) * 3;
            EXPECT_EQ((Color{ppm[at], ppm[at + 1], ppm[at + 2]}), sample.Pixel(x, y));
        }
    }

    ASSERT_EQ(Cli("convert '" + dir.Str() + "in.png' '" + dir.Str() + "out.png'", dir).status, 0);
    LoadedPicture back;
    LoadPicture(back, dir.Str() + "out.png");
    EXPECT_EQ(back.ToBitmap(), sample);

    const CliRun wrong = Cli("convert '" + dir.Str() + "in.png' '" + dir.Str() + "out.bmp'", dir);
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err, "");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out.bmp"));
}

TEST(FormatCommandsTest, ProfiledPhotoIsNamedByInfoAndWrittenConverted) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    TempDir dir;
    const std::string photo = (corpus / "jpeg/orientation/landscape_2.jpg").string();
    EXPECT_EQ(Cli("info '" + photo + "'", dir).out,
              "jpeg 600x450 24\nprofile: Generic RGB Profile\n");
    ASSERT_EQ(Cli("convert '" + photo + "' '" + dir.Str() + "out.png'", dir).status, 0);
    LoadedPicture written;
    LoadedPicture converted;
    LoadedPicture stored;
    LoadPicture(written, dir.Str() + "out.png");
    LoadPicture(converted, photo);
    LoadPicture(stored, photo, ProfileConversion::ByCaller);
    EXPECT_TRUE(written.ToBitmap() == converted.ToBitmap());
    EXPECT_FALSE(written.ToBitmap() == stored.ToBitmap());
}

// Every corpus file through `pictorel-cli convert`: the listed size and digest
// for each "decodes" row, a clean failure for each "must-fail" row.
TEST(FormatCommandsTest, ConvertReproducesTheCorpusDigests) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    const std::string command = std::string("python3 '") + PICTOREL_SOURCE_DIR +
                                "/scripts/check-corpus-convert' '" + PICTOREL_BINARY_DIR + "' '" +
                                corpus.string() + "'";
    const CliRun run = Shell(command);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("decodes: decoded, digest matches"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("FAIL"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace pictorel::test
