#include "cli/CmdShrink.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/ProgramSettings.h"
#include "app/SettingsKeys.h"
#include "base/Errors.h"
#include "base/UserFolders.h"
#include "cli/StopSignals.h"
#include "cli/TerminalUi.h"
#include "formats/LoadFailure.h"
#include "workflow/BaseFolderDialogModel.h"
#include "workflow/FileUtils.h"
#include "workflow/JpegOutput.h"
#include "workflow/MainScreen.h"
#include "workflow/OrderedShrinkPipeline.h"
#include "workflow/OutputFolder.h"
#include "workflow/OutputSize.h"
#include "workflow/PublishCheck.h"
#include "workflow/RunDestination.h"

namespace pictorel::cli {

namespace {

struct ShrinkOptions {
    std::optional<std::string> folder;
    std::optional<std::string> base;
    bool intoExisting = false;
    bool check = false;
    int jobs = 0;
    std::vector<std::string> paths;
    // The output size: a named one (read from the settings once parsing is
    // done), then the parts set one by one over it.
    std::optional<std::string> sizeName;
    std::optional<int> maxSide;
    std::optional<int> quality;
    std::optional<int> maxKb;
};

// A whole number in [low, high] from an option's value.
std::optional<int> NumberIn(const std::string& text, long low, long high) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < low || value > high) return std::nullopt;
    return static_cast<int>(value);
}

// The window's settings file, beside this program.
ProgramSettings WindowSettings() {
    return ProgramSettings(FolderPart(ExecutablePath()) + "/pictorel");
}

// The output size the options ask for, or nothing with `error` set.
std::optional<OutputSize> ChosenSize(const ShrinkOptions& options, std::string& error) {
    OutputSize size = DefaultOutputSize();
    if (options.sizeName) {
        const ProgramSettings settings = WindowSettings();
        const std::vector<OutputSize> sizes = ReadOutputSizes(settings.File);
        const std::optional<OutputSize> named = FindOutputSize(sizes, *options.sizeName);
        if (!named) {
            error = "no output size named " + *options.sizeName + " in " + settings.File.Path();
            if (!sizes.empty()) {
                error += " (sizes:";
                for (const OutputSize& known : sizes) error += " " + known.name;
                error += ")";
            }
            return std::nullopt;
        }
        size = *named;
    }
    if (options.maxSide) {
        size.maxSide = *options.maxSide;
        size.boxWidth = size.boxHeight = 0;
    }
    if (options.quality) size.quality = *options.quality;
    if (options.maxKb) size.capKb = *options.maxKb;
    return size;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "pictorel-cli shrink: %s\nUsage: pictorel-cli shrink %s\n",
                 message.c_str(), kShrinkUsage);
    return 2;
}

// Each line of a cause, indented below the message it explains.
void PrintCause(const std::string& cause) {
    std::size_t start = 0;
    while (start < cause.size()) {
        const std::size_t end = std::min(cause.find('\n', start), cause.size());
        std::fprintf(stderr, "  %.*s\n", static_cast<int>(end - start), cause.data() + start);
        start = end + 1;
    }
}

// "<file>: <the program's text>" once (the load box's first line: the file
// is named in front already), and the cause on its own line below.
void ReportUnsaved(const std::string& file, const ShrunkPhoto& result) {
    const PhotoFailure failure = DescribeFailure(result.failure, file);
    std::fprintf(stderr, "%s: %s\n", file.c_str(),
                 failure.unreadable ? kLoadFailedMessage : failure.message.c_str());
    PrintCause(failure.cause);
}

// Prints the check and writes check.csv beside the results. Findings are
// advice, not failures; only a check.csv that cannot be written makes the
// run fail (false), told like a result that cannot be written.
bool ReportCheck(const PublishCheckReport& report) {
    std::printf("%s", CheckReportText(report).c_str());
    if (report.photos.empty()) return true;
    try {
        const std::string written = WriteCheckCsv(report, CheckCsvFolder(report));
        std::printf("%s\n", CheckCsvSavedText(written).c_str());
    } catch (const SaveFailure& e) {
        std::fprintf(stderr, "%s\n", SaveFailedMessage(e.File(), "  " + e.Cause()).c_str());
        return false;
    }
    std::fflush(stdout);
    return true;
}

