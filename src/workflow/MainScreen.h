// The main window's logic: the selected files, the two screens, the folder
// combo, the start of a run, the automatic run and the end of a run. The Qt
// window shows this state and forwards its events here.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/MessageBoxes.h"
#include "app/Progress.h"
#include "app/SettingsFile.h"
#include "app/Shell.h"
#include "formats/PictureFormats.h"
#include "imaging/Bitmap.h"
#include "workflow/FolderDialogs.h"
#include "workflow/JpegOutput.h"
#include "workflow/OrderedShrinkPipeline.h"
#include "workflow/OutputSize.h"
#include "workflow/PublishCheck.h"
#include "workflow/RunDestination.h"

namespace pictorel {

inline constexpr const char* kNoFilesMessage = "ファイル無い";
inline constexpr const char* kRunDoneQuestion = "縮小が完了しました。フォルダを開きますか？";
inline constexpr const char* kStopAllQuestion =
    "残りの処理を全て中止しました。フォルダを開きますか？";
inline constexpr const char* kOpenFolderQuestion = "フォルダを開きますか？";
inline constexpr const char* kCaptionPrefix = "選択ファイル数：";
inline constexpr const char* kSelectionTitle = "画像選択";
inline constexpr const char* kProcessingTitle = "処理選択";

// The question that ends a run: the completion or the stop-all question, or,
// when some pictures could not be read or written, "N 個のファイルを保存できませんでした。"
// followed by "残りの処理を全て中止しました。" after a stop, then the folder question.
std::string RunEndQuestion(bool stopped, int unsavedCount);
// The same without the folder question, for a front end that lists the
// results instead of opening the folder: "縮小が完了しました。" and so on.
std::string RunEndText(bool stopped, int unsavedCount);

// The run buttons show once the folder-name field holds more than blanks and
// control characters.
bool RunButtonsShown(const std::string& comboText);

// What an automatic run with a file-size cap adds in front of that question:
// "N 個のファイルは上限に合わせて画質やサイズを下げました。" and
// "N 個のファイルは上限に収まりませんでした。" (each only when N > 0).
std::string CapRemarks(int loweredCount, int overCapCount);

// Appends the supported files among `paths` to `list`: a folder contributes
// every supported file under it, in listing order; a file is taken by its
// extension alone.
void AppendSupportedPaths(const std::vector<std::string>& paths, std::vector<std::string>& list);

class MainScreen {
  public:
    MainScreen(SettingsFile& ini, IMessageBoxes& boxes, IProgress& progress, IShell& shell,
               IBaseFolderDialog& baseDialog);

    // Default base folder, fixed at creation.
    const std::string& DefaultRootPath() const { return defaultRootPath_; }
    const std::vector<std::string>& SelectedFiles() const { return selectedFiles_; }

    // Screen state, rebuilt by RefreshScreen; read by the window.
    bool ProcessingScreen() const { return processingScreen_; }
    const std::string& Title() const { return title_; }
    const std::string& Caption() const { return caption_; }
    bool LastFolderButtonVisible() const { return lastFolderButtonVisible_; }
    // The folder-name combo and the run buttons group box.
    const std::vector<std::string>& ComboItems() const { return comboItems_; }
    int ComboIndex() const { return comboIndex_; }
    const std::string& ComboText() const { return comboText_; }
    bool RunGroupVisible() const { return runGroupVisible_; }
    // Set when the combo should take the keyboard focus, until the window
    // has given it the focus (FocusComboDone).
    bool FocusComboRequested() const { return focusComboRequested_; }
    void FocusComboDone() { focusComboRequested_ = false; }
    // The "出力サイズ" drop-down: the default size first, then the user's.
    std::vector<std::string> OutputSizeItems() const;
    int OutputSizeIndex() const { return outputSizeIndex_; }
    const OutputSize& ChosenOutputSize() const;
    const std::vector<OutputSize>& UserOutputSizes() const { return userSizes_; }
    // The user picked an item: a size other than the default is remembered
    // in the settings (as is a return to the default once one was).
    void OutputSizePicked(int index);
    // The user's sizes as the sizes dialog leaves them: written to the
    // settings file; the choice stays on its name, else falls back to the
    // default. Throws what WriteOutputSizes throws, changing nothing.
    void SetUserOutputSizes(std::vector<OutputSize> sizes);
    // Reads the user's sizes and the last choice from the settings (Start
    // does this).
    void LoadOutputSizes();
    // Worker threads of the automatic run.
    int ShrinkJobs() const { return shrinkJobs_; }
    void SetShrinkJobs(int jobs) { shrinkJobs_ = jobs; }

