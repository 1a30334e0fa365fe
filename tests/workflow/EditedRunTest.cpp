#include "workflow/EditedRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "formats/LoadedPicture.h"
#include "formats/PictureWriter.h"
#include "imaging/MemoryBudget.h"
#include "workflow/WorkflowFixture.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;
using test::WorkflowFixture;

// Plays the editor window: loads the file as the window opens, lets the
// test act on the document, and closes with the scripted result.
class FakeEditorHost : public IEditorHost {
  public:
    struct Step {
        EditorExit exit;
        std::function<void(EditorModel&)> action;
    };
    explicit FakeEditorHost(std::shared_ptr<test::CallLog> log) : calls(std::move(log)) {}

    EditorExit ShowModal(EditorModel& editor, const std::string& caption) override {
        // The window's title: the photo's name and its place in the run.
        calls->push_back("editor: " + caption);
        markerShownAtOpen.push_back(editor.MarkerShown());
        if (steps.empty()) {
            ADD_FAILURE() << "editor shown more often than scripted";
            return EditorExit::Skip;
        }
        Step step = steps.front();
        steps.erase(steps.begin());
        editor.ResumeEditing();
        editor.Load();
        if (step.action) step.action(editor);
        if (step.exit == EditorExit::Save) return editor.Save();
        return step.exit;
    }

    std::vector<Step> steps;
    std::vector<bool> markerShownAtOpen;
    std::shared_ptr<test::CallLog> calls;
};

class EditedRunTest : public ::testing::Test, public WorkflowFixture {
  protected:
    FakeEditorHost host{log};

    // A small picture in `folder`, selected for the run.
    std::string AddPicture(const std::string& folder, const std::string& name, Color c) {
        Bitmap b(60, 40);
        b.FillRect(Rect{0, 0, 60, 40}, c);
        const std::string path = Folder(folder) + "/" + name;
        WritePicture(b, path);
        main.AddChosenFiles({path});
        return path;
    }
    void SameFolderMode() {
        main.RefreshScreen();
        main.FolderNamePicked(0);
    }
    std::vector<std::string> Calls(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& c : *log)
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }
};

TEST_F(EditedRunTest, ClosingEveryFileWritesNothingButStillAsksAtTheEnd) {
    AddPicture("p", "a.png", kWhite);
    AddPicture("p", "b.png", kWhite);
    SameFolderMode();
    host.steps = {{EditorExit::Skip, nullptr}, {EditorExit::Closed, nullptr}};
    boxes.answers = {true};
    EditedRun(main, editor, host);
    EXPECT_FALSE(fs::exists(Path("p/mini_a.jpg")));
    EXPECT_FALSE(fs::exists(Path("p/mini_b.jpg")));
    EXPECT_EQ(Calls("confirm"),
              (std::vector<std::string>{std::string("confirm: ") + kRunDoneQuestion}));
    EXPECT_TRUE(Calls("open-folder").empty());  // nothing saved: no folder to open
    EXPECT_TRUE(main.SelectedFiles().empty());
    EXPECT_FALSE(main.ProcessingScreen());
}

TEST_F(EditedRunTest, StopAllAfterTwoSavesOfFive) {
    std::vector<std::string> files;
    for (const char* name : {"1.png", "2.png", "3.png", "4.png", "5.png"})
        files.push_back(AddPicture("p", name, Color{200, 10, 10}));
    SameFolderMode();
    host.steps = {
        {EditorExit::Save, nullptr}, {EditorExit::Save, nullptr}, {EditorExit::StopAll, nullptr}};
    boxes.answers = {true};
    EditedRun(main, editor, host);

    EXPECT_TRUE(fs::exists(Path("p/mini_1.jpg")));
    EXPECT_TRUE(fs::exists(Path("p/mini_2.jpg")));
    for (const char* absent : {"p/mini_3.jpg", "p/mini_4.jpg", "p/mini_5.jpg"})
        EXPECT_FALSE(fs::exists(Path(absent))) << absent;
    EXPECT_EQ(Calls("editor"),
              (std::vector<std::string>{"editor: 1.png (1 / 5)", "editor: 2.png (2 / 5)",
                                        "editor: 3.png (3 / 5)"}));
    EXPECT_EQ(Calls("confirm"),
              (std::vector<std::string>{std::string("confirm: ") + kStopAllQuestion}));
    EXPECT_EQ(Calls("open-folder"),
              (std::vector<std::string>{"open-folder: " + Folder("p") + "/"}));
    EXPECT_TRUE(main.SelectedFiles().empty());
    for (const std::string& f : files) EXPECT_TRUE(fs::exists(f));

    // The saved result is the editor's 400 x 400 view.
    LoadedPicture saved;
    LoadPicture(saved, Path("p/mini_1.jpg"));
    EXPECT_EQ(saved.Width(), 400);
    EXPECT_EQ(saved.Height(), 400);
}

