// The edited run with the real editor window as its modal host: each file is
// worked on inside the window's modal loop, and the files on disk are checked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>

#include "editor/TestPictures.h"
#include "editor/ui/EditorWindow.h"
#include "formats/LoadedPicture.h"
#include "workflow/EditedRun.h"
#include "workflow/WorkflowFixture.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;

// Runs one scripted step inside each modal loop of the window; a step that
// does not close the window fails the test and skips the file.
class ScriptedWindowHost : public IEditorHost {
  public:
    explicit ScriptedWindowHost(EditorWindow& window) : window_(window) {}
    std::deque<std::function<void(EditorWindow&)>> steps;
    int opened = 0;
    // The window's title while each step ran.
    std::vector<std::string> titles;

    EditorExit ShowModal(EditorModel& editor, const std::string& caption) override {
        ++opened;
        if (steps.empty()) {
            ADD_FAILURE() << "editor shown more often than scripted";
            return EditorExit::Skip;
        }
        auto step = steps.front();
        steps.pop_front();
        QTimer::singleShot(0, &window_, [this, step] {
            QApplication::setActiveWindow(&window_);
            if (!QTest::qWaitForWindowActive(&window_)) ADD_FAILURE() << "editor not active";
            titles.push_back(window_.windowTitle().toStdString());
            step(window_);
            if (window_.isVisible()) {
                ADD_FAILURE() << "the step left the editor open";
                window_.done(-1);
            }
        });
        return window_.ShowModal(editor, caption);
    }

  private:
    EditorWindow& window_;
};

// Mean absolute channel difference between a decoded file and a bitmap.
double MeanDifference(const std::string& path, const Bitmap& expected) {
    LoadedPicture picture;
    LoadPicture(picture, path);
    const Bitmap& b = picture.GetBitmap();
    EXPECT_EQ(b.Width(), 400);
    EXPECT_EQ(b.Height(), 400);
    if (b.Width() != expected.Width() || b.Height() != expected.Height()) return 255;
    double sum = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const Color p = b.Pixel(x, y), q = expected.Pixel(x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        }
    return sum / (3.0 * b.Width() * b.Height());
}

Color Photo(int x, int y) {
    return {static_cast<std::uint8_t>(x % 256), static_cast<std::uint8_t>(y % 256),
            static_cast<std::uint8_t>((x / 40 + y / 40) % 2 ? 220 : 30)};
}

class EditedRunWindowTest : public ::testing::Test, public test::WorkflowFixture {
  protected:
    std::unique_ptr<EditorWindow> window =
        std::make_unique<EditorWindow>(nullptr, Path("Pictorel.ini"), editor);
    ScriptedWindowHost host{*window};

    std::string AddPhoto(const std::string& name, int w, int h,
                         const std::function<Color(int, int)>& colour = Photo) {
        const std::string path = Folder("photos") + "/" + name;
        test::WriteBmp(path, w, h, colour);
        main.AddChosenFiles({path});
        return path;
    }
    void SameFolderMode() {
        main.RefreshScreen();
        main.FolderNamePicked(0);
    }
    std::string Output(const std::string& name) { return Path("photos/mini_" + name + ".jpg"); }
};

TEST_F(EditedRunWindowTest, CropRotateAndMarkerWriteThreeResults) {
    AddPhoto("crop.bmp", 1200, 800);
    AddPhoto("turn.bmp", 600, 900);
    AddPhoto("mark.bmp", 500, 500, [](int, int) { return Color{240, 230, 150}; });
    SameFolderMode();
    boxes.answers = {false};

    Bitmap cropped, turned, marked, plainCrop, plainTurn;
    host.steps.push_back([&](EditorWindow& w) {
        QWindow* handle = w.windowHandle();
        plainCrop = *w.Model().Result();
        const QPoint a = w.workView->mapTo(&w, QPoint(50, 80));
        const QPoint b = w.workView->mapTo(&w, QPoint(250, 250));
        QTest::mousePress(handle, Qt::LeftButton, {}, a);
        QTest::mouseMove(handle, b);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, b);
        ASSERT_TRUE(w.cropFrame->isVisible());
        cropped = *w.Model().Result();
        QTest::keyClick(handle, Qt::Key_Return);  // the default button saves
    });
    host.steps.push_back([&](EditorWindow& w) {
        EXPECT_FALSE(w.markerButton->isChecked());
        plainTurn = *w.Model().Result();
        QTest::mouseClick(w.turnButton, Qt::LeftButton);
        turned = *w.Model().Result();
        QTest::mouseClick(w.saveButton, Qt::LeftButton);
    });
    host.steps.push_back([&](EditorWindow& w) {
        QTest::mouseClick(w.markerButton, Qt::LeftButton);
        ASSERT_TRUE(w.markerView->isVisible());
        QTest::mouseClick(w.saveButton, Qt::LeftButton);
        marked = *w.Model().Result();  // stamped by the save
    });
    EditedRun(main, editor, host);

    EXPECT_EQ(host.opened, 3);
    // Each file is the edited view up to the JPEG loss, far from the unedited one.
    EXPECT_LT(MeanDifference(Output("crop"), cropped), 8.0);
    EXPECT_GT(MeanDifference(Output("crop"), plainCrop), 30.0);
    EXPECT_LT(MeanDifference(Output("turn"), turned), 8.0);
    EXPECT_GT(MeanDifference(Output("turn"), plainTurn), 30.0);
    EXPECT_LT(MeanDifference(Output("mark"), marked), 8.0);

    // The marker sits in the middle of the saved picture: the needle is black
    // on a pale photo, the corners are untouched.
    LoadedPicture saved;
    LoadPicture(saved, Output("mark"));
    const Bitmap& m = saved.GetBitmap();
    EXPECT_LT(m.Pixel(200, 200).r, 60);
    EXPECT_GT(m.Pixel(20, 20).r, 200);
    EXPECT_EQ(*log, (test::CallLog{std::string("confirm: ") + kRunDoneQuestion}));
    EXPECT_TRUE(main.SelectedFiles().empty());
}

