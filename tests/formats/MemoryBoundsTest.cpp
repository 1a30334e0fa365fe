#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <tiffio.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "FormatFixtures.h"
#include "ReaderTesting.h"
#include "base/Errors.h"
#include "formats/JpegReader.h"
#include "formats/LoadedPicture.h"
#include "formats/TiffReader.h"
#include "imaging/MemoryBudget.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

// A 16 x 16 progressive file whose frame header claims 17000 x 17000.
TEST(MemoryBoundsTest, TinyProgressiveJpegClaimingAHugePictureIsRefusedBeforeAllocating) {
    std::vector<std::uint8_t> jpeg = test::MakeJpeg(16, 16, test::Pattern, 0, false, true);
    bool patched = false;
    for (std::size_t i = 0; i + 8 < jpeg.size() && !patched; ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2) {
            jpeg[i + 5] = jpeg[i + 7] = 0x42;
            jpeg[i + 6] = jpeg[i + 8] = 0x68;  // 17000
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    MemoryBudget& budget = MemoryBudget::Process();
    budget.ResetPeak();
    const std::uint64_t before = budget.InUse();
    const auto start = std::chrono::steady_clock::now();
    test::DecodedBy<JpegReader> reader;
    EXPECT_THROW(reader.LoadFromMemory(jpeg), InvalidPicture);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(budget.Peak(), before);

    // The same picture at its real size decodes.
    test::DecodedBy<JpegReader> small;
    small.LoadFromMemory(test::MakeJpeg(16, 16, test::Pattern, 0, false, true));
    EXPECT_EQ(small.Width(), 16);
}

// A JPEG-compressed TIFF of 16 x 16 whose directory then claims 17000 x 17000
// in one strip.
TEST(MemoryBoundsTest, TinyJpegTiffClaimingAHugePictureIsRefusedBeforeAllocating) {
    test::TempDir dir;
    const std::string path = dir.Str() + "jpeg.tif";
    {
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 16);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
        std::vector<std::uint8_t> row(16 * 3);
        for (std::uint32_t y = 0; y < 16; ++y) {
            for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i * y);
            ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, 0), 1);
        }
        TIFFClose(tif);
    }
    std::vector<std::uint8_t> bytes = test::ReadFile(path);
    ASSERT_TRUE(bytes[0] == 'I');
    const auto u16 = [&](std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); };
    const std::size_t ifd = bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (bytes[7] << 24);
    int patched = 0;
    for (int i = 0; i < u16(ifd); ++i) {
        const std::size_t entry = ifd + 2 + 12 * static_cast<std::size_t>(i);
        const int tag = u16(entry);
        if (tag == TIFFTAG_IMAGEWIDTH || tag == TIFFTAG_IMAGELENGTH ||
            tag == TIFFTAG_ROWSPERSTRIP) {
            bytes[entry + 8] = 17000 & 0xFF;
            bytes[entry + 9] = 17000 >> 8;
            ++patched;
        }
    }
    ASSERT_EQ(patched, 3);
    MemoryBudget& budget = MemoryBudget::Process();
    budget.ResetPeak();
    const std::uint64_t before = budget.InUse();
    test::DecodedBy<TiffReader> reader;
    try {
        reader.LoadFromMemory(bytes);
        FAIL() << "accepted";
    } catch (const InvalidPicture& e) {
        EXPECT_STREQ(e.what(),
                     "Cannot load image. The TIFF file is shorter than its header promises.");
    }
    EXPECT_EQ(budget.Peak(), before);
}

