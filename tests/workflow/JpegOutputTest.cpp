#include "workflow/JpegOutput.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/Errors.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A picture with gradients, hard edges and pseudo-random detail, of a size
// that is no multiple of the 16-pixel blocks.
Bitmap TestPicture(int w, int h, PixelFormat format = PixelFormat::Bgr24) {
    Bitmap bmp(w, h, PixelFormat::Bgr24);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const auto noise = static_cast<std::uint8_t>(seed >> 24);
            bmp.SetPixel(x, y,
                         Color{static_cast<std::uint8_t>(x * 255 / w),
                               static_cast<std::uint8_t>((x / 7 + y / 5) % 2 ? 220 : 30),
                               static_cast<std::uint8_t>((y * 255 / h + noise / 4) & 0xFF)});
        }
    }
    if (format == PixelFormat::Bgr24) return bmp;
    Bitmap grey(w, h, PixelFormat::Indexed8);
    grey.SetGreyColorTable();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            grey.ScanLine(y)[x] = bmp.Pixel(x, y).g ^ static_cast<std::uint8_t>(x);
    }
    return grey;
}

// The reference encoder's output for the same pixels, given as a binary PPM.
std::optional<std::vector<std::uint8_t>> EncodeWithCjpeg(const Bitmap& bmp, const TempDir& dir) {
    if (std::system("command -v cjpeg >/dev/null 2>&1") != 0) return std::nullopt;
    std::string ppm =
        "P6\n" + std::to_string(bmp.Width()) + " " + std::to_string(bmp.Height()) + "\n255\n";
    for (int y = 0; y < bmp.Height(); ++y) {
        for (int x = 0; x < bmp.Width(); ++x) {
            const Color c = bmp.Pixel(x, y);
            ppm += static_cast<char>(c.r);
            ppm += static_cast<char>(c.g);
            ppm += static_cast<char>(c.b);
        }
    }
    WriteFile(dir.Path() / "in.ppm", ppm);
    const std::string command =
        "cjpeg -quality 80 -baseline -outfile '" + dir.Str() + "ref.jpg' '" + dir.Str() + "in.ppm'";
    if (std::system(command.c_str()) != 0) return std::nullopt;
    return ReadFile(dir.Path() / "ref.jpg");
}

TEST(JpegOutputTest, BytesEqualTheReferenceEncoder) {
    TempDir dir;
    for (const Bitmap& bmp : {TestPicture(67, 45), TestPicture(400, 400), TestPicture(1, 1),
                              TestPicture(33, 17, PixelFormat::Indexed8)}) {
        const auto reference = EncodeWithCjpeg(bmp, dir);
        if (!reference)
            GTEST_SKIP() << "cjpeg (libjpeg-turbo-progs) not installed, comparison skipped";
        EXPECT_EQ(EncodeJpeg(bmp), *reference) << bmp.Width() << "x" << bmp.Height();
    }
}

TEST(JpegOutputTest, EncoderErrorsBecomeExceptions) {
    // Wider than the format allows: libjpeg refuses it in the middle of its work.
    EXPECT_THROW(EncodeJpeg(Bitmap(70000, 1)), Error);
    EXPECT_THROW(EncodeJpeg(Bitmap()), Error);
}

TEST(JpegOutputTest, OutputNameReplacesOnlyTheFileExtension) {
    EXPECT_EQ(JpegOutputName("/out/IMG_0001.JPG"), "/out/IMG_0001.jpg");
    EXPECT_EQ(JpegOutputName("/out/photo.jpeg"), "/out/photo.jpg");
    EXPECT_EQ(JpegOutputName("/out/scan.psd"), "/out/scan.jpg");
    EXPECT_EQ(JpegOutputName("/out/plan.TIFF"), "/out/plan.jpg");
    EXPECT_EQ(JpegOutputName("/d/site.png/mini_a.png"), "/d/site.png/mini_a.jpg");
    EXPECT_EQ(JpegOutputName("/d/a.b.png"), "/d/a.b.jpg");
    EXPECT_EQ(JpegOutputName("/d/site.png/readme"), "/d/site.png/readme.jpg");
    EXPECT_EQ(JpegCandidateName("/d/site.png/mini_a.png", 12), "/d/site.png/mini_a-12.jpg");
}

TEST(JpegOutputTest, TakenNamesGetTheFirstFreeSuffix) {
    TempDir dir;
    const Bitmap bmp = TestPicture(20, 10);
    const std::string source = dir.Str() + "IMG_0001.JPG";
    std::string written;
    written = SaveResultAsJpeg(&bmp, source).value();
    EXPECT_EQ(written, dir.Str() + "IMG_0001.jpg");
    EXPECT_EQ(ReadFile(written), EncodeJpeg(bmp));
    written = SaveResultAsJpeg(&bmp, source).value();
    EXPECT_EQ(written, dir.Str() + "IMG_0001-1.jpg");
    written = SaveResultAsJpeg(&bmp, source).value();
    EXPECT_EQ(written, dir.Str() + "IMG_0001-2.jpg");

    // A gap is filled before higher numbers; existing files keep their bytes.
    fs::remove(dir.Path() / "IMG_0001-1.jpg");
    WriteFile(dir.Path() / "IMG_0001-3.jpg", std::string("keep"));
    written = SaveResultAsJpeg(&bmp, source).value();
    EXPECT_EQ(written, dir.Str() + "IMG_0001-1.jpg");
    written = SaveResultAsJpeg(&bmp, source).value();
    EXPECT_EQ(written, dir.Str() + "IMG_0001-4.jpg");
    EXPECT_EQ(ReadFile(dir.Path() / "IMG_0001-3.jpg"),
              std::vector<std::uint8_t>({'k', 'e', 'e', 'p'}));
}

