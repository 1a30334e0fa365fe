// The browser module's automatic run beyond the names: shrinking at an output
// size (with its file-size cap), the user's sizes kept in the page's storage
// as the desktop's settings text, and the check before publishing. Sizes,
// facts and findings cross as plain JS objects (src/web/README.md).
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/SettingsFile.h"
#include "base/Errors.h"
#include "base/FileIo.h"
#include "base/PathText.h"
#include "web/PageValues.h"
#include "web/WebFiles.h"
#include "workflow/JpegOutput.h"
#include "workflow/MainScreen.h"
#include "workflow/OrderedShrinkPipeline.h"
#include "workflow/OutputSize.h"
#include "workflow/OutputSizeList.h"
#include "workflow/PublishCheck.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel::web {

namespace {

using emscripten::val;

// A whole number from a JS value; anything else (missing, fractional, out of
// int's range) reads as `fallback`, which the size rules then refuse.
int WholeNumber(const val& field, int fallback) {
    if (!field.isNumber()) return fallback;
    const double number = field.as<double>();
    if (!(number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max()) ||
        number != std::floor(number))
        return fallback;
    return static_cast<int>(number);
}

std::string TextOf(const val& field) {
    return field.isString() ? field.as<std::string>() : std::string();
}

// {name, maxSide, boxWidth, boxHeight, quality, capKb (null for none)}.
OutputSize SizeFrom(const val& object) {
    OutputSize size = DefaultOutputSize();
    if (!IsObject(object)) return size;
    size.name = TextOf(object["name"]);
    size.maxSide = WholeNumber(object["maxSide"], 0);
    size.boxWidth = WholeNumber(object["boxWidth"], 0);
    size.boxHeight = WholeNumber(object["boxHeight"], 0);
    size.quality = WholeNumber(object["quality"], 0);
    const val cap = object["capKb"];
    if (cap.isNull() || cap.isUndefined())
        size.capKb.reset();
    else
        size.capKb = WholeNumber(cap, 0);
    return size;
}

val SizeObject(const OutputSize& size) {
    val out = val::object();
    out.set("name", size.name);
    out.set("maxSide", size.maxSide);
    out.set("boxWidth", size.boxWidth);
    out.set("boxHeight", size.boxHeight);
    out.set("quality", size.quality);
    out.set("capKb", size.capKb ? val(*size.capKb) : val::null());
    out.set("label", OutputSizeLabel(size));
    return out;
}

std::vector<OutputSize> SizesFrom(const val& array) {
    std::vector<OutputSize> sizes;
    if (!array.isArray()) return sizes;
    const auto count = array["length"].as<unsigned>();
    for (unsigned i = 0; i < count; ++i) sizes.push_back(SizeFrom(array[i]));
    return sizes;
}

val SizesObject(const std::vector<OutputSize>& sizes) {
    val out = val::array();
    for (const OutputSize& size : sizes) out.call<void>("push", SizeObject(size));
    return out;
}

val DefaultSizeObject() {
    return SizeObject(DefaultOutputSize());
}

std::string SizeProblem(const val& size) {
    return OutputSizeProblem(SizeFrom(size));
}

// The page keeps the user's sizes as the text of the desktop's settings file
// (section [OutputSize]); the core reads and writes that text through a
// settings file in the module's memory, so a damaged entry is skipped by the
// same rules as on the desktop.
class StoredSettings {
  public:
    explicit StoredSettings(const std::string& text) {
        std::FILE* file = std::fopen(kPath, "wb");
        if (!file)
            throw IoError(std::string("cannot hold ") + kPath, SystemErrorText(errno), errno);
        const bool written =
            text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (std::fclose(file) != 0 || !written)
            throw IoError(std::string("cannot hold ") + kPath, SystemErrorText(errno), errno);
        settings_.SetFileName(kPath);
    }
    ~StoredSettings() { std::remove(kPath); }
    StoredSettings(const StoredSettings&) = delete;
    StoredSettings& operator=(const StoredSettings&) = delete;

    SettingsFile& Settings() { return settings_; }
    std::string Text() const {
        std::string text;
        std::FILE* file = std::fopen(kPath, "rb");
        if (!file) return text;
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            text.append(chunk, got);
        std::fclose(file);
        return text;
    }

