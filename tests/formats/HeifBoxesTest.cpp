// Files whose boxes the scripts of tests/formats/scripts edited: HEIF/AVIF
// pictures turned and mirrored, tagged with BT.601 primaries, or carrying a
// grid or alpha plane far beyond their declared size; and pictures of every
// format with a colour profile larger than a reader keeps.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FormatFixtures.h"
#include "ReaderTesting.h"
#include "base/Errors.h"
#include "base/Limits.h"
#include "formats/ColourProfile.h"
#include "formats/HeifReader.h"
#include "formats/LoadedPicture.h"
#include "formats/NclxProfile.h"
#include "imaging/MemoryBudget.h"
#include "support/TestFiles.h"

namespace pictorel::test {
namespace {

const std::string kScripts = PICTOREL_SOURCE_DIR "/tests/formats/scripts/";
const std::string kModern = PICTOREL_TESTDATA_DIR "/modern/";

struct EditedFiles : ::testing::Test {
    TempDir dir;

    std::string At(const std::string& name) const { return dir.Str() + name; }

    // Runs a command in the folder: a script of tests/formats/scripts or an encoder.
    bool Run(const std::string& command) {
        const std::string line = "cd '" + dir.Str() + "' && " + command + " >/dev/null 2>&1";
        return std::system(line.c_str()) == 0;
    }

    // The picture as the reader decodes it, before any profile is applied.
    static Bitmap Stored(const std::string& path) {
        test::DecodedBy<HeifReader> reader;
        reader.LoadFromMemory(ReadFile(path));
        return reader.GetBitmap();
    }
};

bool HaveTools() {
    return std::system(
               "(command -v python3 && command -v heif-enc && command -v avifenc && "
               "command -v cwebp && command -v webpmux) >/dev/null 2>&1") == 0;
}

// Skips without the corpus file or the tools; a script that fails fails the test.
#define REQUIRE(file, command)                                                                \
    if (!std::filesystem::exists(file)) GTEST_SKIP() << file << " absent (corpus)";           \
    if (!HaveTools()) GTEST_SKIP() << "python3 or an encoder missing (scripts/install-deps)"; \
    ASSERT_TRUE(Run(command)) << command

// The mean absolute difference per sample of two pictures of one size.
double MeanDifference(const Bitmap& a, const Bitmap& b) {
    EXPECT_EQ(a.Width(), b.Width());
    EXPECT_EQ(a.Height(), b.Height());
    if (a.Width() != b.Width() || a.Height() != b.Height()) return 255;
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const Color p = a.Pixel(x, y);
            const Color q = b.Pixel(x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        }
    }
    return sum / (3.0 * a.Width() * a.Height());
}

TEST_F(EditedFiles, TurnedAndMirroredHeifLoadsUpright) {
    const std::string fox = kModern + "avif/fox_10bit_420.avif";
    REQUIRE(fox,
            "python3 " + kScripts + "heif_properties.py --first " + fox + " first.avif irot:1");
    // A quarter turn anticlockwise, listed before the size (the handle of
    // libheif 1.15 then tells the unturned size) and after it.
    ASSERT_TRUE(Run("python3 " + kScripts + "heif_properties.py " + fox + " after.avif irot:1"));
    const Bitmap upright = Stored(fox);
    for (const char* name : {"first.avif", "after.avif"}) {
        LoadedPicture loaded;
        LoadPicture(loaded, At(name));
        EXPECT_EQ(loaded.Width(), 800) << name;
        EXPECT_EQ(loaded.Height(), 1204) << name;
        // libheif turns the 4:2:0 planes before their colour conversion:
        // a few samples differ by a level or two.
        EXPECT_LT(MeanDifference(Stored(At(name)), ApplyOrientation(upright, 8)), 0.1) << name;
    }
    // Flipped top to bottom (axis 0), then turned: the transverse.
    const std::string small = kModern + "avif/alpha_444_small.avif";
    ASSERT_TRUE(Run("python3 " + kScripts + "heif_properties.py --first " + small +
                    " mirrored.avif imir:0 irot:1"));
    EXPECT_LT(MeanDifference(Stored(At("mirrored.avif")), ApplyOrientation(Stored(small), 7)), 0.1);
}

TEST(NclxTransfers, Bt709FamilyIsShownThroughTheSrgbCurve) {
    Bitmap grey(17, 1);
    for (int x = 0; x < 17; ++x)
        grey.SetPixel(x, 0,
                      {std::uint8_t(x * 15), std::uint8_t(x * 15), std::uint8_t(255 - x * 15)});
    for (const int transfer : {1, 6, 14, 15}) {
        NclxColour colour;
        colour.primaries = 1;
        colour.transfer = transfer;
        Bitmap copy = grey;
        EXPECT_FALSE(ConvertToSrgb(copy, BuildNclxProfile(colour))) << transfer;
    }
    NclxColour gamma22;
    gamma22.transfer = 4;
    Bitmap copy = grey;
    EXPECT_TRUE(ConvertToSrgb(copy, BuildNclxProfile(gamma22)));  // the check can fail
}

TEST_F(EditedFiles, Bt601PrimariesMoveColoursLittle) {
    const std::string fox = kModern + "avif/fox_10bit_420.avif";
    const std::string script = "python3 " + kScripts + "heif_properties.py " + fox;
    REQUIRE(fox, script + " bt601.avif nclx:5,1,5");
    ASSERT_TRUE(Run(script + " bt709.avif nclx:1,1,5"));
    LoadedPicture bt601;
    LoadedPicture bt709;
    LoadPicture(bt601, At("bt601.avif"));
    LoadPicture(bt709, At("bt709.avif"));
    EXPECT_FALSE(bt601.IccProfile().empty());  // its primaries are converted
    // Through the camera curve the mean moved by about 14.7 levels.
    EXPECT_LT(MeanDifference(bt601.ToBitmap(), bt709.ToBitmap()), 2.0);
}

long PeakRssKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST_F(EditedFiles, GridsBeyondTheDeclaredSizeAreRefusedUndecoded) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 64 * 64; ++i) rgba.insert(rgba.end(), {90, 140, 200, std::uint8_t(i)});
    std::vector<std::uint8_t> rgb(64 * 64 * 3, 120);
    WriteFile(dir.Path() / "plain.png", MakePng8(64, 64, rgb, false));
    WriteFile(dir.Path() / "alpha.png", MakePngRgba8(64, 64, rgba));
    REQUIRE(kScripts,
            "heif-enc -q 50 -o plain.avif plain.png && heif-enc -q 50 -o alpha.avif "
            "alpha.png");
    const std::string grid = "python3 " + kScripts + "heif_grid.py ";
    ASSERT_TRUE(Run(grid + "plain.avif grid.avif primary 17320"));
    ASSERT_TRUE(Run(grid + "alpha.avif alphagrid.avif alpha 16000"));
    for (const char* name : {"grid.avif", "alphagrid.avif"}) {
        const long rssBefore = PeakRssKilobytes();
        const auto start = std::chrono::steady_clock::now();
        LoadedPicture loaded;
        try {
            LoadPicture(loaded, At(name));
            ADD_FAILURE() << name << " loaded";
        } catch (const InvalidPicture& e) {
            EXPECT_STREQ(e.what(), "Cannot load image. Image size not supported for HEIF files.");
        }
        // Decoded, they took 24 to 71 seconds and 0.76 to 1.8 GB.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << name;
        EXPECT_LT(PeakRssKilobytes() - rssBefore, 256 * 1024) << name;
    }
}

