// The check before publishing: each finding on a copy of a real photo
// crafted to have that fault, none on good photos, duplicates through a turn
// and a recompression, check.csv's fields and its never-replacing write, and
// the automatic run handing the report over after its question.
#include "workflow/PublishCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <set>

#include "WorkflowFixture.h"
#include "formats/LoadedPicture.h"
#include "imaging/BitmapUtils.h"
#include "imaging/ResampleBitmap.h"
#include "support/AlteredPictures.h"
#include "support/RandomPictures.h"

namespace pictorel::test {
namespace {

namespace fs = std::filesystem;

std::set<FindingKind> KindsOf(const std::vector<Finding>& findings) {
    std::set<FindingKind> kinds;
    for (const Finding& finding : findings) kinds.insert(finding.kind);
    return kinds;
}

CheckedPhoto ShrinkAndCheck(const std::string& path) {
    const ShrunkPhoto shrunk = ShrinkEncodeAndMeasure(path);
    if (shrunk.failure) std::rethrow_exception(shrunk.failure);
    EXPECT_TRUE(shrunk.facts.has_value());
    return {path, path, shrunk.jpeg.size(), kJpegQuality,
            shrunk.facts.value_or(ShrunkPhotoFacts{})};
}

// A real photo brought to 1600 x 1200, above the output size, and crafted
// copies of it written as JPEG files.
class CraftedPhotos : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::optional<fs::path> corpus = TestDataDir();
        if (!corpus) GTEST_SKIP() << "picture corpus not found";
        corpus_ = *corpus;
        LoadedPicture picture;
        LoadPicture(picture, (corpus_ / "jpeg/photo_jolla_3264x2448.jpg").string());
        large_ = ResampleBitmap(picture.GetBitmap(), 1600, 1200);
    }
    std::string Write(const std::string& name, const Bitmap& picture) {
        const fs::path path = dir_.Path() / name;
        WriteFile(path, EncodeJpeg(picture));
        return path.string();
    }
    std::set<FindingKind> KindsOfCopy(const std::string& name, const Bitmap& picture) {
        return KindsOf(FindingsOf(ShrinkAndCheck(Write(name, picture)).facts, {}));
    }

    TempDir dir_;
    fs::path corpus_;
    Bitmap large_;
};

TEST_F(CraftedPhotos, EachFindingFiresOnItsCraftedCopy) {
    using enum FindingKind;
    EXPECT_EQ(KindsOfCopy("as-is.jpg", large_), std::set<FindingKind>{});
    // Darkened or flattened, the photo keeps its detail against its
    // contrast: neither copy is called blurred.
    EXPECT_EQ(KindsOfCopy("dark.jpg", MapLevels(large_, [](int v) { return v * 30 / 100; })),
              std::set<FindingKind>{TooDark});
    EXPECT_EQ(KindsOfCopy("bright.jpg", MapLevels(large_, [](int v) { return v * 2 + 60; })),
              std::set<FindingKind>{TooBright});
    EXPECT_EQ(KindsOfCopy("flat.jpg",
                          MapLevels(large_, [](int v) { return 128 + (v - 128) * 25 / 100; })),
              std::set<FindingKind>{LowContrast});
    // Out of focus: down to an eighth and back up.
    EXPECT_EQ(
        KindsOfCopy("blurred.jpg", ResampleBitmap(ResampleBitmap(large_, 200, 150), 1600, 1200)),
        std::set<FindingKind>{Blurred});
    EXPECT_EQ(KindsOfCopy("turned.jpg", RotateBitmap90(large_)), std::set<FindingKind>{Portrait});
    EXPECT_EQ(KindsOfCopy("small.jpg", ResampleBitmap(large_, 640, 480)),
              std::set<FindingKind>{NotReduced});
}

