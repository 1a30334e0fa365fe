// The check before publishing ("公開前チェック") after an automatic run: each
// saved photo is looked at for what often spoils a listing (too dark or too
// bright, flat, blurred, upright, not reduced because it was small, the same
// picture twice, tilted) and each finding is told per file in Japanese,
// printed by pictorel-cli, listed by the desktop window and kept in check.csv.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "workflow/JpegOutput.h"
#include "workflow/OrderedShrinkPipeline.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel {

inline constexpr const char* kPublishCheckTitle = "公開前チェック";
inline constexpr const char* kCheckCsvName = "check.csv";

enum class FindingKind {
    TooDark,
    TooBright,
    LowContrast,
    Blurred,
    Portrait,
    NotReduced,
    Duplicate,
    Tilted
};

// The kind's fixed name in check.csv, for a program that reads the record:
// dark, bright, low-contrast, blurred, portrait, not-reduced, duplicate,
// tilted.
const char* FindingCode(FindingKind kind);

struct Finding {
    FindingKind kind = FindingKind::TooDark;
    // What the user reads, in Japanese.
    std::string text;
};

// The limits the findings are measured against. The defaults were set on
// real phone and camera photos and on darkened, brightened, flattened,
// blurred, turned and recompressed copies of them (see docs/publish-check.md).
struct PublishCheckLimits {
    // The longest side the run reduces to: a photo whose longer side is
    // below it was not reduced.
    int outputLongestSide = kPublishMaxSide;
    // Too dark: median luminance below this, or this share crushed to black
    // with a median below the middle.
    int darkMedian = 50;
    double blackShare = 0.30;
    // Too bright: median above this, or this share burnt to white with a
    // median above the middle.
    int brightMedian = 200;
    double whiteShare = 0.25;
    // Too flat: fewer levels than this between the 5th and 95th percentiles
    // (not told beside too dark or too bright, which squeeze the levels too
    // and are mended first).
    int contrastSpread = 60;
    // Blurred: Laplacian variance below this share of the grey variance
    // (plus a floor that keeps noise on a plain wall from counting as detail).
    double sharpnessRatio = 0.03;
    double greyVarianceFloor = 100;
    // Duplicates: upright hashes within this many bits, any quarter turn.
    int duplicateDistance = 10;
    // Tilted: the straight edges turned by at least this many degrees
    // (smaller turns go unnoticed on a listing's thumbnail). The edges of an
    // orientation count when at least tiltMinEdges edge pixels and
    // tiltMinShare of all its straight edge pixels agree on one lean (fewer
    // are texture that happens to line up); horizontals only when they
    // converge by at most tiltHorizontalConvergence degrees across the
    // picture (more is the perspective of a floor or a table, not a level
    // line). The verticals tell, unless counting horizontals outnumber them
    // tiltHorizontalsOutnumber times (then the verticals are a few details).
    double tiltDegrees = 2.0;
    int tiltMinEdges = 60;
    double tiltMinShare = 0.4;
    double tiltHorizontalConvergence = 10;
    int tiltHorizontalsOutnumber = 10;
};

// One photo the run saved.
struct CheckedPhoto {
    // The selected file and the result written for it.
    std::string source;
    std::string result;
    std::uint64_t bytes = 0;
    int quality = kJpegQuality;
    ShrunkPhotoFacts facts;
};

struct PhotoCheck {
    CheckedPhoto photo;
    std::vector<Finding> findings;
};

struct PublishCheckReport {
    std::vector<PhotoCheck> photos;
    // The number of photos with at least one finding.
    std::size_t PhotosWithFindings() const;
};

// The limits for a run at `size`: a photo is "not reduced" against its
// longest side (its box's longer side for a fit-inside size).
PublishCheckLimits CheckLimitsFor(const OutputSize& size);

// The findings of one photo on its own (all but the duplicates).
std::vector<Finding> FindingsOf(const ShrunkPhotoFacts& facts, const PublishCheckLimits& limits);

// Every photo's findings, the duplicates among them included: each of two
// photos that match names the other. Photos keep their order.
PublishCheckReport CheckRun(std::vector<CheckedPhoto> photos,
                            const PublishCheckLimits& limits = PublishCheckLimits());

// The one-line summary: "N 枚の写真に確認事項があります。" or
// "確認事項はありません。".
std::string CheckSummaryText(const PublishCheckReport& report);

// What pictorel-cli prints: the title and summary, then for each photo
// with findings its file on one line and each finding indented below.
std::string CheckReportText(const PublishCheckReport& report);

// check.csv: UTF-8 led by a byte-order mark, "\n" line ends, a header line
// file,result,width,height,bytes,quality,findings,kinds and one line for
// every photo (findings joined by " / ", kinds by spaces); a field holding a
// comma, a quote, a line break or a leading or trailing space is quoted.
std::string CheckCsvText(const PublishCheckReport& report);
std::string CsvField(const std::string& text);

// The folder check.csv belongs in: that of the first result (a run into a
// named folder has all its results there); empty for a report without photos.
std::string CheckCsvFolder(const PublishCheckReport& report);

// The n-th name check.csv may take (0: "check.csv", then "check-1.csv", ...).
std::string CheckCsvCandidateName(unsigned long long n);

// Writes check.csv into `folder`. An earlier check is never replaced: the
// new one becomes check-1.csv, check-2.csv, ... Returns the name written;
// throws SaveFailure naming the file and the system's reason.
std::string WriteCheckCsv(const PublishCheckReport& report, const std::string& folder);

// The text shown once check.csv is written: "check.csv を保存しました。" with
// the path on the next line.
std::string CheckCsvSavedText(const std::string& written);

}  // namespace pictorel
