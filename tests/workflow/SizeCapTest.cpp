// The file-size cap: the quality search against every quality, the side
// steps, the texts the user is told, and the cap over the corpus checked
// against an exhaustive search.
#include "workflow/SizeCap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestFiles.h"
#include "workflow/JpegOutput.h"
#include "workflow/OrderedShrinkPipeline.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel::test {
namespace {

namespace fs = std::filesystem;

// The quality whose scripted size is `sizes[q - 50]`, as an encoder.
struct ScriptedEncoder {
    std::vector<std::size_t> sizes;
    int calls = 0;
    std::vector<std::uint8_t> operator()(int quality) {
        ++calls;
        return std::vector<std::uint8_t>(sizes[static_cast<std::size_t>(quality - 50)]);
    }
};

// The largest quality in [50, 80] of `sizes` at most `cap`, or 49.
int LargestFitting(const std::vector<std::size_t>& sizes, std::size_t cap) {
    for (int q = 80; q >= 50; --q)
        if (sizes[static_cast<std::size_t>(q - 50)] <= cap) return q;
    return 49;
}

TEST(QualitySearch, FindsTheLargestFittingQualityOfFallingSizes) {
    // Sizes of several shapes: steep, flat, with runs of equal sizes, and
    // one that jumps, each searched at every cap across its range.
    std::vector<std::vector<std::size_t>> curves;
    for (const double power : {0.3, 0.6, 1.2}) {
        std::vector<std::size_t> sizes;
        for (int q = 50; q <= 80; ++q)
            sizes.push_back(
                static_cast<std::size_t>(60000 * std::pow(40.0 / (200 - 2 * q), power)));
        curves.push_back(sizes);
    }
    std::vector<std::size_t> steps;
    for (int q = 50; q <= 80; ++q) steps.push_back(30000 + (q / 4) * 1000 + (q >= 70 ? 9000 : 0));
    curves.push_back(steps);
    for (std::size_t curve = 0; curve < curves.size(); ++curve) {
        const std::vector<std::size_t>& sizes = curves[curve];
        int searches = 0, encodes = 0;
        for (std::size_t cap = sizes.front() - 500; cap < sizes.back(); cap += 397) {
            ScriptedEncoder encoder{sizes};
            QualitySearch search(50, 80, cap, 0.6);
            search.Know(80, sizes.back(), true);
            const bool fits = search.Run(std::ref(encoder));
            const int expected = LargestFitting(sizes, cap);
            ASSERT_EQ(fits, expected >= 50) << "cap " << cap;
            if (fits) {
                EXPECT_EQ(search.BestQuality(), expected) << "cap " << cap;
                EXPECT_EQ(search.TakeBest().size(), sizes[expected - 50]);
            } else {
                EXPECT_EQ(search.TakeFloorBytes().size(), sizes.front());
            }
            EXPECT_EQ(search.Encodes(), encoder.calls);
            ++searches;
            encodes += encoder.calls;
        }
        // A search, not a walk through every quality: within two encodes
        // of a bisection (five) whatever the shape, and about two encodes
        // on the shape of photos (power 0.6).
        EXPECT_LE(encodes, searches * 7) << "curve " << curve;
        if (curve == 1) {
            EXPECT_LE(encodes, searches * 5 / 2);
        }
    }
}

TEST(QualitySearch, UnevenSizesGiveAFitWhoseNextQualityDoesNot) {
    // Sizes that rise and fall: what the search takes fits, and the quality
    // above it has been seen not to.
    std::vector<std::size_t> sizes;
    for (int q = 50; q <= 80; ++q) sizes.push_back(40000 + 800 * q + (q % 3 == 0 ? 2500 : 0));
    for (std::size_t cap = sizes.front(); cap < sizes.back(); cap += 311) {
        ScriptedEncoder encoder{sizes};
        QualitySearch search(50, 80, cap, 0.6);
        search.Know(80, sizes.back(), true);
        ASSERT_TRUE(search.Run(std::ref(encoder)));
        const int q = search.BestQuality();
        EXPECT_LE(sizes[q - 50], cap);
        EXPECT_GT(sizes[q + 1 - 50], cap);
    }
}

TEST(CapSideSteps, TenthsOfTheFirstSideDownTo400) {
    EXPECT_EQ(CapSideSteps(800), (std::vector<int>{720, 640, 560, 480, 400}));
    EXPECT_EQ(CapSideSteps(1000), (std::vector<int>{900, 800, 700, 600, 500, 400}));
    EXPECT_EQ(CapSideSteps(430), (std::vector<int>{400}));
    EXPECT_TRUE(CapSideSteps(400).empty());
    EXPECT_TRUE(CapSideSteps(120).empty());
}

TEST(LoweringTexts, SizeThenQualityThenTheMissedCap) {
    CappedJpeg result;
    result.startQuality = result.quality = 80;
    result.startLongerSide = result.longerSide = 800;
    result.capKb = 50;
    EXPECT_TRUE(LoweringTexts(result).empty());
    result.quality = 68;
    EXPECT_EQ(LoweringTexts(result), (std::vector<std::string>{"画質 80 → 68"}));
    result.longerSide = 400;
    result.quality = 50;
    result.overCap = true;
    result.jpeg.resize(61001);
    EXPECT_EQ(LoweringTexts(result),
              (std::vector<std::string>{"サイズ 800 → 400", "画質 80 → 50",
                                        "上限 50 KB に収まりません（62 KB）"}));
}

TEST(TargetSizeFor, DefaultIsTheAutomaticRunsRuleAndOthersScaleAlike) {
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {3872, 2403}, {801, 1}, {1, 5000}, {800, 800}, {1601, 1067}, {640, 480}})
        EXPECT_EQ(TargetSizeFor(DefaultOutputSize(), w, h), AutoTargetSize(w, h));
    OutputSize side = DefaultOutputSize();
    side.maxSide = 1200;
    EXPECT_EQ(TargetSizeFor(side, 4000, 3000), (Size{1200, 900}));
    EXPECT_EQ(TargetSizeFor(side, 1000, 700), (Size{1000, 700}));  // never enlarged
    OutputSize box = DefaultOutputSize();
    box.maxSide = 0;
    box.boxWidth = 640;
    box.boxHeight = 640;
    EXPECT_EQ(TargetSizeFor(box, 3000, 4000), (Size{480, 640}));
    box.boxHeight = 300;  // the height rules a wide picture in a low box
    EXPECT_EQ(TargetSizeFor(box, 4000, 3000), (Size{400, 300}));
}