TEST(MemoryBoundsTest, HugeSparseFileIsRefusedWithoutBeingRead) {
    test::TempDir dir;
    const std::string path = dir.Str() + "huge.jpg";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, std::int64_t{40} << 30), 0);
    ::close(fd);
    LoadedPicture picture;
    const auto start = std::chrono::steady_clock::now();
    try {
        LoadPicture(picture, path);
        FAIL() << "accepted";
    } catch (const OutOfResources& e) {
        EXPECT_NE(std::string(e.what()).find("huge.jpg"), std::string::npos) << e.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Two loads on a budget with room for one picture: the second waits for the
// first to be freed, and both pictures arrive intact.
TEST(MemoryBoundsTest, ParallelLoadsWaitForTheBudgetAndBothComplete) {
    test::TempDir dir;
    const int side = 512;
    std::vector<std::uint8_t> samples(std::size_t{side} * side * 3);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint8_t>(i % 251);
    test::WriteFile(dir.Str() + "a.png", test::MakePng8(side, side, samples, false));
    MemoryBudget& budget = MemoryBudget::Process();
    const std::uint64_t saved = budget.Capacity();
    const std::uint64_t base = budget.InUse();
    const std::uint64_t picture = RowStride(side, PixelFormat::Bgr24) * side;
    budget.SetCapacity(base + picture * 3 / 2);
    budget.ResetPeak();
    Color corner[2];
    std::vector<std::thread> jobs;
    for (int j = 0; j < 2; ++j) {
        jobs.emplace_back([&, j] {
            for (int k = 0; k < 3; ++k) {
                LoadedPicture loaded;
                LoadPicture(loaded, dir.Str() + "a.png");
                corner[j] = loaded.GetBitmap().Pixel(side - 1, side - 1);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    for (std::thread& t : jobs) t.join();
    budget.SetCapacity(saved);
    const std::size_t last = samples.size() - 3;
    const Color expected{samples[last], samples[last + 1], samples[last + 2]};
    EXPECT_EQ(corner[0], expected);
    EXPECT_EQ(corner[1], expected);
    EXPECT_GE(budget.Peak(), base + picture);
    EXPECT_LE(budget.Peak(), base + picture * 3 / 2);
    EXPECT_EQ(budget.InUse(), base);
}

// Small pictures inside large files: the bytes the caller holds while the
// picture decodes are counted with it. The EPS file's PostScript lies before
// its TIFF preview, outside the part the TIFF decoder is given.
TEST(MemoryBoundsTest, TheWholeFileIsCountedWithThePicture) {
    test::TempDir dir;
    const std::vector<std::uint8_t> padding(std::size_t{6} << 20);
    std::vector<std::uint8_t> png = test::MakePng8(4, 4, std::vector<std::uint8_t>(48, 90), false);
    png.insert(png.end(), padding.begin(), padding.end());
    std::vector<std::uint8_t> gif =
        test::MakeGif(4, 4, {kBlack, kWhite, kBlack, kWhite},
                      {test::GifFrame(4, 4, std::vector<std::uint8_t>(16, 1))});
    gif.insert(gif.end(), padding.begin(), padding.end());
    test::MakeTiff(dir.Path() / "preview.tif", 4, 4, 1, 8, std::vector<std::uint16_t>(16, 90));
    const std::vector<std::uint8_t> tiff = test::ReadFile(dir.Path() / "preview.tif");
    const auto u32 = [](std::uint64_t v) {
        return std::vector<std::uint8_t>{
            static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    };
    const std::uint64_t tiffAt = 30 + padding.size();
    std::vector<std::uint8_t> eps = {0xC5, 0xD0, 0xD3, 0xC6};
    for (const std::uint64_t field :
         {std::uint64_t{30}, std::uint64_t{padding.size()}, std::uint64_t{0}, std::uint64_t{0},
          tiffAt, std::uint64_t{tiff.size()}}) {
        const auto bytes = u32(field);
        eps.insert(eps.end(), bytes.begin(), bytes.end());
    }
    eps.insert(eps.end(), {0xFF, 0xFF});
    eps.insert(eps.end(), padding.begin(), padding.end());
    eps.insert(eps.end(), tiff.begin(), tiff.end());

    MemoryBudget& budget = MemoryBudget::Process();
    const std::uint64_t base = budget.InUse();
    const Color grey{90, 90, 90};
    const struct {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        Color corner;
    } files[] = {{"a.png", png, grey}, {"a.gif", gif, kWhite}, {"a.eps", eps, grey}};
    for (const auto& file : files) {
        test::WriteFile(dir.Path() / file.name, file.bytes);
        budget.ResetPeak();
        LoadedPicture picture;
        LoadPicture(picture, dir.Str() + file.name);
        const Bitmap& loaded = picture.GetBitmap();
        EXPECT_EQ(loaded.Pixel(3, 3), file.corner) << file.name;
        EXPECT_GE(budget.Peak(), base + file.bytes.size() + loaded.SizeInBytes()) << file.name;
        // Only the picture stays: the file's share went with the file.
        EXPECT_EQ(budget.InUse(), base + loaded.SizeInBytes()) << file.name;
    }
}

long MaxRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 1.5 GiB of zeros named .png: refused by its first bytes, the rest unread.
TEST(MemoryBoundsTest, FileNoReaderTakesIsRefusedByItsHead) {
    test::TempDir dir;
    const std::string path = dir.Str() + "zeros.png";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, std::int64_t{3} << 29), 0);
    ::close(fd);
    const long before = MaxRssKiB();
    LoadedPicture picture;
    try {
        LoadPicture(picture, path);
        FAIL() << "accepted";
    } catch (const InvalidPicture& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected PNG image format.");
    }
    EXPECT_LT(MaxRssKiB() - before, 256 * 1024);
}

// Uncompressed YCbCr with 2x1 chroma subsampling: 4 bytes per two pixels.
TEST(MemoryBoundsTest, SubsampledYCbCrTiffDecodesLikeLibtiffsOwnConversion) {
    test::TempDir dir;
    const std::string path = dir.Str() + "ycbcr.tif";
    const int width = 64, height = 32;  // 4 KiB of samples, where 3 per pixel are 6 KiB
    {
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 2, 1);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
        std::vector<std::uint8_t> raw;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; x += 2) {
                raw.insert(raw.end(), {static_cast<std::uint8_t>(7 * y + 3 * x),
                                       static_cast<std::uint8_t>(7 * y + 3 * x + 2),
                                       static_cast<std::uint8_t>(60 + 2 * x),
                                       static_cast<std::uint8_t>(200 - 3 * y)});
            }
        }
        ASSERT_EQ(TIFFWriteRawStrip(tif, 0, raw.data(), static_cast<tmsize_t>(raw.size())),
                  static_cast<tmsize_t>(raw.size()));
        TIFFClose(tif);
    }
    std::vector<std::uint32_t> expected(width * height);
    {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        ASSERT_TRUE(
            TIFFReadRGBAImageOriented(tif, width, height, expected.data(), ORIENTATION_TOPLEFT, 0));
        TIFFClose(tif);
    }
    LoadedPicture picture;
    LoadPicture(picture, path);
    const Bitmap& bitmap = picture.GetBitmap();
    ASSERT_EQ(bitmap.Width(), width);
    ASSERT_EQ(bitmap.Height(), height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = expected[y * width + x];
            const Color want{static_cast<std::uint8_t>(TIFFGetR(p)),
                             static_cast<std::uint8_t>(TIFFGetG(p)),
                             static_cast<std::uint8_t>(TIFFGetB(p))};
            EXPECT_EQ(bitmap.Pixel(x, y), want) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace pictorel
