#include "cli/CmdShrink.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/ProgramSettings.h"
#include "app/SettingsKeys.h"
#include "base/Errors.h"
#include "base/UserFolders.h"
#include "cli/TerminalUi.h"
#include "editor/EditorModel.h"
#include "workflow/BaseFolderDialogModel.h"
#include "workflow/FileUtils.h"
#include "workflow/JpegOutput.h"
#include "workflow/MainScreen.h"
#include "workflow/OutputFolder.h"
#include "workflow/RunDestination.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel::cli {

namespace {

struct ShrinkOptions {
    std::optional<std::string> folder;
    std::optional<std::string> base;
    bool intoExisting = false;
    int jobs = 0;
    std::vector<std::string> paths;
};

// One file's outcome: the encoded JPEG, or the message of its failure.
struct ShrunkFile {
    bool done = false;
    std::vector<std::uint8_t> jpeg;
    std::string error;
};

ShrunkFile ShrinkFile(const std::string& path) {
    ShrunkFile result;
    Bitmap shrunk;
    try {
        shrunk = ShrinkForPublishing(path);
    } catch (const InvalidPicture& e) {
        result.error = e.what();
        return result;
    }
    try {
        result.jpeg = EncodeJpeg(shrunk);
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    return result;
}

ShrunkFile ShrinkOne(const std::string& path) noexcept {
    try {
        return ShrinkFile(path);
    } catch (...) {
        // Out of memory while setting up: reported like a load failure.
        ShrunkFile result;
        result.error = LoadFailedMessage(path);
        return result;
    }
}

// Shrinks the files on `jobs` threads while the caller takes the results in
// list order. At most 2 x jobs files are ahead of the one being written.
class ShrinkPipeline {
  public:
    ShrinkPipeline(const std::vector<std::string>& files, int jobs)
        : files_(files), results_(files.size()), window_(static_cast<std::size_t>(2 * jobs)) {
        for (int i = 0; i < jobs; ++i) workers_.emplace_back([this] { Work(); });
    }
    ~ShrinkPipeline() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    // Waits for file i and hands over its result; i must go up by one each call.
    ShrunkFile Take(std::size_t i) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return results_[i].done; });
        ShrunkFile result = std::move(results_[i]);
        taken_ = i + 1;
        changed_.notify_all();
        return result;
    }

  private:
    void Work() {
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] {
                    return stop_ || next_ >= files_.size() || next_ < taken_ + window_;
                });
                if (stop_ || next_ >= files_.size()) return;
                i = next_++;
            }
            ShrunkFile result = ShrinkOne(files_[i]);
            result.done = true;
            {
                std::lock_guard lock(mutex_);
                results_[i] = std::move(result);
            }
            changed_.notify_all();
        }
    }

    const std::vector<std::string>& files_;
    std::vector<ShrunkFile> results_;
    std::size_t window_;
    std::size_t next_ = 0;
    std::size_t taken_ = 0;
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> workers_;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "pictorel-cli shrink: %s\nUsage: pictorel-cli shrink %s\n",
                 message.c_str(), kShrinkUsage);
    return 2;
}

std::optional<ShrinkOptions> ParseOptions(const Args& args, std::string& error) {
    ShrinkOptions options;
    options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
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
        } else if (arg == "--into-existing") {
            options.intoExisting = true;
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
            ProgramSettings settings(FolderPart(ExecutablePath()) + "/pictorel");
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
    int failed = 0;
    ShrinkPipeline pipeline(files, jobs);
    for (std::size_t i = 0; i < files.size(); ++i) {
        ShrunkFile result = pipeline.Take(i);
        if (!result.error.empty()) {
            std::fprintf(stderr, "%s: %s\n", files[i].c_str(), result.error.c_str());
            ++failed;
            continue;
        }
        std::string written;
        std::string writeError;
        if (!SaveJpegBytes(result.jpeg, destination.OutputPathFor(files[i]), &written,
                           &writeError)) {
            std::fprintf(stderr, "%s: %s\n", files[i].c_str(), writeError.c_str());
            ++failed;
            continue;
        }
        std::printf("%s\n", written.c_str());
        std::fflush(stdout);
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace pictorel::cli