TEST_F(EditedRunTest, SameFolderOpensTheFolderOfTheLastSavedFile) {
    AddPicture("p1", "a.png", kWhite);
    AddPicture("p2", "b.png", kWhite);
    AddPicture("p3", "c.png", kWhite);
    SameFolderMode();
    host.steps = {
        {EditorExit::Save, nullptr}, {EditorExit::Save, nullptr}, {EditorExit::Skip, nullptr}};
    boxes.answers = {true};
    EditedRun(main, editor, host);
    EXPECT_TRUE(fs::exists(Path("p1/mini_a.jpg")));
    EXPECT_TRUE(fs::exists(Path("p2/mini_b.jpg")));
    EXPECT_FALSE(fs::exists(Path("p3/mini_c.jpg")));
    EXPECT_EQ(Calls("open-folder"),
              (std::vector<std::string>{"open-folder: " + Folder("p2") + "/"}));
}

TEST_F(EditedRunTest, StopAllBeforeAnySaveOpensTheFolderOfTheFileInHand) {
    AddPicture("p1", "a.png", kWhite);
    AddPicture("p2", "b.png", kWhite);
    SameFolderMode();
    host.steps = {{EditorExit::Skip, nullptr}, {EditorExit::StopAll, nullptr}};
    boxes.answers = {true};
    EditedRun(main, editor, host);
    EXPECT_EQ(Calls("open-folder"),
              (std::vector<std::string>{"open-folder: " + Folder("p2") + "/"}));
    EXPECT_TRUE(main.SelectedFiles().empty());
}

TEST_F(EditedRunTest, EveryFileOpensWithoutTheMarker) {
    const std::string a = AddPicture("p", "a.png", kWhite);
    AddPicture("p", "b.png", kWhite);
    SameFolderMode();
    auto showMarker = [](EditorModel& e) { e.ShowMarker(true); };
    host.steps = {{EditorExit::Skip, showMarker}, {EditorExit::Skip, nullptr}};
    boxes.answers = {false};
    editor.ShowMarker(true);  // left shown by an earlier run
    EditedRun(main, editor, host);
    EXPECT_EQ(host.markerShownAtOpen, (std::vector<bool>{false, false}));
    EXPECT_TRUE(Calls("open-folder").empty());  // answered No
}

TEST_F(EditedRunTest, NamedFolderModeWritesIntoTheOutputFolder) {
    SetBase(Folder("base") + "/");
    AddPicture("src", "x.png", kWhite);
    AddPicture("src2", "x.png", kWhite);
    main.RefreshScreen();
    main.FolderNameTyped("A101");
    host.steps = {{EditorExit::Save, nullptr}, {EditorExit::Save, nullptr}};
    boxes.answers = {true};
    EditedRun(main, editor, host);
    EXPECT_TRUE(fs::exists(Path("base/A101/x.jpg")));
    EXPECT_TRUE(fs::exists(Path("base/A101/x-1.jpg")));
    EXPECT_EQ(Calls("open-folder"),
              (std::vector<std::string>{"open-folder: " + Folder("base") + "/A101/"}));
}

TEST_F(EditedRunTest, FailedLoadCannotBeSavedAndTheRunGoesOn) {
    const std::string broken = Folder("p") + "/broken.png";
    test::WriteFile(broken, std::string("not a picture"));
    main.AddChosenFiles({broken});
    AddPicture("p", "good.png", kWhite);
    SameFolderMode();
    host.steps = {{EditorExit::Save, nullptr},
                  {EditorExit::Save, nullptr}};  // save is disabled after the failure
    boxes.answers = {false};
    EditedRun(main, editor, host);
    EXPECT_FALSE(fs::exists(Path("p/mini_broken.jpg")));
    EXPECT_TRUE(fs::exists(Path("p/mini_good.jpg")));
    EXPECT_EQ(Calls("error").size(), 1u);
    EXPECT_EQ(Calls("confirm"),
              (std::vector<std::string>{"confirm: 1 個のファイルを保存できませんでした。"
                                        "フォルダを開きますか？"}));
}

