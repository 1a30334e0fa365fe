#include "workflow/PublishCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "base/PathText.h"

namespace pictorel {

namespace {

std::string Percent(double share) {
    return std::to_string(static_cast<int>(std::lround(share * 100))) + "%";
}

std::string SizeText(const Size& size) {
    return std::to_string(size.width) + " × " + std::to_string(size.height);
}

std::string DegreesText(double degrees) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", std::abs(degrees));
    return text;
}

// The lean a finding is read on: the verticals when enough of them agree
// (in a room or on a building they are what looks wrong), else the
// horizontals (a horizon, a shelf, a counter); none without either.
const EdgeLean* TellingLean(const TiltMeasure& tilt, const PublishCheckLimits& limits) {
    const auto counts = [&](const EdgeLean& lean) {
        return lean.agreeingEdges >= limits.tiltMinEdges &&
               lean.agreeingShare >= limits.tiltMinShare;
    };
    const bool verticals = counts(tilt.verticals);
    const bool horizontals = counts(tilt.horizontals) && std::abs(tilt.horizontals.convergence) <=
                                                             limits.tiltHorizontalConvergence;
    const bool horizontalsOutnumber =
        horizontals && tilt.horizontals.agreeingEdges >=
                           limits.tiltHorizontalsOutnumber * tilt.verticals.agreeingEdges;
    if (verticals && !horizontalsOutnumber) return &tilt.verticals;
    if (horizontals) return &tilt.horizontals;
    return nullptr;
}

std::string DuplicateText(const std::string& otherSource) {
    return "「" + FileNamePart(otherSource) + "」と同じか、ほぼ同じ写真です。";
}

}  // namespace

const char* FindingCode(FindingKind kind) {
    switch (kind) {
        case FindingKind::TooDark:
            return "dark";
        case FindingKind::TooBright:
            return "bright";
        case FindingKind::LowContrast:
            return "low-contrast";
        case FindingKind::Blurred:
            return "blurred";
        case FindingKind::Portrait:
            return "portrait";
        case FindingKind::NotReduced:
            return "not-reduced";
        case FindingKind::Duplicate:
            return "duplicate";
        case FindingKind::Tilted:
            return "tilted";
    }
    return "unknown";
}

std::size_t PublishCheckReport::PhotosWithFindings() const {
    return static_cast<std::size_t>(std::count_if(
        photos.begin(), photos.end(), [](const PhotoCheck& p) { return !p.findings.empty(); }));
}

PublishCheckLimits CheckLimitsFor(const OutputSize& size) {
    PublishCheckLimits limits;
    limits.outputLongestSide =
        size.maxSide > 0 ? size.maxSide : std::max(size.boxWidth, size.boxHeight);
    return limits;
}

std::vector<Finding> FindingsOf(const ShrunkPhotoFacts& facts, const PublishCheckLimits& limits) {
    std::vector<Finding> findings;
    const LuminanceStats& light = facts.measures.luminance;
    // A photo that is mostly shadow or mostly sky may have a fair median and
    // still be lost: a large crushed or burnt share counts as well, but only
    // on the side the median leans to, so a bright window in a dark room is
    // not told twice.
    const bool dark = light.median < limits.darkMedian ||
                      (light.blackShare >= limits.blackShare && light.median < 128);
    const bool bright = light.median > limits.brightMedian ||
                        (light.whiteShare >= limits.whiteShare && light.median >= 128);
    if (dark) {
        findings.push_back({FindingKind::TooDark, "暗すぎる可能性があります（明るさの中央値 " +
                                                      std::to_string(light.median) +
                                                      "／255、黒つぶれ " +
                                                      Percent(light.blackShare) + "）。"});
    } else if (bright) {
        findings.push_back({FindingKind::TooBright, "明るすぎる可能性があります（明るさの中央値 " +
                                                        std::to_string(light.median) +
                                                        "／255、白飛び " +
                                                        Percent(light.whiteShare) + "）。"});
    }
    const int spread = light.high - light.low;
    if (!dark && !bright && spread < limits.contrastSpread) {
        findings.push_back(
            {FindingKind::LowContrast, "コントラストが低い可能性があります（明暗の幅 " +
                                           std::to_string(spread) + "／255）。"});
    }
    // Detail measured against contrast: darkening or flattening a sharp photo
    // lowers both alike, blurring lowers only the detail.
    const double ratio =
        facts.measures.laplacianVariance / (facts.measures.greyVariance + limits.greyVarianceFloor);
    if (ratio < limits.sharpnessRatio) {
        findings.push_back({FindingKind::Blurred, "ピンぼけか手ぶれの可能性があります。"});
    }
    if (facts.result.height > facts.result.width) {
        findings.push_back(
            {FindingKind::Portrait, "縦長の写真です。掲載先で横長に切り取られることがあります。"});
    }
    if (std::max(facts.source.width, facts.source.height) < limits.outputLongestSide) {
        findings.push_back(
            {FindingKind::NotReduced,
             "元の写真（" + SizeText(facts.source) + "）が出力サイズ（" +
                 std::to_string(limits.outputLongestSide) +
                 " ピクセル）より小さいため縮小していません。粗く見えることがあります。"});
    }
    const EdgeLean* lean = TellingLean(facts.measures.tilt, limits);
    if (lean && std::abs(lean->degrees) >= limits.tiltDegrees) {
        findings.push_back({FindingKind::Tilted, "傾いています（約 " + DegreesText(lean->degrees) +
                                                     "°）。垂直補正をお勧めします。"});
    }
    return findings;
}