// A lake photo whose horizon is nearly level, and the same photo turned 4
// degrees either way: only the turned copies are told.
TEST_F(CraftedPhotos, TurnedCopiesAreToldTilted) {
    LoadedPicture lake;
    LoadPicture(lake, (corpus_ / "modern/icc/truncated_profile.jpg").string());
    const Bitmap large = ResampleBitmap(lake.GetBitmap(), 1600, 1200);
    const CheckedPhoto level = ShrinkAndCheck(Write("level.jpg", large));
    EXPECT_TRUE(FindingsOf(level.facts, {}).empty());
    for (const double degrees : {-4.0, 4.0}) {
        const std::string path = Write("tilted.jpg", TurnedCopy(large, degrees));
        const CheckedPhoto checked = ShrinkAndCheck(path);
        const std::vector<Finding> findings = FindingsOf(checked.facts, {});
        ASSERT_EQ(KindsOf(findings), std::set<FindingKind>{FindingKind::Tilted}) << degrees;
        // The horizon moves by the turn (its own lean is a fraction of a
        // degree).
        EXPECT_NEAR(checked.facts.measures.tilt.horizontals.degrees -
                        level.facts.measures.tilt.horizontals.degrees,
                    degrees, 0.5);
        EXPECT_TRUE(findings[0].text.starts_with("傾いています（約 ")) << findings[0].text;
        EXPECT_TRUE(findings[0].text.ends_with("°）。垂直補正をお勧めします。"))
            << findings[0].text;
        // The check only reads the reduced picture: the file is the same.
        EXPECT_EQ(ShrinkAndEncode(path).jpeg, ShrinkEncodeAndMeasure(path).jpeg);
        fs::remove(path);
    }
}

TEST_F(CraftedPhotos, GoodCorpusPhotosHaveNoFinding) {
    std::vector<CheckedPhoto> photos;
    for (const char* name :
         {"jpeg/photo_3872x2403.jpg", "jpeg/photo_jolla_3264x2448.jpg",
          "jpeg/photo_nokia_4608x1976.jpg", "jpeg/camera/nikon-e950_800x600.jpg",
          "jpeg/camera/fujifilm-dx10_1024x768.jpg", "modern/icc/truncated_profile.jpg"})
        photos.push_back(ShrinkAndCheck((corpus_ / name).string()));
    const PublishCheckReport report = CheckRun(photos);
    for (const PhotoCheck& check : report.photos)
        EXPECT_TRUE(check.findings.empty()) << check.photo.source << ": " << check.findings[0].text;
    EXPECT_EQ(CheckSummaryText(report), "確認事項はありません。");
}

TEST_F(CraftedPhotos, TurnedAndRecompressedCopiesAreFoundAsDuplicates) {
    const std::string original = (corpus_ / "jpeg/photo_jolla_3264x2448.jpg").string();
    const std::string other = (corpus_ / "jpeg/photo_nokia_4608x1976.jpg").string();
    const std::string turned =
        Write("turned.jpg", RotateBitmap90(RotateBitmap90(RotateBitmap90(large_))));
    const std::string recompressed = Write("recompressed.jpg", large_);
    const PublishCheckReport report =
        CheckRun({ShrinkAndCheck(original), ShrinkAndCheck(other), ShrinkAndCheck(turned),
                  ShrinkAndCheck(recompressed)});
    const auto duplicates = [&](std::size_t i) {
        std::vector<std::string> texts;
        for (const Finding& f : report.photos[i].findings)
            if (f.kind == FindingKind::Duplicate) texts.push_back(f.text);
        return texts;
    };
    EXPECT_EQ(duplicates(0),
              (std::vector<std::string>{"「turned.jpg」と同じか、ほぼ同じ写真です。",
                                        "「recompressed.jpg」と同じか、ほぼ同じ写真です。"}));
    EXPECT_TRUE(duplicates(1).empty());
    EXPECT_EQ(duplicates(2).front(), "「photo_jolla_3264x2448.jpg」と同じか、ほぼ同じ写真です。");
    EXPECT_EQ(report.PhotosWithFindings(), 3u);  // the turned copy is also upright
}

ShrunkPhotoFacts GoodFacts() {
    ShrunkPhotoFacts facts;
    facts.source = {4000, 3000};
    facts.result = {800, 600};
    facts.measures.luminance = {120, 20, 230, 0.01, 0.01};
    facts.measures.laplacianVariance = 400;
    facts.measures.greyVariance = 2000;
    return facts;
}

TEST(PublishCheckRules, SizeAndShapeLimits) {
    ShrunkPhotoFacts facts = GoodFacts();
    EXPECT_TRUE(FindingsOf(facts, {}).empty());
    // Exactly the output size is not smaller than it; the limit follows the
    // chosen output size.
    facts.source = {800, 600};
    facts.result = facts.source;
    EXPECT_TRUE(FindingsOf(facts, {}).empty());
    facts.source = {799, 600};
    const std::vector<Finding> small = FindingsOf(facts, {});
    ASSERT_EQ(KindsOf(small), std::set<FindingKind>{FindingKind::NotReduced});
    EXPECT_EQ(small[0].text,
              "元の写真（799 × 600）が出力サイズ（800 ピクセル）より小さいため縮小していません。"
              "粗く見えることがあります。");
    PublishCheckLimits larger;
    larger.outputLongestSide = 1200;
    facts.source = {1000, 750};
    EXPECT_EQ(KindsOf(FindingsOf(facts, larger)), std::set<FindingKind>{FindingKind::NotReduced});
    // Square is not upright.
    facts = GoodFacts();
    facts.result = {600, 600};
    EXPECT_TRUE(FindingsOf(facts, {}).empty());
    facts.result = {599, 600};
    EXPECT_EQ(KindsOf(FindingsOf(facts, {})), std::set<FindingKind>{FindingKind::Portrait});
}