TEST_F(EditedRunWindowTest, SaveSkipCloseBoxAndStopAll) {
    for (const char* name : {"1.bmp", "2.bmp", "3.bmp", "4.bmp", "5.bmp"}) AddPhoto(name, 300, 200);
    SameFolderMode();
    boxes.answers = {false};
    host.steps.push_back([](EditorWindow& w) {
        QTest::mouseClick(w.markerButton, Qt::LeftButton);  // marker on, then saved
        QTest::mouseClick(w.saveButton, Qt::LeftButton);
    });
    host.steps.push_back([](EditorWindow& w) {
        // The marker was released before this file.
        EXPECT_FALSE(w.markerView->isVisible());
        EXPECT_FALSE(w.markerRightButton->isVisible());
        QTest::keyClick(w.windowHandle(), Qt::Key_Escape);
    });
    host.steps.push_back([](EditorWindow& w) { w.close(); });
    host.steps.push_back(
        [](EditorWindow& w) { QTest::mouseClick(w.stopAllButton, Qt::LeftButton); });
    EditedRun(main, editor, host);

    EXPECT_EQ(host.opened, 4);
    // The title names the photo shown and its place in the run.
    EXPECT_EQ(host.titles, (std::vector<std::string>{"1.bmp (1 / 5)", "2.bmp (2 / 5)",
                                                     "3.bmp (3 / 5)", "4.bmp (4 / 5)"}));
    EXPECT_TRUE(fs::exists(Output("1")));
    for (const char* skipped : {"2", "3", "4", "5"})
        EXPECT_FALSE(fs::exists(Output(skipped))) << skipped;
    EXPECT_EQ(*log, (test::CallLog{std::string("confirm: ") + kStopAllQuestion}));
    EXPECT_TRUE(main.SelectedFiles().empty());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(EditedRunWindowTest, ModalResultsOfTheEndingButtons) {
    const std::string path = AddPhoto("x.bmp", 100, 100);
    editor.SetSource(path);
    const auto resultOf = [&](const std::function<void(EditorWindow&)>& step) {
        host.steps.push_back(step);
        return host.ShowModal(editor, "x.bmp (1 / 1)");
    };
    EXPECT_EQ(resultOf([](EditorWindow& w) { QTest::keyClick(w.windowHandle(), Qt::Key_Return); }),
              EditorExit::Save);
    EXPECT_EQ(resultOf([](EditorWindow& w) { QTest::mouseClick(w.stopAllButton, Qt::LeftButton); }),
              EditorExit::StopAll);
    EXPECT_EQ(resultOf([](EditorWindow& w) { QTest::keyClick(w.windowHandle(), Qt::Key_Escape); }),
              EditorExit::Skip);
    EXPECT_EQ(resultOf([](EditorWindow& w) { w.closeButton->click(); }), EditorExit::Skip);
    EXPECT_EQ(resultOf([](EditorWindow& w) { w.close(); }), EditorExit::Closed);
    // Closing only hides: the window is still there for the next file.
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(resultOf([](EditorWindow& w) { QTest::mouseClick(w.saveButton, Qt::LeftButton); }),
              EditorExit::Save);
}

}  // namespace
}  // namespace pictorel