    // Creation: the command-line paths, then the first screen.
    void Start(const std::vector<std::string>& arguments);
    // Drop on either drop panel; ignored while files are selected.
    void DropFiles(const std::vector<std::string>& fileList);
    // Files chosen in the open dialog.
    void AddChosenFiles(const std::vector<std::string>& paths);
    void RefreshScreen();

    // The user typed in the combo (index -1) or picked an item.
    void FolderNameTyped(const std::string& text);
    void FolderNamePicked(int index);
    void FolderNameChanged();

    // Base folder: "RootPath", else the default.
    std::string BaseFolder() const;
    std::string PrepareOutputFolder();

    // Run start shared by both runs: false when the run must not start.
    bool StartRun(RunDestination& destination);
    // The automatic run ("縮小だけして保存（全自動）"): each selected photo
    // shrunk for publishing and saved; one that cannot be read is told in a
    // box, left out and counted in the closing question like one that cannot
    // be written. The photos are shrunk and encoded on ShrinkJobs worker
    // threads; this thread writes the files, steps the progress and shows the
    // boxes in selection order, running the window's events while it waits
    // and woken by each finished file. Esc stops the run after the file in
    // hand: the workers are stopped and joined before the closing question.
    void RunAutomatic();
    // Writes one file's result to `outputPath` (its JPEG name is derived). A
    // picture that cannot be written gets an error box naming the file and
    // the system's reason, and false is returned; without a picture (its load
    // failed and was told) nothing is written and true is returned.
    bool SaveResult(const Bitmap* picture, const std::string& outputPath);
    // End of a run: the question, the folder on Yes, the selection emptied.
    void FinishRun(const RunDestination& destination, const std::string& question);

    // Where a run records each file it could not save, with the cause the box
    // leaves out (the system's reason, the reader's message), so that a failure
    // can be explained afterwards: one line "<file>: <text> (<cause>)". Unset,
    // nothing is recorded.
    void SetFailureLog(std::function<void(const std::string&)> log) {
        failureLog_ = std::move(log);
    }
    void LogFailure(const std::string& file, const std::string& text,
                    const std::string& cause) const;

    // The check before publishing: when set, the automatic run measures each
    // photo as it shrinks it and, after its closing question, hands the
    // report to `present` if any saved photo has a finding. Unset, the run
    // measures nothing.
    void SetPublishCheckPresenter(std::function<void(const PublishCheckReport&)> present) {
        presentCheck_ = std::move(present);
    }

    // "前回使用したフォルダを表示"
    void OpenLastSourceFolder();

  private:
    // Writes encoded bytes as SaveResult writes a picture.
    // The name written, or nothing when the write failed and was told.
    std::optional<std::string> SaveEncoded(const ShrunkPhoto& photo, const std::string& outputPath);
    void ShowSaveFailure(const std::string& outputPath, const std::string& tried,
                         std::string reason);
    void AddPaths(const std::vector<std::string>& paths);

    const std::string defaultRootPath_;
    std::vector<std::string> selectedFiles_;
    std::function<void(const std::string&)> failureLog_;
    std::function<void(const PublishCheckReport&)> presentCheck_;
    bool processingScreen_ = false;
    std::string title_ = kSelectionTitle;
    std::string caption_ = std::string(kCaptionPrefix) + "0";
    bool lastFolderButtonVisible_ = false;
    std::vector<std::string> comboItems_;
    int comboIndex_ = -1;
    std::string comboText_;
    bool runGroupVisible_ = false;
    bool focusComboRequested_ = false;
    int shrinkJobs_ = DefaultShrinkJobs();
    std::vector<OutputSize> userSizes_;
    int outputSizeIndex_ = 0;  // 0: the default, i: userSizes_[i - 1]

    SettingsFile& ini_;
    IMessageBoxes& boxes_;
    IProgress& progress_;
    IShell& shell_;
    IBaseFolderDialog& baseDialog_;
    // Writes the results of the run in hand; a new one for each run, so
    // the numbers it remembers for free names are this run's.
    JpegFileWriter writer_;
};

}  // namespace pictorel