TEST_F(EditedRunTest, AnUnreadablePhotoInHandAtStopAllIsCounted) {
    AddPicture("s", "a.png", kWhite);
    const std::string broken = Folder("s") + "/broken.png";
    test::WriteFile(broken, std::string("not a picture"));
    main.AddChosenFiles({broken});
    AddPicture("s", "c.png", kWhite);
    SameFolderMode();
    host.steps = {{EditorExit::Skip, nullptr}, {EditorExit::StopAll, nullptr}};
    boxes.answers = {false};
    EditedRun(main, editor, host);
    // The skipped photo was the user's choice and is not counted.
    EXPECT_EQ(Calls("confirm"),
              (std::vector<std::string>{"confirm: 1 個のファイルを保存できませんでした。"
                                        "残りの処理を全て中止しました。"
                                        "フォルダを開きますか？"}));
}

// Records which files the run loaded ahead, from the loading thread.
struct LoadRecorder {
    std::mutex mutex;
    std::vector<std::string> loaded;

    PictureLoader Loader() {
        return [this](const std::string& path) {
            PreparedPicture prepared = PreparePicture(path);
            std::lock_guard lock(mutex);
            loaded.push_back(fs::path(path).filename().string());
            return prepared;
        };
    }
    // Waits until `name` was loaded ahead or two seconds have passed, then
    // gives every name loaded so far.
    std::vector<std::string> After(const std::string& name) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        for (;;) {
            {
                std::lock_guard lock(mutex);
                if (std::find(loaded.begin(), loaded.end(), name) != loaded.end() ||
                    std::chrono::steady_clock::now() > deadline)
                    return loaded;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
};

TEST_F(EditedRunTest, TheNextPhotoIsLoadedWhileOneIsEditedAndOnlyThatOne) {
    AddPicture("n", "a.png", kWhite);
    AddPicture("n", "b.png", Color{230, 20, 20});
    AddPicture("n", "c.png", kWhite);
    SameFolderMode();
    LoadRecorder recorder;
    std::vector<std::vector<std::string>> aheadWhileEditing;
    const auto note = [&](const std::string& next) {
        return [&, next](EditorModel&) {
            // A little time for a second picture to be started wrongly.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            aheadWhileEditing.push_back(recorder.After(next));
        };
    };
    host.steps = {{EditorExit::Save, note("b.png")},
                  {EditorExit::Save, note("c.png")},
                  {EditorExit::Save, note("c.png")}};
    boxes.answers = {false};
    EditedRun(main, editor, host, recorder.Loader());
    ASSERT_EQ(aheadWhileEditing.size(), 3u);
    EXPECT_EQ(aheadWhileEditing[0], (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(aheadWhileEditing[1], (std::vector<std::string>{"a.png", "b.png", "c.png"}));
    EXPECT_EQ(aheadWhileEditing[2], (std::vector<std::string>{"a.png", "b.png", "c.png"}));
    // The photos loaded ahead are the ones saved, each from its own file.
    LoadedPicture saved;
    LoadPicture(saved, Path("n/mini_b.jpg"));
    const Color middle = saved.GetBitmap().ToBgr24().Pixel(200, 200);
    EXPECT_GT(middle.r, 200);
    EXPECT_LT(middle.g, 60);
}

TEST_F(EditedRunTest, AFailedLoadAheadIsToldAtItsTurn) {
    AddPicture("f", "a.png", kWhite);
    const std::string broken = Folder("f") + "/broken.png";
    test::WriteFile(broken, std::string("not a picture"));
    main.AddChosenFiles({broken});
    AddPicture("f", "c.png", kWhite);
    SameFolderMode();
    LoadRecorder recorder;
    bool brokenLoadedAheadOfItsTurn = false;
    host.steps = {
        {EditorExit::Save,
         [&](EditorModel&) {
             const auto ahead = recorder.After("broken.png");
             brokenLoadedAheadOfItsTurn = ahead == std::vector<std::string>{"a.png", "broken.png"};
         }},
        {EditorExit::Save, nullptr},
        {EditorExit::Save, nullptr}};
    boxes.answers = {false};
    EditedRun(main, editor, host, recorder.Loader());
    EXPECT_TRUE(brokenLoadedAheadOfItsTurn);
    // The unreadable photo is counted among the files not saved.
    EXPECT_EQ(*log, (test::CallLog{"editor: a.png (1 / 3)", "editor: broken.png (2 / 3)",
                                   "error: 画像ファイルが壊れているか、サイズが大き過ぎます。\n" +
                                       fs::absolute(broken).lexically_normal().string(),
                                   "editor: c.png (3 / 3)",
                                   "confirm: 1 個のファイルを保存できませんでした。"
                                   "フォルダを開きますか？"}));
    EXPECT_FALSE(fs::exists(Path("f/mini_broken.jpg")));
    EXPECT_TRUE(fs::exists(Path("f/mini_c.jpg")));
}

TEST_F(EditedRunTest, ALoadAheadWaitingForMemoryDoesNotStopTheRun) {
    // A budget that holds the editor's pictures of one photo with little to
    // spare: the load ahead has to wait until the editor gives them back.
    for (const char* name : {"a.png", "b.png", "c.png"}) {
        Bitmap photo(600, 450);
        photo.FillRect(Rect{0, 0, 600, 450}, Color{230, 20, 20});
        const std::string path = Folder("m") + "/" + name;
        WritePicture(photo, path);
        main.AddChosenFiles({path});
    }
    SameFolderMode();
    MemoryBudget& budget = MemoryBudget::Process();
    const std::uint64_t capacity = budget.Capacity();
    std::uint64_t editorHolds = 0;
    {
        EditorModel probe(boxes);
        probe.SetSource(main.SelectedFiles()[0]);
        probe.Load();
        editorHolds = budget.HeldByThisThread();
        probe.ReleasePictures();
        EXPECT_EQ(budget.HeldByThisThread(), 0u);
    }
    budget.SetCapacity(budget.InUse() + editorHolds + 50000);
    host.steps = {
        {EditorExit::Save, nullptr}, {EditorExit::Save, nullptr}, {EditorExit::Save, nullptr}};
    boxes.answers = {false};
    auto run = std::async(std::launch::async, [&] { EditedRun(main, editor, host); });
    const bool finished = run.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    budget.SetCapacity(capacity);
    ASSERT_TRUE(finished) << "the edited run waits for a load that waits for its memory";
    run.get();
    EXPECT_EQ(Calls("error").size(), 0u);
    for (const char* name : {"mini_a.jpg", "mini_b.jpg", "mini_c.jpg"})
        EXPECT_TRUE(fs::exists(Path("m/") + name)) << name;
}

TEST_F(EditedRunTest, UnwritableSaveIsToldAndCountedAtTheEnd) {
    // The output name "mini_" + 250 letters is longer than a file name may be.
    const std::string tooLong = AddPicture("q", std::string(250, 'n') + ".png", kWhite);
    AddPicture("q", "fine.png", kWhite);
    AddPicture("q", "last.png", kWhite);
    SameFolderMode();
    host.steps = {
        {EditorExit::Save, nullptr}, {EditorExit::Save, nullptr}, {EditorExit::StopAll, nullptr}};
    boxes.answers = {false};
    EditedRun(main, editor, host);
    EXPECT_EQ(Calls("error"),
              (std::vector<std::string>{"error: ファイル " + Folder("q") + "/mini_" +
                                        std::string(250, 'n') + ".jpg を保存できませんでした。\n" +
                                        std::strerror(ENAMETOOLONG)}));
    EXPECT_TRUE(fs::exists(Path("q/mini_fine.jpg")));
    EXPECT_EQ(Calls("confirm"),
              (std::vector<std::string>{"confirm: 1 個のファイルを保存できませんでした。"
                                        "残りの処理を全て中止しました。フォルダを開きますか？"}));
}

TEST_F(EditedRunTest, EmptySelectionOnlySaysSo) {
    SameFolderMode();
    EditedRun(main, editor, host);
    EXPECT_EQ(*log, (std::vector<std::string>{std::string("plain: ") + kNoFilesMessage}));
}

}  // namespace
}  // namespace pictorel