// A turn is told from 2 degrees on edges enough of which agree; the
// verticals tell unless ten times as many horizontals agree, and strongly
// converging horizontals (a table in perspective) tell nothing.
TEST(PublishCheckRules, TiltLimits) {
    ShrunkPhotoFacts facts = GoodFacts();
    TiltMeasure& tilt = facts.measures.tilt;
    tilt.verticals = {-2.04, 3.0, 60, 0.4};
    const std::vector<Finding> tilted = FindingsOf(facts, {});
    ASSERT_EQ(KindsOf(tilted), std::set<FindingKind>{FindingKind::Tilted});
    EXPECT_EQ(tilted[0].text, "傾いています（約 2.0°）。垂直補正をお勧めします。");
    EXPECT_STREQ(FindingCode(FindingKind::Tilted), "tilted");
    tilt.verticals.degrees = -1.96;
    EXPECT_TRUE(FindingsOf(facts, {}).empty());
    // Too few or too small a share of agreeing verticals: the horizontals
    // tell instead, when they converge little.
    tilt.verticals = {5, 0, 59, 0.9};
    tilt.horizontals = {0.5, 9.5, 300, 0.5};
    EXPECT_TRUE(FindingsOf(facts, {}).empty());
    tilt.verticals = {5, 0, 600, 0.39};
    EXPECT_TRUE(FindingsOf(facts, {}).empty());
    tilt.horizontals = {3.1, 9.5, 300, 0.5};
    EXPECT_EQ(FindingsOf(facts, {}).at(0).text,
              "傾いています（約 3.1°）。垂直補正をお勧めします。");
    tilt.horizontals.convergence = -10.5;
    EXPECT_TRUE(FindingsOf(facts, {}).empty());
    // Counting verticals tell over fewer than ten times as many horizontals.
    tilt.verticals = {0.3, 0, 100, 0.5};
    tilt.horizontals = {3.1, 0, 999, 0.5};
    EXPECT_TRUE(FindingsOf(facts, {}).empty());
    tilt.horizontals.agreeingEdges = 1000;
    EXPECT_EQ(KindsOf(FindingsOf(facts, {})), std::set<FindingKind>{FindingKind::Tilted});
}

TEST(PublishCheckRules, ClippedSharesCountOnTheSideTheMedianLeansTo) {
    ShrunkPhotoFacts facts = GoodFacts();
    // A dark room with a burnt window: dark, not also bright.
    facts.measures.luminance = {70, 0, 255, 0.35, 0.31};
    EXPECT_EQ(KindsOf(FindingsOf(facts, {})), std::set<FindingKind>{FindingKind::TooDark});
    facts.measures.luminance = {180, 0, 255, 0.31, 0.35};
    EXPECT_EQ(KindsOf(FindingsOf(facts, {})), std::set<FindingKind>{FindingKind::TooBright});
}

TEST(PublishCheckCsv, FieldsAreQuotedWhereNeeded) {
    EXPECT_EQ(CsvField("plain.jpg"), "plain.jpg");
    EXPECT_EQ(CsvField("暗すぎる"), "暗すぎる");
    EXPECT_EQ(CsvField("a,b.jpg"), "\"a,b.jpg\"");
    EXPECT_EQ(CsvField("say \"hi\".jpg"), "\"say \"\"hi\"\".jpg\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField(" lead"), "\" lead\"");
    EXPECT_EQ(CsvField(""), "");

    CheckedPhoto photo{"/in/a,b.png", "/out/a,b.jpg", 12345, 80, GoodFacts()};
    photo.facts.source = {400, 600};
    photo.facts.result = {400, 600};
    CheckedPhoto good{"/in/c.jpg", "/out/c.jpg", 999, 80, GoodFacts()};
    good.facts.measures.hashes.fill(~std::uint64_t{0});  // far from the first photo
    const PublishCheckReport report = CheckRun({photo, good});
    EXPECT_EQ(CheckCsvText(report),
              "\xEF\xBB\xBF"
              "file,result,width,height,bytes,quality,findings,kinds\n"
              "\"/in/a,b.png\",\"/out/a,b.jpg\",400,600,12345,80,"
              "縦長の写真です。掲載先で横長に切り取られることがあります。 / "
              "元の写真（400 × 600）が出力サイズ（800 ピクセル）より小さいため縮小していません。"
              "粗く見えることがあります。,portrait not-reduced\n"
              "/in/c.jpg,/out/c.jpg,800,600,999,80,,\n");
    EXPECT_EQ(CheckCsvFolder(report), "/out");
}