  private:
    static constexpr const char* kPath = "/page-settings.ini";
    SettingsFile settings_{"/pictorel"};
};

// {sizes, chosen}: the sizes the text holds and the name last chosen ("" for
// the default, or for a name no longer among the sizes).
val ReadSizes(const std::string& text) {
    StoredSettings stored(text);
    const std::vector<OutputSize> sizes = ReadOutputSizes(stored.Settings());
    const std::string chosen = ReadChosenOutputSize(stored.Settings());
    val out = val::object();
    out.set("sizes", SizesObject(sizes));
    out.set("chosen", FindOutputSize(sizes, chosen) ? chosen : std::string());
    return out;
}

// {ok: true, text, chosen} with the sizes written into `text`, or {ok:
// false, message} when a size is unsound or named twice.
// The chosen size keeps its place by name; when it is gone the default is
// chosen and the stored choice emptied.
val WriteSizes(const std::string& text, const val& sizes, const std::string& chosen) {
    try {
        StoredSettings stored(text);
        const std::vector<OutputSize> kept = SizesFrom(sizes);
        WriteOutputSizes(stored.Settings(), kept);
        const bool stillThere = !chosen.empty() && FindOutputSize(kept, chosen);
        if (!chosen.empty() && !stillThere) WriteChosenOutputSize(stored.Settings(), "");
        val out = val::object();
        out.set("ok", true);
        out.set("text", stored.Text());
        out.set("chosen", stillThere ? chosen : std::string());
        return out;
    } catch (const Error& e) {
        return Failure(e.what(), e.Cause());
    } catch (const std::exception& e) {
        return Failure(e.what(), "");
    }
}

// The text after the user picked the size named `name` ("" for the
// default). The default needs no key: the stored text gains one only once
// the user has chosen a size of their own.
std::string ChooseSize(const std::string& text, const std::string& name) {
    StoredSettings stored(text);
    if (!name.empty() || !ReadChosenOutputSize(stored.Settings()).empty())
        WriteChosenOutputSize(stored.Settings(), name);
    return stored.Text();
}

// The sizes dialog's add, change and remove: {problem, sizes}, the sizes
// unchanged when refused. `index` -1 (or any outside the list) is no size
// selected.
val EditSizes(const val& sizes, const std::string& action, double index, const val& size) {
    OutputSizeList list(SizesFrom(sizes));
    const std::size_t at = index >= 0 && index < static_cast<double>(list.Sizes().size())
                               ? static_cast<std::size_t>(index)
                               : list.Sizes().size();
    std::string problem;
    if (action == "add")
        problem = list.Add(SizeFrom(size));
    else if (action == "change")
        problem = list.Change(at, SizeFrom(size));
    else if (action == "remove")
        problem = list.Remove(at);
    else
        throw std::invalid_argument("unknown size edit " + action);
    val out = val::object();
    out.set("problem", problem);
    out.set("sizes", SizesObject(list.Sizes()));
    return out;
}

std::string HashText(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::uint64_t HashFrom(const val& field) {
    const std::string text = TextOf(field);
    if (text.size() != 16 || text.find_first_not_of("0123456789abcdef") != std::string::npos)
        throw std::invalid_argument("a photo's fingerprint is not 16 hex digits: " + text);
    return std::stoull(text, nullptr, 16);
}

val SizePair(Size size) {
    val out = val::object();
    out.set("width", size.width);
    out.set("height", size.height);
    return out;
}

Size SizePairFrom(const val& object) {
    return {WholeNumber(object["width"], 0), WholeNumber(object["height"], 0)};
}

double NumberOf(const val& field) {
    return field.isNumber() ? field.as<double>() : 0.0;
}

val EdgeLeanObject(const EdgeLean& lean) {
    val out = val::object();
    out.set("degrees", lean.degrees);
    out.set("convergence", lean.convergence);
    out.set("agreeingEdges", lean.agreeingEdges);
    out.set("agreeingShare", lean.agreeingShare);
    return out;
}

// A missing lean is one without agreeing edges: it tells no tilt.
EdgeLean EdgeLeanFrom(const val& object) {
    if (!IsObject(object)) return {};
    return {NumberOf(object["degrees"]), NumberOf(object["convergence"]),
            WholeNumber(object["agreeingEdges"], 0), NumberOf(object["agreeingShare"])};
}

// The facts cross whole: the numbers as JS numbers (doubles, exact), the
// 64-bit fingerprints as hex text.
val FactsObject(const ShrunkPhotoFacts& facts) {
    const LuminanceStats& l = facts.measures.luminance;
    val luminance = val::object();
    luminance.set("median", l.median);
    luminance.set("low", l.low);
    luminance.set("high", l.high);
    luminance.set("blackShare", l.blackShare);
    luminance.set("whiteShare", l.whiteShare);
    val hashes = val::array();
    for (const std::uint64_t hash : facts.measures.hashes)
        hashes.call<void>("push", HashText(hash));
    val out = val::object();
    out.set("source", SizePair(facts.source));
    out.set("result", SizePair(facts.result));
    out.set("luminance", luminance);
    out.set("laplacianVariance", facts.measures.laplacianVariance);
    out.set("greyVariance", facts.measures.greyVariance);
    out.set("hashes", hashes);
    val tilt = val::object();
    tilt.set("verticals", EdgeLeanObject(facts.measures.tilt.verticals));
    tilt.set("horizontals", EdgeLeanObject(facts.measures.tilt.horizontals));
    out.set("tilt", tilt);
    return out;
}

ShrunkPhotoFacts FactsFrom(const val& object) {
    if (!IsObject(object)) throw std::invalid_argument("a checked photo has no facts");
    ShrunkPhotoFacts facts;
    facts.source = SizePairFrom(object["source"]);
    facts.result = SizePairFrom(object["result"]);
    const val l = object["luminance"];
    facts.measures.luminance = {WholeNumber(l["median"], 0), WholeNumber(l["low"], 0),
                                WholeNumber(l["high"], 0), NumberOf(l["blackShare"]),
                                NumberOf(l["whiteShare"])};
    facts.measures.laplacianVariance = NumberOf(object["laplacianVariance"]);
    facts.measures.greyVariance = NumberOf(object["greyVariance"]);
    const val hashes = object["hashes"];
    if (!hashes.isArray() || hashes["length"].as<unsigned>() != facts.measures.hashes.size())
        throw std::invalid_argument("a checked photo needs four fingerprints");
    for (unsigned i = 0; i < facts.measures.hashes.size(); ++i)
        facts.measures.hashes[i] = HashFrom(hashes[i]);
    const val tilt = object["tilt"];
    if (IsObject(tilt)) {
        facts.measures.tilt.verticals = EdgeLeanFrom(tilt["verticals"]);
        facts.measures.tilt.horizontals = EdgeLeanFrom(tilt["horizontals"]);
    }
    return facts;
}

// The last shrink's JPEG, alive until the next call hands out another.
std::vector<std::uint8_t>& LastJpeg() {
    static std::vector<std::uint8_t> jpeg;
    return jpeg;
}

val ViewOfLastJpeg() {
    return val(emscripten::typed_memory_view(LastJpeg().size(), LastJpeg().data()));
}

// One file of the automatic run. Without a size, or at the default size
// without the check, this is the run's own step (the 800 px, quality 80
// JPEG); otherwise the size's cap is met as on the desktop.
val ShrinkAt(const val& bytes, const std::string& name, const std::optional<OutputSize>& size,
             bool check) {
    LastJpeg().clear();
    std::string path = FileNamePart(name);
    std::exception_ptr failure;
    try {
        const PageFile file(name, BytesOf(bytes));
        path = file.Path();
        if (!size) {
            const Bitmap shrunk = ShrinkForPublishing(file.Path());
            LastJpeg() = EncodeJpeg(shrunk);
            val out = val::object();
            out.set("ok", true);
            out.set("jpeg", ViewOfLastJpeg());
            out.set("width", shrunk.Width());
            out.set("height", shrunk.Height());
            return out;
        }
        // The default size without the check keeps the run's own step, as
        // the desktop's and the command line's runs do.
        ShrunkPhoto photo = !check && *size == DefaultOutputSize()
                                ? ShrinkAndEncode(file.Path())
                                : ShrinkAndEncode(file.Path(), *size, check);
        if (photo.failure) std::rethrow_exception(photo.failure);
        LastJpeg() = std::move(photo.jpeg);
        val out = val::object();
        out.set("ok", true);
        out.set("jpeg", ViewOfLastJpeg());
        out.set("width", photo.size.width);
        out.set("height", photo.size.height);
        val lowerings = val::array();
        for (const std::string& text : photo.lowerings) lowerings.call<void>("push", text);
        out.set("quality", photo.quality);
        out.set("lowerings", lowerings);
        out.set("overCap", photo.overCap);
        if (photo.facts) out.set("facts", FactsObject(*photo.facts));
        return out;
    } catch (...) {
        failure = std::current_exception();
    }
    const PhotoFailure told = DescribeFailure(failure, path);
    return Failure(told.message, told.cause);
}

val Shrink(const val& bytes, const std::string& name) {
    return ShrinkAt(bytes, name, std::nullopt, false);
}

val ShrinkSized(const val& bytes, const std::string& name, const val& size, bool check) {
    const bool given = !size.isNull() && !size.isUndefined();
    const OutputSize chosen = given ? SizeFrom(size) : DefaultOutputSize();
    // The page sends only sizes the core has accepted; any other is refused
    // before a picture is touched (the default has no name to check).
    OutputSize named = chosen;
    if (named.name.empty()) named.name = "-";
    if (chosen != DefaultOutputSize())
        if (const std::string problem = OutputSizeProblem(named); !problem.empty())
            return Failure(FileNamePart(name) + ": " + problem, "");
    return ShrinkAt(bytes, name, chosen, check);
}

val ShrinkWithSize(const val& bytes, const std::string& name, const val& size) {
    return ShrinkSized(bytes, name, size, false);
}

// The check before publishing over the photos the run saved, each
// {source, result, bytes, quality, facts}, measured against the size's side.
val Check(const val& photos, const val& size) {
    std::vector<CheckedPhoto> checked;
    const auto count = photos.isArray() ? photos["length"].as<unsigned>() : 0u;
    for (unsigned i = 0; i < count; ++i) {
        const val photo = photos[i];
        const double bytes = NumberOf(photo["bytes"]);
        checked.push_back({TextOf(photo["source"]), TextOf(photo["result"]),
                           bytes > 0 ? static_cast<std::uint64_t>(bytes) : 0u,
                           WholeNumber(photo["quality"], kJpegQuality), FactsFrom(photo["facts"])});
    }
    const OutputSize chosen =
        size.isNull() || size.isUndefined() ? DefaultOutputSize() : SizeFrom(size);
    const PublishCheckReport report = CheckRun(std::move(checked), CheckLimitsFor(chosen));

    val listed = val::array();
    for (const PhotoCheck& photo : report.photos) {
        val findings = val::array();
        for (const Finding& finding : photo.findings) {
            val f = val::object();
            f.set("code", std::string(FindingCode(finding.kind)));
            f.set("text", finding.text);
            findings.call<void>("push", f);
        }
        val p = val::object();
        p.set("source", photo.photo.source);
        p.set("result", photo.photo.result);
        p.set("findings", findings);
        listed.call<void>("push", p);
    }
    val out = val::object();
    out.set("title", std::string(kPublishCheckTitle));
    out.set("summary", CheckSummaryText(report));
    out.set("report", CheckReportText(report));
    // As bytes: a JS string would lose the byte-order mark that spreadsheet
    // programs need (the UTF-8 decoding drops it).
    const std::string csv = CheckCsvText(report);
    out.set("csv", val::global("Uint8Array")
                       .new_(emscripten::typed_memory_view(
                           csv.size(), reinterpret_cast<const std::uint8_t*>(csv.data()))));
    out.set("photos", listed);
    out.set("photosWithFindings", static_cast<double>(report.PhotosWithFindings()));
    return out;
}

std::string CheckCsvName(double index) {
    return CheckCsvCandidateName(index < 0 ? 0ull : static_cast<unsigned long long>(index));
}

}  // namespace

EMSCRIPTEN_BINDINGS(pictorel_run) {
    using namespace emscripten;
    function("shrink", &Shrink);
    function("shrink", &ShrinkWithSize);
    function("shrink", &ShrinkSized);
    function("defaultOutputSize", &DefaultSizeObject);
    function("outputSizeProblem", &SizeProblem);
    function("readOutputSizes", &ReadSizes);
    function("writeOutputSizes", &WriteSizes);
    function("chooseOutputSize", &ChooseSize);
    function("capRemarks", &CapRemarks);
    function("editOutputSizes", &EditSizes);
    function("checkRun", &Check);
    function("checkCsvName", &CheckCsvName);
    function("checkCsvSavedText", &CheckCsvSavedText);
}

}  // namespace pictorel::web
