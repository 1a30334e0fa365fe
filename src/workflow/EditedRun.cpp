#include "workflow/EditedRun.h"

#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "base/PathText.h"
#include "workflow/RunDestination.h"

namespace pictorel {

namespace {

// Loads one picture on a thread of its own while the user edits the one
// before it. At most one picture is ahead.
class PicturePrefetcher {
  public:
    explicit PicturePrefetcher(PictureLoader load) : load_(std::move(load)) {}
    ~PicturePrefetcher() { Join(); }
    PicturePrefetcher(const PicturePrefetcher&) = delete;
    PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

    // Starts loading `path`; without a thread to spare, the picture is simply
    // loaded at its turn.
    void Start(const std::string& path) {
        Join();
        result_.reset();
        try {
            loading_ = std::thread([this, path] { result_ = load_(path); });
        } catch (const std::system_error&) {
            loading_ = std::thread();
        }
    }

    // Waits for the picture started last and hands it over; nothing when
    // none was started or its thread could not be made.
    std::optional<PreparedPicture> Take() {
        Join();
        return std::exchange(result_, std::nullopt);
    }

  private:
    void Join() {
        if (loading_.joinable()) loading_.join();
    }

    PictureLoader load_;
    // Written by the loading thread only, read after joining it.
    std::optional<PreparedPicture> result_;
    std::thread loading_;
};

}  // namespace

std::string EditorCaption(const std::string& path, std::size_t number, std::size_t count) {
    return FileNamePart(path) + " (" + std::to_string(number) + " / " + std::to_string(count) + ")";
}

void EditedRun(MainScreen& main, EditorModel& editor, IEditorHost& host, PictureLoader load) {
    RunDestination destination;
    if (!main.StartRun(destination)) return;

    // The editor cannot change the selection while it is shown, but a copy
    // keeps the walk safe whatever the host does.
    const std::vector<std::string> files = main.SelectedFiles();
    int unsaved = 0;
    PicturePrefetcher ahead(std::move(load));
    // The first photo is loaded by the same thread as the others, alone, so
    // that the next one's load does not slow down the first showing.
    if (!files.empty()) ahead.Start(files[0]);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        // The memory budget lets a thread holding nothing wait for room,
        // and the loading thread starts holding nothing: it may be waiting
        // for exactly the bytes of the pictures this thread still has. So
        // this thread gives all of them back before it waits for the loading
        // thread, which then either gets its room or fails; it never waits
        // for it while holding budget.
        editor.ReleasePictures();
        editor.SetSource(file, ahead.Take());
        if (i + 1 < files.size()) ahead.Start(files[i + 1]);

        editor.ShowMarker(false);

        const EditorExit exit = host.ShowModal(editor, EditorCaption(file, i + 1, files.size()));
        // The editor holds no result only when the photo could not be read
        // (it was told as the editor opened): that file is not saved.
        const bool unreadable = !editor.Result();
        if (unreadable) {
            ++unsaved;
            main.LogFailure(file, LoadFailedMessage(file), editor.LoadFailureCause());
        }
        if (exit == EditorExit::Save) {
            const Bitmap* picture = editor.Result() ? &*editor.Result() : nullptr;
            if (!main.SaveResult(picture, destination.OutputPathFor(file))) ++unsaved;
        } else if (exit == EditorExit::StopAll) {
            if (destination.SameFolder() && destination.FolderToOpen().empty())
                destination.PrefixFor(file);
            main.FinishRun(destination, RunEndQuestion(true, unsaved));
            return;
        }
    }
    main.FinishRun(destination, RunEndQuestion(false, unsaved));
}

}  // namespace pictorel