std::optional<ShrinkOptions> ParseOptions(const Args& args, std::string& error) {
    ShrinkOptions options;
    options.jobs = DefaultShrinkJobs();
    bool onlyPaths = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        if (onlyPaths || arg.empty() || arg[0] != '-') {
            options.paths.push_back(arg);
        } else if (arg == "--") {
            onlyPaths = true;
        } else if (arg == "--folder" || arg == "--base" || arg == "--jobs") {
            const std::optional<std::string> v = value();
            if (!v) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            if (arg == "--folder") {
                options.folder = *v;
            } else if (arg == "--base") {
                options.base = *v;
            } else {
                char* end = nullptr;
                const long jobs = std::strtol(v->c_str(), &end, 10);
                if (v->empty() || *end != '\0' || jobs < 1 || jobs > 256) {
                    error = "--jobs takes a number from 1 to 256";
                    return std::nullopt;
                }
                options.jobs = static_cast<int>(jobs);
            }
        } else if (arg == "--size" || arg == "--max-side" || arg == "--quality" ||
                   arg == "--max-kb") {
            const std::optional<std::string> v = value();
            if (!v) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            const auto number = [&](std::optional<int>& field, long low, long high) {
                field = NumberIn(*v, low, high);
                if (!field)
                    error = arg + " takes a number from " + std::to_string(low) + " to " +
                            std::to_string(high);
                return field.has_value();
            };
            if (arg == "--size") {
                options.sizeName = *v;
            } else if (arg == "--max-side") {
                if (!number(options.maxSide, kMinOutputSide, kMaxOutputSide)) return std::nullopt;
            } else if (arg == "--quality") {
                if (!number(options.quality, kMinOutputQuality, kMaxOutputQuality))
                    return std::nullopt;
            } else if (!number(options.maxKb, kMinCapKb, kMaxCapKb)) {
                return std::nullopt;
            }
        } else if (arg == "--into-existing") {
            options.intoExisting = true;
        } else if (arg == "--check") {
            options.check = true;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (options.paths.empty()) {
        error = "no PATH given";
        return std::nullopt;
    }
    return options;
}

}  // namespace

int CmdShrink(const Args& args) {
    std::string error;
    const std::optional<ShrinkOptions> options = ParseOptions(args, error);
    if (!options) return UsageError(error);
    const std::optional<OutputSize> size = ChosenSize(*options, error);
    if (!size) return UsageError(error);

    std::vector<std::string> files;
    AppendSupportedPaths(options->paths, files);
    if (files.empty()) {
        std::fprintf(stderr, "%s\n", kNoFilesMessage);
        return 2;
    }

    RunDestination destination;
    if (options->folder) {
        TerminalMessageBoxes boxes(!options->intoExisting);
        TerminalBaseFolderDialog baseDialog;
        const auto readBase = [&options]() -> std::string {
            if (options->base) return NormalizeFolderPath(*options->base);
            // The window's settings file, beside this program.
            const ProgramSettings settings = WindowSettings();
            const std::string stored =
                UsableRootPath(settings.File.ReadString(kPathSection, kRootPathKey, ""));
            return stored.empty() ? ComputeDefaultRootPath() : stored;
        };
        const OutputFolderContext context{boxes,
                                          baseDialog,
                                          readBase,
                                          {},
                                          options->base ? std::string() : ComputeDefaultRootPath()};
        std::string folder = PrepareOutputFolder(*options->folder, context);
        if (folder.empty()) return 2;
        destination = RunDestination(std::move(folder));
    }

    const int jobs = static_cast<int>(std::min<std::size_t>(options->jobs, files.size()));
    StopSignals stopSignals;
    int failed = 0;
    std::vector<CheckedPhoto> checked;
    {
        // The default size without the check keeps the automatic run's own step.
        ShrinkStep step = DefaultShrinkStep();
        if (options->check || *size != DefaultOutputSize())
            step = [&size, check = options->check](const std::string& path) {
                return ShrinkAndEncode(path, *size, check);
            };
        OrderedShrinkPipeline pipeline(files, jobs, step);
        JpegFileWriter writer;
        for (std::size_t i = 0; i < files.size() && !stopSignals.Received(); ++i) {
            const ShrunkPhoto result = pipeline.Take(i);
            if (result.failure) {
                ReportUnsaved(files[i], result);
                ++failed;
                continue;
            }
            std::string written;
            try {
                written = writer.Save(result.jpeg, destination.OutputPathFor(files[i]));
            } catch (const SaveFailure& e) {
                // The box's text, its reason indented like a cause.
                std::fprintf(stderr, "%s\n", SaveFailedMessage(e.File(), "  " + e.Cause()).c_str());
                ++failed;
                continue;
            }
            // What was lowered to meet the cap, beside the file it concerns.
            std::string line = written;
            for (const std::string& lowering : result.lowerings) line += "\t" + lowering;
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
            if (result.facts)
                checked.push_back(
                    {files[i], written, result.jpeg.size(), result.quality, *result.facts});
        }
        // Leaving the block stops the workers; what they finish is dropped.
    }
    stopSignals.EndByReceivedSignal();
    if (options->check && !ReportCheck(CheckRun(std::move(checked), CheckLimitsFor(*size))))
        failed = std::max(failed, 1);
    return failed == 0 ? 0 : 1;
}

}  // namespace pictorel::cli
