#include "workflow/MainScreen.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <new>
#include <system_error>

#include "app/SettingsKeys.h"
#include "base/Errors.h"
#include "base/PathText.h"
#include "workflow/BaseFolderDialogModel.h"
#include "workflow/FileUtils.h"
#include "workflow/JpegOutput.h"
#include "workflow/OutputFolder.h"
#include "workflow/ShrinkPhoto.h"

namespace pictorel {

namespace {

// A path that exists and is not a folder.
bool FileExists(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace

std::string RunEndText(bool stopped, int unsavedCount) {
    if (unsavedCount == 0)
        return stopped ? "残りの処理を全て中止しました。" : "縮小が完了しました。";
    std::string text = std::to_string(unsavedCount) + " 個のファイルを保存できませんでした。";
    if (stopped) text += "残りの処理を全て中止しました。";
    return text;
}

std::string RunEndQuestion(bool stopped, int unsavedCount) {
    return RunEndText(stopped, unsavedCount) + kOpenFolderQuestion;
}

bool RunButtonsShown(const std::string& comboText) {
    return !Trim(comboText).empty();
}

std::string CapRemarks(int loweredCount, int overCapCount) {
    std::string remarks;
    if (loweredCount > 0)
        remarks += std::to_string(loweredCount) +
                   " 個のファイルは上限に合わせて画質やサイズを下げました。";
    if (overCapCount > 0)
        remarks += std::to_string(overCapCount) + " 個のファイルは上限に収まりませんでした。";
    return remarks;
}

void AppendSupportedPaths(const std::vector<std::string>& paths, std::vector<std::string>& list) {
    for (const std::string& path : paths) {
        if (FolderExists(path)) {
            std::vector<std::string> found;
            CollectFiles(path, &found);
            for (std::string& file : found)
                if (HasAcceptedExtension(file)) list.push_back(std::move(file));
        } else if (HasAcceptedExtension(path)) {
            list.push_back(path);
        }
    }
}

MainScreen::MainScreen(SettingsFile& ini, IMessageBoxes& boxes, IProgress& progress, IShell& shell,
                       IBaseFolderDialog& baseDialog)
    : defaultRootPath_(ComputeDefaultRootPath()),
      ini_(ini),
      boxes_(boxes),
      progress_(progress),
      shell_(shell),
      baseDialog_(baseDialog) {}

void MainScreen::Start(const std::vector<std::string>& arguments) {
    // A path with spaces may arrive split into several arguments: join them
    // back until the joined text names an existing file.
    std::string pending;
    for (const std::string& argument : arguments) {
        if (FolderExists(argument)) {
            AppendSupportedPaths({argument}, selectedFiles_);
            continue;
        }
        pending = pending.empty() ? argument : pending + " " + argument;
        if (FileExists(pending)) {
            if (HasAcceptedExtension(pending)) selectedFiles_.push_back(pending);
            pending.clear();
        }
    }
    LoadOutputSizes();
    RefreshScreen();
}

void MainScreen::LoadOutputSizes() {
    userSizes_ = ReadOutputSizes(ini_);
    const std::string chosen = ReadChosenOutputSize(ini_);
    outputSizeIndex_ = 0;
    for (std::size_t i = 0; i < userSizes_.size(); ++i)
        if (!chosen.empty() && userSizes_[i].name == chosen)
            outputSizeIndex_ = static_cast<int>(i) + 1;
}

std::vector<std::string> MainScreen::OutputSizeItems() const {
    std::vector<std::string> items{OutputSizeLabel(DefaultOutputSize())};
    for (const OutputSize& size : userSizes_) items.push_back(OutputSizeLabel(size));
    return items;
}

const OutputSize& MainScreen::ChosenOutputSize() const {
    static const OutputSize kDefault = DefaultOutputSize();
    return outputSizeIndex_ == 0 ? kDefault
                                 : userSizes_[static_cast<std::size_t>(outputSizeIndex_ - 1)];
}

void MainScreen::OutputSizePicked(int index) {
    if (index < 0 || index > static_cast<int>(userSizes_.size()) || index == outputSizeIndex_)
        return;
    outputSizeIndex_ = index;
    // The default needs no key: the settings file gains one only once the
    // user has chosen a size of their own.
    if (index > 0 || !ReadChosenOutputSize(ini_).empty())
        WriteChosenOutputSize(ini_, index == 0 ? std::string() : userSizes_[index - 1].name);
}

void MainScreen::SetUserOutputSizes(std::vector<OutputSize> sizes) {
    const std::string chosen = outputSizeIndex_ == 0 ? std::string() : ChosenOutputSize().name;
    WriteOutputSizes(ini_, sizes);
    userSizes_ = std::move(sizes);
    outputSizeIndex_ = 0;
    for (std::size_t i = 0; i < userSizes_.size(); ++i)
        if (!chosen.empty() && userSizes_[i].name == chosen)
            outputSizeIndex_ = static_cast<int>(i) + 1;
    if (!chosen.empty() && outputSizeIndex_ == 0) WriteChosenOutputSize(ini_, "");
}

void MainScreen::DropFiles(const std::vector<std::string>& fileList) {
    if (!selectedFiles_.empty()) return;
    AddPaths(fileList);
}

void MainScreen::AddChosenFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    AddPaths(paths);
}

void MainScreen::AddPaths(const std::vector<std::string>& paths) {
    AppendSupportedPaths(paths, selectedFiles_);
    RefreshScreen();
}

void MainScreen::RefreshScreen() {
    comboText_.clear();
    runGroupVisible_ = false;
    caption_ = kCaptionPrefix + std::to_string(selectedFiles_.size());
    if (selectedFiles_.empty()) {
        processingScreen_ = false;
        title_ = kSelectionTitle;
        lastFolderButtonVisible_ = !ini_.ReadString(kPathSection, kLastSourcePathKey, "").empty();
        return;
    }
    processingScreen_ = true;
    title_ = kProcessingTitle;
    try {
        comboItems_ = SplitItems(ListBaseSubfolders(BaseFolder()));
        comboIndex_ = -1;
        focusComboRequested_ = true;
    } catch (const std::bad_alloc&) {
        // Listing the base folder reports its own faults as an empty list;
        // only memory can run out here. The combo keeps what it had and the
        // screen is shown all the same.
    }
    ini_.WriteString(kPathSection, kLastSourcePathKey, FolderPart(selectedFiles_.back()));
}

void MainScreen::FolderNameTyped(const std::string& text) {
    comboText_ = text;
    comboIndex_ = -1;
    FolderNameChanged();
}

void MainScreen::FolderNamePicked(int index) {
    if (index < 0 || index >= static_cast<int>(comboItems_.size())) return;
    comboIndex_ = index;
    comboText_ = comboItems_[static_cast<std::size_t>(index)];
    FolderNameChanged();
}

void MainScreen::FolderNameChanged() {
    runGroupVisible_ = RunButtonsShown(comboText_);
}

std::string MainScreen::BaseFolder() const {
    const std::string stored = UsableRootPath(ini_.ReadString(kPathSection, kRootPathKey, ""));
    return stored.empty() ? defaultRootPath_ : stored;
}

std::string MainScreen::PrepareOutputFolder() {
    const OutputFolderContext context{boxes_, baseDialog_, [this] { return BaseFolder(); },
                                      [this] { focusComboRequested_ = true; }, defaultRootPath_};
    return pictorel::PrepareOutputFolder(comboText_, context);
}

bool MainScreen::StartRun(RunDestination& destination) {
    if (selectedFiles_.empty()) {
        boxes_.ShowPlain(kNoFilesMessage);
        return false;
    }
    if (comboIndex_ == 0) {
        destination = RunDestination();
    } else {
        std::string folder = PrepareOutputFolder();
        if (folder.empty()) return false;
        destination = RunDestination(std::move(folder));
    }
    writer_ = JpegFileWriter();
    return true;
}

void MainScreen::RunAutomatic() {
    RunDestination destination;
    if (!StartRun(destination)) return;

    const std::size_t count = selectedFiles_.size();
    bool stopped = false;
    int unsaved = 0;
    int lowered = 0;
    int overCap = 0;
    // The default size keeps the automatic run's own step; another size is
    // copied for the workers, which meet its cap on their threads.
    const bool check = static_cast<bool>(presentCheck_);
    std::vector<CheckedPhoto> checked;
    ShrinkStep step = DefaultShrinkStep();
    if (check || ChosenOutputSize() != DefaultOutputSize())
        step = [size = ChosenOutputSize(), check](const std::string& path) {
            return ShrinkAndEncode(path, size, check);
        };
    progress_.StartProgress(static_cast<int>(count), true);
    try {
        // The window thread sleeps in its event loop while the workers run;
        // each finished file wakes it, so a result is written as soon as it is
        // ready and the window's events keep flowing meanwhile.
        OrderedShrinkPipeline pipeline(selectedFiles_, shrinkJobs_, std::move(step),
                                       [this] { progress_.WakeWaiter(); });
        for (std::size_t i = 0; i < count; ++i) {
            progress_.WaitWithEventsRunning(
                [&](std::chrono::milliseconds wait) { return pipeline.WaitFor(i, wait); });
            const ShrunkPhoto photo = pipeline.Take(i);
            if (photo.failure) {
                // A photo that cannot be read is told, left out and counted
                // among the files not saved, so the run does not end as if
                // every photo had been shrunk.
                const PhotoFailure failure = DescribeFailure(photo.failure, selectedFiles_[i]);
                LogFailure(selectedFiles_[i], failure.message, failure.cause);
                if (failure.unreadable) {
                    boxes_.ShowError(failure.message);
                } else {
                    ShowSaveFailure(destination.OutputPathFor(selectedFiles_[i]), "",
                                    failure.message);
                }
                ++unsaved;
            } else if (const std::optional<std::string> written =
                           SaveEncoded(photo, destination.OutputPathFor(selectedFiles_[i]))) {
                if (photo.facts)
                    checked.push_back({selectedFiles_[i], *written, photo.jpeg.size(),
                                       photo.quality, *photo.facts});
                if (!photo.lowerings.empty()) {
                    // Told at the end of the run; each file's lowering goes to
                    // the log, so that it can be looked up afterwards.
                    ++(photo.overCap ? overCap : lowered);
                    std::string line;
                    for (const std::string& text : photo.lowerings)
                        line += (line.empty() ? "" : "、") + text;
                    LogFailure(selectedFiles_[i], line, "");
                }
            } else {
                ++unsaved;
            }
            progress_.StepProgress();
            // Esc on the progress window ends the run after the file in hand.
            if (i + 1 < count && progress_.Cancelled()) {
                stopped = true;
                break;
            }
        }
        // Nothing is written after this point: the workers still busy finish
        // their file, which is dropped, and are joined before the question.
        progress_.WaitWithEventsRunning(
            [&](std::chrono::milliseconds wait) { return pipeline.WaitUntilStopped(wait); });
    } catch (...) {
        progress_.StopProgress();
        throw;
    }
    progress_.StopProgress();
    FinishRun(destination, CapRemarks(lowered, overCap) + RunEndQuestion(stopped, unsaved));
    // The run's own question comes first; the check follows it, and only
    // when there is something to see.
    if (check) {
        const PublishCheckReport report =
            CheckRun(std::move(checked), CheckLimitsFor(ChosenOutputSize()));
        if (report.PhotosWithFindings() > 0) presentCheck_(report);
    }
}

bool MainScreen::SaveResult(const Bitmap* picture, const std::string& outputPath) {
    if (!picture || picture->Empty()) return true;
    try {
        SaveResultAsJpeg(picture, outputPath, &writer_);
        return true;
    } catch (const SaveFailure& e) {
        LogFailure(outputPath, e.what(), e.Cause());
        boxes_.ShowError(e.what());
        return false;
    }
}

std::optional<std::string> MainScreen::SaveEncoded(const ShrunkPhoto& photo,
                                                   const std::string& outputPath) {
    try {
        return writer_.Save(photo.jpeg, outputPath);
    } catch (const SaveFailure& e) {
        LogFailure(outputPath, e.what(), e.Cause());
        boxes_.ShowError(e.what());
        return std::nullopt;
    }
}

void MainScreen::ShowSaveFailure(const std::string& outputPath, const std::string& tried,
                                 std::string reason) {
    const std::string file = tried.empty() ? JpegOutputName(outputPath) : tried;
    if (reason.starts_with(file + ": ")) reason.erase(0, file.size() + 2);
    boxes_.ShowError(SaveFailedMessage(file, reason));
}

void MainScreen::LogFailure(const std::string& file, const std::string& text,
                            const std::string& cause) const {
    if (!failureLog_) return;
    // The box's text may run over lines (the file's path below it): the log
    // keeps one line a failure.
    std::string line = file + ": " + text.substr(0, text.find('\n'));
    if (!cause.empty()) line += " (" + cause + ")";
    failureLog_(line);
}

void MainScreen::FinishRun(const RunDestination& destination, const std::string& question) {
    if (boxes_.Confirm(question)) {
        const std::string folder = destination.FolderToOpen();
        if (!folder.empty()) shell_.OpenFolder(folder);
    }
    selectedFiles_.clear();
    RefreshScreen();
}

void MainScreen::OpenLastSourceFolder() {
    const std::string folder = ini_.ReadString(kPathSection, kLastSourcePathKey, "");
    if (!folder.empty()) shell_.OpenFolder(folder);
}

}  // namespace pictorel