// Every file the corpus manifest says decodes.
std::vector<std::string> DecodableCorpusFiles(const fs::path& corpus) {
    std::vector<std::string> files;
    std::ifstream manifest(corpus / "manifest.tsv");
    for (std::string line; std::getline(manifest, line);) {
        std::istringstream fields(line);
        std::string path, format, expect;
        std::getline(fields, path, '\t');
        std::getline(fields, format, '\t');
        std::getline(fields, expect, '\t');
        if (expect == "decodes") files.push_back((corpus / path).string());
    }
    return files;
}

TEST(SizeCapCorpus, CapHoldsOnEveryFileAndTheDefaultKeepsItsBytes) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    const std::vector<std::string> files = DecodableCorpusFiles(corpus);
    ASSERT_GT(files.size(), 100u);
    for (const std::string& file : files) {
        const ShrunkPhoto plain = ShrinkAndEncode(file);
        ASSERT_FALSE(plain.failure) << file;
        EXPECT_EQ(ShrinkAndEncode(file, DefaultOutputSize()).jpeg, plain.jpeg) << file;
        for (const int capKb : {50, 100, 300}) {
            OutputSize size = DefaultOutputSize();
            size.capKb = capKb;
            const ShrunkPhoto capped = ShrinkAndEncode(file, size);
            ASSERT_FALSE(capped.failure) << file;
            if (!capped.overCap) {
                EXPECT_LE(capped.jpeg.size(), std::size_t(capKb) * kBytesPerKb) << file;
            }
            // A file already under the cap is today's file.
            if (plain.jpeg.size() <= std::size_t(capKb) * kBytesPerKb) {
                EXPECT_EQ(capped.jpeg, plain.jpeg) << file;
                EXPECT_TRUE(capped.lowerings.empty()) << file;
            }
        }
    }
}

// Every side step and every quality from the size's down to the floor,
// encoded: the first that fits from the top is what the cap must give.
TEST(SizeCapCorpus, MatchesAnExhaustiveSearch) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    int compared = 0, unevenPairs = 0;
    for (const char* name : {"jpeg/photo_3872x2403.jpg", "jpeg/photo_jolla_3264x2448.jpg",
                             "jpeg/photo_nokia_4608x1976.jpg"}) {
        const std::string path = (corpus / name).string();
        OutputSize size = DefaultOutputSize();
        std::vector<int> sides = CapSideSteps(800);
        sides.insert(sides.begin(), 800);
        std::map<int, std::vector<std::size_t>> bytes;  // side -> sizes at 50..80
        for (const int side : sides) {
            OutputSize atSide = size;
            atSide.maxSide = side;
            const Bitmap picture = ShrinkForPublishing(path, atSide);
            for (int q = 50; q <= 80; ++q) bytes[side].push_back(EncodeJpeg(picture, q).size());
            for (std::size_t i = 1; i < bytes[side].size(); ++i)
                if (bytes[side][i] < bytes[side][i - 1]) ++unevenPairs;
        }
        for (const int capKb : {12, 16, 20, 25, 30, 40, 50}) {
            size.capKb = capKb;
            int expectedSide = 400, expectedQuality = 50;
            bool found = false;
            for (const int side : sides) {
                const int q = LargestFitting(bytes[side], std::size_t(capKb) * kBytesPerKb);
                if (q >= 50) {
                    expectedSide = side;
                    expectedQuality = q;
                    found = true;
                    break;
                }
            }
            const ShrunkPhoto capped = ShrinkAndEncode(path, size);
            ASSERT_FALSE(capped.failure);
            EXPECT_EQ(capped.overCap, !found) << name << " at " << capKb << " KB";
            EXPECT_EQ(capped.quality, expectedQuality) << name << " at " << capKb << " KB";
            EXPECT_EQ(capped.jpeg.size(), bytes[expectedSide][expectedQuality - 50])
                << name << " at " << capKb << " KB";
            ++compared;
        }
    }
    EXPECT_EQ(compared, 21);
    // JPEG sizes grew with the quality at every step on these photos; a
    // fall would make "the largest quality that fits" ambiguous for the
    // search, so it is told.
    EXPECT_EQ(unevenPairs, 0);
}

}  // namespace
}  // namespace pictorel::test