TEST_F(EditedFiles, ProfilesAboveTheCapAreIgnoredAndTheFileIsBudgeted) {
    const std::string heic = kModern + "heic/iphone11promax_p3_edited.heic";
    const std::string make = "python3 " + kScripts + "profile_files.py ";
    REQUIRE(heic, "mkdir kept over && " + make + "4096 kept " + heic);
    ASSERT_TRUE(Run(make + std::to_string(limits::kMaxColourProfileBytes + 1) + " over " + heic));
    for (const char* name : {"big.tif", "big.psd", "big.webp", "big.avif"}) {
        LoadedPicture kept;
        LoadPicture(kept, At("kept/") + name);
        EXPECT_EQ(ProfileDescription(kept.IccProfile()), "Display P3") << name;

        MemoryBudget::Process().ResetPeak();
        LoadedPicture over;
        LoadPicture(over, At("over/") + name, ProfileConversion::ByCaller);
        EXPECT_TRUE(over.IccProfile().empty()) << name;
        // The whole file is held while the picture is decoded.
        EXPECT_GE(MemoryBudget::Process().Peak(), limits::kMaxColourProfileBytes) << name;
        // Its pixels are kept as stored: the script's grey ramp.
        const Bitmap picture = over.ToBitmap();
        ASSERT_EQ(picture.Width(), 8) << name;
        int moved = 0;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const auto v = static_cast<std::uint8_t>((x * 30 + y * 3) % 256);
                moved += picture.Pixel(x, y) != Color{v, v, v};
            }
        }
        EXPECT_EQ(moved, 0) << name;
    }
}

}  // namespace
}  // namespace pictorel::test