TEST(PublishCheckCsv, AnEarlierCheckIsNeverReplaced) {
    TempDir dir;
    const PublishCheckReport report =
        CheckRun({CheckedPhoto{"a.jpg", (dir.Path() / "a.jpg").string(), 1, 80, GoodFacts()}});
    WriteFile(dir.Path() / "check.csv", std::string("earlier"));
    const std::string written = WriteCheckCsv(report, dir.Path().string());
    EXPECT_EQ(written, (dir.Path() / "check-1.csv").string());
    EXPECT_EQ(ReadText(dir.Path() / "check.csv"), "earlier");
    EXPECT_EQ(ReadText(written), CheckCsvText(report));
    EXPECT_EQ(WriteCheckCsv(report, dir.Path().string()), (dir.Path() / "check-2.csv").string());

    try {
        WriteCheckCsv(report, (dir.Path() / "missing").string());
        ADD_FAILURE() << "written into a missing folder";
    } catch (const SaveFailure& e) {
        EXPECT_EQ(e.File(), (dir.Path() / "missing/check.csv").string());
        EXPECT_FALSE(e.Cause().empty());
    }
}

struct CheckedRun : ::testing::Test, WorkflowFixture {};

TEST_F(CheckedRun, TheReportFollowsTheRunsQuestionAndOnlyWithFindings) {
    SetBase(Folder("base") + "/");
    const auto write = [&](const std::string& name, int w, int h, unsigned seed) {
        WriteFile(dir.Path() / name, EncodeJpeg(RandomPicture(w, h, seed)));
        return Path(name);
    };
    const std::string wide = write("wide.jpg", 1200, 900, 1);
    const std::string upright = write("upright.jpg", 900, 1200, 2);
    std::vector<PublishCheckReport> shown;
    main.SetPublishCheckPresenter([&](const PublishCheckReport& report) {
        log->push_back("check");
        shown.push_back(report);
    });
    main.AddChosenFiles({wide, upright});
    main.FolderNameTyped("A1");
    boxes.answers = {false};
    log->clear();
    main.RunAutomatic();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(log->back(), "check");
    EXPECT_EQ(log->at(log->size() - 2), "confirm: 縮小が完了しました。フォルダを開きますか？");
    ASSERT_EQ(shown[0].photos.size(), 2u);
    const std::string result = shown[0].photos[1].photo.result;
    EXPECT_EQ(fs::path(result).filename(), "upright.jpg");
    EXPECT_EQ(shown[0].photos[1].photo.bytes, fs::file_size(result));
    EXPECT_EQ(KindsOf(shown[0].photos[1].findings), std::set<FindingKind>{FindingKind::Portrait});
    EXPECT_TRUE(shown[0].photos[0].findings.empty());

    // Nothing found: no window.
    main.AddChosenFiles({wide});
    main.FolderNameTyped("A2");
    boxes.answers = {false};
    main.RunAutomatic();
    EXPECT_EQ(shown.size(), 1u);
}

TEST(PublishCheckHook, MeasuringLeavesTheBytesAsTheyAre) {
    TempDir dir;
    WriteFile(dir.Path() / "p.jpg", EncodeJpeg(RandomPicture(1000, 700, 5)));
    const ShrunkPhoto plain = ShrinkAndEncode((dir.Path() / "p.jpg").string());
    const ShrunkPhoto measured = ShrinkEncodeAndMeasure((dir.Path() / "p.jpg").string());
    EXPECT_FALSE(plain.facts.has_value());
    ASSERT_TRUE(measured.facts.has_value());
    EXPECT_EQ(plain.jpeg, measured.jpeg);
    EXPECT_EQ(measured.facts->source, (Size{1000, 700}));
    EXPECT_EQ(measured.facts->result, (Size{800, 560}));

    const ShrunkPhoto missing = ShrinkEncodeAndMeasure((dir.Path() / "none.jpg").string());
    EXPECT_TRUE(missing.failure);
    EXPECT_FALSE(missing.facts.has_value());
}

}  // namespace
}  // namespace pictorel::test