TEST(JpegOutputTest, NeverWritesThroughLinksOrOverFolders) {
    TempDir dir;
    const Bitmap bmp = TestPicture(8, 8);
    fs::create_symlink(dir.Path() / "victim", dir.Path() / "a.jpg");  // dangling link
    fs::create_directory(dir.Path() / "a-1.jpg");
    std::string written;
    written = SaveResultAsJpeg(&bmp, dir.Str() + "a.png").value();
    EXPECT_EQ(written, dir.Str() + "a-2.jpg");
    EXPECT_FALSE(fs::exists(dir.Path() / "victim"));
}

TEST(JpegOutputTest, NothingIsWrittenWithoutPictureOrFolder) {
    TempDir dir;
    const Bitmap empty;
    EXPECT_FALSE(SaveResultAsJpeg(nullptr, dir.Str() + "a.png"));
    EXPECT_FALSE(SaveResultAsJpeg(&empty, dir.Str() + "a.png"));
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    const Bitmap bmp = TestPicture(8, 8);
    try {
        SaveResultAsJpeg(&bmp, dir.Str() + "missing/a.png");
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const SaveFailure& e) {
        // The box names the file tried; the system's reason is the cause.
        EXPECT_EQ(e.File(), dir.Str() + "missing/a.jpg");
        EXPECT_EQ(e.Cause(), "No such file or directory");
        EXPECT_EQ(e.ErrorCode(), ENOENT);
        EXPECT_STREQ(e.what(), SaveFailedMessage(e.File(), e.Cause()).c_str());
    }
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(JpegOutputTest, ConcurrentSavesGetDistinctCompleteFiles) {
    TempDir dir;
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(TestPicture(64, 64));
    constexpr int kThreads = 8;
    std::vector<std::string> written(kThreads);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back(
                [&, i] { written[i] = SaveJpegBytes(jpeg, dir.Str() + "same.png"); });
        }
    }
    std::set<std::string> names(written.begin(), written.end());
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kThreads));
    for (int i = 0; i < kThreads; ++i) EXPECT_EQ(ReadFile(written[i]), jpeg) << written[i];
}

TEST(JpegOutputTest, APartlyWrittenFileIsRemoved) {
    TempDir dir;
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(TestPicture(200, 200));
    ASSERT_GT(jpeg.size(), 4096u);
    // A file-size limit makes the write stop part way, like a full disk.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string cause;
    try {
        SaveJpegBytes(jpeg, dir.Str() + "big.png");
    } catch (const SaveFailure& e) {
        cause = e.Cause();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(cause, "File too large");
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(JpegOutputTest, WriterRemembersNumbersAndStillSkipsNamesTakenMeanwhile) {
    TempDir dir;
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(TestPicture(16, 16));
    JpegFileWriter writer;
    std::vector<std::string> written;
    for (int i = 0; i < 3; ++i) {
        if (i == 2) WriteFile(dir.Path() / "a-2.jpg", std::string("someone else's"));
        const std::string name = writer.Save(jpeg, dir.Str() + "a.png");
        written.push_back(fs::path(name).filename().string());
    }
    EXPECT_EQ(written, (std::vector<std::string>{"a.jpg", "a-1.jpg", "a-3.jpg"}));
    EXPECT_EQ(test::ReadText(dir.Path() / "a-2.jpg"), "someone else's");
    // Only the results are left: no temporary of the writer.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"a.jpg", "a-1.jpg", "a-2.jpg", "a-3.jpg"}));
}

TEST(JpegOutputTest, OnlyOldTemporariesOfTheProgramsOwnPatternAreCleared) {
    EXPECT_TRUE(IsOwnTemporaryName(".pictorel-aZ09xy.tmp"));
    for (const char* name :
         {".pictorel-aZ09x.tmp", ".pictorel-aZ09xyz.tmp", "pictorel-aZ09xy.tmp",
          ".pictorel-aZ0_xy.tmp", ".pictorel-aZ09xy.tmp.bak", ".Pictorel-aZ09xy.tmp"})
        EXPECT_FALSE(IsOwnTemporaryName(name)) << name;

    TempDir dir;
    const auto age = [&](const char* name, int seconds) {
        const fs::path path = dir.Path() / name;
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
    };
    for (const char* name : {".pictorel-OLD001.tmp", ".pictorel-NEW001.tmp", ".pictorel-OLD.tmp"})
        WriteFile(dir.Path() / name, std::string("x"));
    fs::create_directory(dir.Path() / ".pictorel-OLDDIR.tmp");
    age(".pictorel-OLD001.tmp", 3600);
    age(".pictorel-OLD.tmp", 3600);
    age(".pictorel-OLDDIR.tmp", 3600);
    age(".pictorel-NEW001.tmp", 5);  // another run's, being written now

    JpegFileWriter writer;
    writer.Save(EncodeJpeg(TestPicture(8, 8)), dir.Str() + "a.png");
    EXPECT_FALSE(fs::exists(dir.Path() / ".pictorel-OLD001.tmp"));
    for (const char* kept : {".pictorel-NEW001.tmp", ".pictorel-OLD.tmp", ".pictorel-OLDDIR.tmp"})
        EXPECT_TRUE(fs::exists(dir.Path() / kept)) << kept;
}

}  // namespace
}  // namespace pictorel