PublishCheckReport CheckRun(std::vector<CheckedPhoto> photos, const PublishCheckLimits& limits) {
    PublishCheckReport report;
    report.photos.reserve(photos.size());
    for (CheckedPhoto& photo : photos) {
        std::vector<Finding> findings = FindingsOf(photo.facts, limits);
        report.photos.push_back({std::move(photo), std::move(findings)});
    }
    // Every pair: a run holds tens or hundreds of photos, and a pair costs a
    // few XORs. Either photo of a pair names the other.
    for (std::size_t a = 0; a < report.photos.size(); ++a) {
        for (std::size_t b = a + 1; b < report.photos.size(); ++b) {
            const ShrunkPhotoFacts& first = report.photos[a].photo.facts;
            const ShrunkPhotoFacts& second = report.photos[b].photo.facts;
            if (TurnedHashDistance(first.measures.hashes, second.measures.hashes) >
                limits.duplicateDistance)
                continue;
            report.photos[a].findings.push_back(
                {FindingKind::Duplicate, DuplicateText(report.photos[b].photo.source)});
            report.photos[b].findings.push_back(
                {FindingKind::Duplicate, DuplicateText(report.photos[a].photo.source)});
        }
    }
    return report;
}

std::string CheckSummaryText(const PublishCheckReport& report) {
    const std::size_t flagged = report.PhotosWithFindings();
    if (flagged == 0) return "確認事項はありません。";
    return std::to_string(flagged) + " 枚の写真に確認事項があります。";
}

std::string CheckReportText(const PublishCheckReport& report) {
    std::string text = std::string(kPublishCheckTitle) + ": " + CheckSummaryText(report) + "\n";
    for (const PhotoCheck& check : report.photos) {
        if (check.findings.empty()) continue;
        text += check.photo.source + " -> " + check.photo.result + "\n";
        for (const Finding& finding : check.findings) text += "  " + finding.text + "\n";
    }
    return text;
}

std::string CsvField(const std::string& text) {
    const bool quoted = text.find_first_of(",\"\r\n") != std::string::npos ||
                        (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quoted) return text;
    std::string field = "\"";
    for (const char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    return field + "\"";
}

std::string CheckCsvText(const PublishCheckReport& report) {
    // Led by a UTF-8 byte-order mark: spreadsheet programs on Japanese
    // systems read a CSV without one as Shift_JIS and garble every finding.
    std::string csv =
        "\xEF\xBB\xBF"
        "file,result,width,height,bytes,quality,findings,kinds\n";
    for (const PhotoCheck& check : report.photos) {
        const CheckedPhoto& photo = check.photo;
        std::string texts;
        std::string kinds;
        for (const Finding& finding : check.findings) {
            texts += (texts.empty() ? "" : " / ") + finding.text;
            kinds += (kinds.empty() ? "" : " ") + std::string(FindingCode(finding.kind));
        }
        csv += CsvField(photo.source) + "," + CsvField(photo.result) + "," +
               std::to_string(photo.facts.result.width) + "," +
               std::to_string(photo.facts.result.height) + "," + std::to_string(photo.bytes) + "," +
               std::to_string(photo.quality) + "," + CsvField(texts) + "," + CsvField(kinds) + "\n";
    }
    return csv;
}

std::string CheckCsvFolder(const PublishCheckReport& report) {
    if (report.photos.empty()) return {};
    return FolderPart(report.photos.front().photo.result);
}

std::string CheckCsvCandidateName(unsigned long long n) {
    return n == 0 ? std::string(kCheckCsvName) : "check-" + std::to_string(n) + ".csv";
}

std::string WriteCheckCsv(const PublishCheckReport& report, const std::string& folder) {
    const std::string text = CheckCsvText(report);
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    const std::string prefix = WithTrailingSlash(folder);
    return SaveNewFile(bytes, folder, [&prefix](unsigned long long n) {
        return prefix + CheckCsvCandidateName(n);
    });
}

std::string CheckCsvSavedText(const std::string& written) {
    return std::string(kCheckCsvName) + " を保存しました。\n" + written;
}

}  // namespace pictorel
