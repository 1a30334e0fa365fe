// The main window and the base-folder dialog, driven like a user would,
// with scripted message boxes, shell and folder browser.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "app/ProgramSettings.h"
#include "app/ui/ProgressWindow.h"
#include "app/ui/QtMessageBoxes.h"
#include "app/ui/UncaughtError.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"
#include "workflow/ui/BaseFolderWindow.h"
#include "workflow/ui/MainWindow.h"
#include "workflow/ui/OpenPictureDialog.h"
#include "workflow/ui/OutputSizesDialog.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

void WritePicture(const fs::path& path, const char* format, int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(30, 120, 200));
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), format)) << path;
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

// Records the gauge after every step and can press Esc during the run.
class RecordingProgress : public ProgressWindow {
  public:
    void StepProgress() override {
        ProgressWindow::StepProgress();
        gaugeValues.push_back(gauge->value());
        mainEnabled.push_back(mainWindow != nullptr && mainWindow->isEnabled());
        // Closing the main window during the run is refused.
        closeRefused.push_back(mainWindow != nullptr && !mainWindow->close() &&
                               mainWindow->isVisible());
        if (escAfterStep == static_cast<int>(gaugeValues.size()))
            QTest::keyClick(this, Qt::Key_Escape);
    }
    std::vector<int> gaugeValues;
    std::vector<bool> mainEnabled;
    std::vector<bool> closeRefused;
    QWidget* mainWindow = nullptr;
    int escAfterStep = -1;
};

class FakeBaseDialog : public IBaseFolderDialog {
  public:
    void ShowBaseFolderDialog() override { ++shown; }
    int shown = 0;
};

class FakeBrowser : public IFolderBrowser {
  public:
    std::string SelectFolder(const std::string& initial) override {
        initials.push_back(initial);
        return answer;
    }
    std::string answer;
    std::vector<std::string> initials;
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(photos / "sub");
        WritePicture(photos / "a.JPG", "JPEG", 1600, 900);
        test::WriteFile(photos / "b.txt", std::string("text"));
        WritePicture(photos / "sub" / "c.png", "PNG", 300, 200);
        fs::create_directories(base / "Old");
        settings.File.WriteString("Path", "RootPath", base.string() + "/");
    }

    std::unique_ptr<MainWindow> Create(std::vector<std::string> arguments = {}) {
        auto window = std::make_unique<MainWindow>(
            MainWindow::Services{settings.File, settings.File.Path(), boxes, shell,
                                 std::move(arguments), [this](const QString& initial) {
                                     dialogInitials.push_back(Utf8(initial));
                                     return dialogAnswer;
                                 }});
        progress.SetMainWindow(window.get());
        progress.mainWindow = window.get();
        window->SetProgress(&progress);
        window->SetBaseFolderDialog(&baseDialog);
        return window;
    }

    static void Drop(QWidget* target, const std::vector<fs::path>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const fs::path& p : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(p.string()));
        data.setUrls(urls);
        // The drop goes to the widget that accepted the drag when it entered.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }

    // The folder's supported files in the order the file system lists them.
    std::vector<std::string> ListedPictures() const {
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(photos)) {
            if (entry.path().filename() == "a.JPG") files.push_back(entry.path().string());
            if (entry.path().filename() == "sub")
                files.push_back((photos / "sub" / "c.png").string());
        }
        return files;
    }

    static bool IsJpeg(const fs::path& path) {
        const auto bytes = test::ReadFile(path);
        return bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
    }

    TempDir dir;
    fs::path photos = dir.Path() / "photos";
    fs::path base = dir.Path() / "base";
    ProgramSettings settings{dir.Str() + "pictorel"};
    test::FakeMessageBoxes boxes;
    test::FakeShell shell{boxes.calls};
    RecordingProgress progress;
    FakeBaseDialog baseDialog;
    std::vector<std::string> dialogAnswer;
    std::vector<std::string> dialogInitials;
};

TEST_F(MainWindowTest, StartsOnTheSelectionScreen) {
    auto window = Create();
    EXPECT_EQ(window->titlePanel->Caption(), QStringLiteral("画像選択"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：0"));
    EXPECT_TRUE(window->selectionPanel->isVisibleTo(window.get()));
    EXPECT_FALSE(window->lastFolderButton->isVisibleTo(window.get()));
    EXPECT_EQ(window->versionLabel->text(), QStringLiteral("Ver.1.0.4.0"));
    EXPECT_EQ(window->closeButton->text(), QStringLiteral("終了"));
    EXPECT_EQ(window->size(), QSize(409, 381));
}

TEST_F(MainWindowTest, CommandLineFolderOpensTheProcessingScreen) {
    auto window = Create({photos.string()});
    EXPECT_EQ(window->Logic().SelectedFiles(), ListedPictures());
    EXPECT_EQ(window->titlePanel->Caption(), QStringLiteral("処理選択"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：2"));
    EXPECT_FALSE(window->selectionPanel->isVisibleTo(window.get()));
    ASSERT_EQ(window->folderNameCombo->count(), 2);
    EXPECT_EQ(window->folderNameCombo->itemText(0),
              QStringLiteral("元画像と同じフォルダに別名で保存"));
    EXPECT_EQ(window->folderNameCombo->itemText(1), QStringLiteral("Old"));
    EXPECT_EQ(window->folderNameCombo->currentText(), QString());
    EXPECT_FALSE(window->runGroup->isVisibleTo(window.get()));
    EXPECT_EQ(settings.File.ReadString("Path", "LastSourcePath", ""),
              fs::path(window->Logic().SelectedFiles().back()).parent_path().string());
}

TEST_F(MainWindowTest, CommandLinePathSplitAtItsSpaceIsJoinedBack) {
    fs::create_directories(dir.Path() / "My Photos");
    WritePicture(dir.Path() / "My Photos" / "x.png", "PNG", 10, 10);
    auto window = Create({dir.Str() + "My", "Photos/x.png"});
    EXPECT_EQ(window->Logic().SelectedFiles(),
              (std::vector<std::string>{dir.Str() + "My Photos/x.png"}));
}

TEST_F(MainWindowTest, DropsSelectSupportedFilesAndAreIgnoredWhileFilesAreSelected) {
    auto window = Create();
    Drop(window->selectionPanel, {photos / "b.txt"});
    EXPECT_TRUE(window->Logic().SelectedFiles().empty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：0"));
    EXPECT_TRUE(window->selectionPanel->isVisibleTo(window.get()));

    Drop(window->dropBox, {photos});
    EXPECT_EQ(window->Logic().SelectedFiles(), ListedPictures());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：2"));
    EXPECT_EQ(window->titlePanel->Caption(), QStringLiteral("処理選択"));

    Drop(window->selectionPanel, {photos / "a.JPG"});
    Drop(window->dropBox, {photos / "a.JPG"});
    EXPECT_EQ(window->Logic().SelectedFiles().size(), 2u);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：2"));
}

TEST_F(MainWindowTest, RunButtonsShowExactlyWhileTheTrimmedNameIsNotEmpty) {
    auto window = Create({photos.string()});
    window->show();
    QLineEdit* edit = window->folderNameCombo->lineEdit();
    QTest::keyClicks(edit, QStringLiteral("  "));
    EXPECT_FALSE(window->runGroup->isVisible());
    QTest::keyClicks(edit, QStringLiteral("A101"));
    EXPECT_TRUE(window->runGroup->isVisible());
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_FALSE(window->runGroup->isVisible());
    // The ideographic space is not trimmed away.
    QKeyEvent ideographicSpace(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                               QStringLiteral("\u3000"));
    QApplication::sendEvent(edit, &ideographicSpace);
    ASSERT_EQ(edit->text(), QStringLiteral("\u3000"));
    EXPECT_TRUE(window->runGroup->isVisible());
}

TEST_F(MainWindowTest, DownOpensTheFolderCombo) {
    auto window = Create({photos.string()});
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->folderNameCombo->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_TRUE(window->folderNameCombo->view()->isVisible());
    window->folderNameCombo->hidePopup();
}

TEST_F(MainWindowTest, AutomaticRunFromTheButtonToTheFilesOnDisk) {
    auto window = Create({photos.string()});
    window->show();
    QTest::keyClicks(window->folderNameCombo->lineEdit(), QStringLiteral("A101"));
    boxes.answers = {true};
    QTest::mouseClick(window->autoRunButton, Qt::LeftButton);

    const fs::path out = base / "A101";
    EXPECT_TRUE(IsJpeg(out / "a.jpg"));
    EXPECT_TRUE(IsJpeg(out / "c.jpg"));
    const QImage shrunk(QString::fromStdString((out / "a.jpg").string()));
    EXPECT_EQ(shrunk.size(), QSize(800, 450));
    EXPECT_EQ(progress.gaugeValues, (std::vector<int>{1, 2}));
    EXPECT_EQ(progress.mainEnabled, (std::vector<bool>{false, false}));
    EXPECT_EQ(progress.closeRefused, (std::vector<bool>{true, true}));
    EXPECT_EQ(*boxes.calls, (test::CallLog{"confirm: 縮小が完了しました。フォルダを開きますか？",
                                           "open-folder: " + out.string() + "/"}));

    EXPECT_FALSE(progress.isVisible());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(window->Logic().SelectedFiles().empty());
    EXPECT_EQ(window->titlePanel->Caption(), QStringLiteral("画像選択"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：0"));
    EXPECT_TRUE(window->lastFolderButton->isVisible());

    boxes.calls->clear();
    QTest::mouseClick(window->lastFolderButton, Qt::LeftButton);
    EXPECT_EQ(*boxes.calls,
              (test::CallLog{"open-folder: " +
                             fs::path(ListedPictures().back()).parent_path().string()}));
}

// Today's phone and web photos go through the window's automatic run like
// any other: HEIC (Display P3), a grid HEIC, 10-bit AVIF, WebP with alpha,
// an Adobe RGB JPEG; each written upright at its reduced size.
TEST_F(MainWindowTest, AutomaticRunTakesAFolderOfMixedPhonePhotos) {
    PICTOREL_REQUIRE_TESTDATA(corpus);
    const fs::path modern = corpus / "modern";
    const fs::path phone = dir.Path() / "phone";
    fs::create_directories(phone);
    const std::vector<std::pair<std::string, QSize>> photos = {
        {"heic/iphone11promax_p3_edited.heic", QSize(619, 800)},
        {"heic/conf_C007_grid_2x2_primary_last.heic", QSize(800, 450)},
        {"avif/fox_10bit_420.avif", QSize(800, 531)},
        {"webp/lossy_alpha.webp", QSize(800, 245)},
        {"icc/adobergb1998_photo.jpg", QSize(290, 442)}};
    for (const auto& [path, size] : photos)
        fs::copy_file(modern / path, phone / fs::path(path).filename());

    auto window = Create({phone.string()});
    window->show();
    QTest::keyClicks(window->folderNameCombo->lineEdit(), QStringLiteral("B202"));
    boxes.answers = {false};
    QTest::mouseClick(window->autoRunButton, Qt::LeftButton);

    EXPECT_EQ(*boxes.calls, (test::CallLog{"confirm: 縮小が完了しました。フォルダを開きますか？"}));
    for (const auto& [path, size] : photos) {
        const fs::path written =
            base / "B202" / fs::path(path).filename().replace_extension(".jpg");
        EXPECT_TRUE(IsJpeg(written)) << written;
        EXPECT_EQ(QImage(QString::fromStdString(written.string())).size(), size) << written;
    }
}

TEST_F(MainWindowTest, EscDuringTheRunStopsAfterTheFileInHand) {
    WritePicture(photos / "d.png", "PNG", 20, 20);
    auto window = Create({photos.string()});
    window->show();
    ASSERT_EQ(window->Logic().SelectedFiles().size(), 3u);
    QTest::keyClicks(window->folderNameCombo->lineEdit(), QStringLiteral("B2"));
    progress.escAfterStep = 1;
    boxes.answers = {false};
    QTest::mouseClick(window->autoRunButton, Qt::LeftButton);

    EXPECT_EQ(progress.gaugeValues, (std::vector<int>{1}));
    int written = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(base / "B2")) ++written;
    EXPECT_EQ(written, 1);
    EXPECT_EQ(*boxes.calls,
              (test::CallLog{"confirm: 残りの処理を全て中止しました。フォルダを開きますか？"}));
    EXPECT_TRUE(window->Logic().SelectedFiles().empty());
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(MainWindowTest, OpenDialogStartsInTheLastFolderAndAddsTheChosenFiles) {
    settings.File.WriteString("Path", "LastSourcePath", photos.string());
    auto window = Create();
    EXPECT_TRUE(window->lastFolderButton->isVisibleTo(window.get()));
    QTest::mouseClick(window->choosePicturesButton, Qt::LeftButton);  // cancelled
    EXPECT_EQ(dialogInitials, (std::vector<std::string>{photos.string()}));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：0"));

    dialogAnswer = {(photos / "b.txt").string(), (photos / "a.JPG").string()};
    QTest::mouseClick(window->choosePicturesButton, Qt::LeftButton);
    EXPECT_EQ(window->Logic().SelectedFiles(),
              (std::vector<std::string>{(photos / "a.JPG").string()}));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：1"));
}

TEST_F(MainWindowTest, OpenDialogFilterListsTheAcceptedExtensions) {
    EXPECT_EQ(PictureFilter(),
              QStringLiteral("グラフィックファイル (*.bmp *.jpg *.jpeg *.gif *.tif *.tiff *.psd "
                             "*.png *.eps *.heic *.heif *.hif *.avif *.webp)"));
}

TEST_F(MainWindowTest, OpenDialogPreviewShowsThePictureAndItsSize) {
    const PicturePreview png =
        MakePicturePreview(QString::fromStdString((photos / "sub" / "c.png").string()), 200);
    EXPECT_EQ(png.image.size(), QSize(200, 133));
    EXPECT_EQ(png.image.pixelColor(100, 66), QColor(30, 120, 200));
    EXPECT_EQ(png.sizeText, QStringLiteral("300 × 200 ピクセル"));
    const PicturePreview text =
        MakePicturePreview(QString::fromStdString((photos / "b.txt").string()), 200);
    EXPECT_TRUE(text.image.isNull());
    EXPECT_TRUE(text.sizeText.isEmpty());
    EXPECT_TRUE(MakePicturePreview(QString::fromStdString(photos.string()), 200).image.isNull());
}

TEST_F(MainWindowTest, AMissingManualIsReportedWithThePlacesLookedAt) {
    // The test program's folder holds no manual.
    auto window = Create();
    QTest::mouseClick(window->manualLink, Qt::LeftButton);
    ASSERT_EQ(boxes.calls->size(), 1u);
    const std::string& report = boxes.calls->front();
    EXPECT_TRUE(report.starts_with("error: " + std::string(kManualMissingMessage) + "\n"));
    EXPECT_NE(report.find("/share/pictorel/manual/manual.html"), std::string::npos) << report;
    QTest::mouseClick(window->baseFolderButton, Qt::LeftButton);
    EXPECT_EQ(baseDialog.shown, 1);
}

TEST_F(MainWindowTest, TheManualIsFoundInstalledOrBesideTheProgram) {
    const test::TempDir prefix;
    const QString bin = QString::fromStdString((prefix.Path() / "bin").string());
    EXPECT_FALSE(FindManual(bin));

    // A build tree: manual/ beside the program.
    std::filesystem::create_directories(prefix.Path() / "bin" / "manual");
    test::WriteFile(prefix.Path() / "bin" / "manual" / "manual.html", std::string("<html>"));
    EXPECT_EQ(FindManual(bin)->toStdString(),
              (prefix.Path() / "bin" / "manual" / "manual.html").string());

    // An install: <prefix>/share/pictorel/manual/ wins over a stray copy beside the program.
    std::filesystem::create_directories(prefix.Path() / "share" / "pictorel" / "manual");
    test::WriteFile(prefix.Path() / "share" / "pictorel" / "manual" / "manual.html",
                    std::string("<html>"));
    EXPECT_EQ(FindManual(bin)->toStdString(),
              (prefix.Path() / "share" / "pictorel" / "manual" / "manual.html").string());

    // A folder of that name is not the manual.
    const test::TempDir other;
    std::filesystem::create_directories(other.Path() / "bin" / "manual" / "manual.html");
    EXPECT_FALSE(FindManual(QString::fromStdString((other.Path() / "bin").string())));
}

TEST_F(MainWindowTest, AFailedSettingsWriteIsReportedAndTheScreenStillFollows) {
    auto window = Create();
    // A folder where the settings file should be: every write fails.
    const std::string ini = settings.File.Path();
    fs::remove(ini);
    fs::create_directory(ini);
    IMessageBoxes* const previous = SetUncaughtErrorBoxes(&boxes);
    Drop(window->dropBox, {photos / "a.JPG"});
    SetUncaughtErrorBoxes(previous);
    fs::remove(ini);  // the window stores its placement as it goes
    EXPECT_EQ(*boxes.calls, (test::CallLog{"error: " + ini + " に書き込めません"}));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("選択ファイル数：1"));
    EXPECT_EQ(window->titlePanel->Caption(), QStringLiteral("処理選択"));
}

TEST_F(MainWindowTest, OutputSizeDropDownAndItsDialog) {
    auto window = Create({photos.string()});
    EXPECT_EQ(window->outputSizeCombo->count(), 1);
    EXPECT_EQ(window->outputSizeCombo->currentText(),
              QStringLiteral("標準（長辺 800 px・画質 80）"));
    // Under the folder-name field, above the run buttons.
    EXPECT_GT(window->outputSizeCombo->y(), window->folderNameCombo->y());
    EXPECT_LT(window->folderNameGroup->geometry().bottom(), window->runGroup->y());

    window->SetOutputSizesDialogRun([](OutputSizesDialog& dialog) {
        dialog.nameEdit->setText(QStringLiteral("物件サイト"));
        dialog.sideSpin->setValue(1200);
        dialog.capCheck->setChecked(true);
        dialog.capSpin->setValue(300);
        dialog.addButton->click();
        dialog.addButton->click();  // the same name again is refused and told
        EXPECT_EQ(dialog.problemLabel->text(), QStringLiteral("同じ名前の出力サイズがあります。"));
        dialog.nameEdit->setText(QStringLiteral("枠"));
        dialog.shapeCombo->setCurrentIndex(1);
        dialog.sideSpin->setValue(640);
        dialog.heightSpin->setValue(480);
        dialog.qualitySpin->setValue(70);
        dialog.capCheck->setChecked(false);
        dialog.addButton->click();
        EXPECT_EQ(dialog.sizeList->count(), 2);
        if (const char* folder = std::getenv("PICTOREL_SCREENSHOTS")) {
            dialog.show();
            dialog.grab().save(QString::fromLocal8Bit(folder) + "/output-sizes-dialog.png");
        }
    });
    window->outputSizesButton->click();
    ASSERT_EQ(window->outputSizeCombo->count(), 3);
    EXPECT_EQ(window->outputSizeCombo->itemText(2), QStringLiteral("枠（640×480 px・画質 70）"));
    EXPECT_EQ(window->outputSizeCombo->itemText(1),
              QStringLiteral("物件サイト（長辺 1200 px・画質 80・300 KB まで）"));
    emit window->outputSizeCombo->activated(1);
    EXPECT_EQ(window->Logic().ChosenOutputSize().name, "物件サイト");
    EXPECT_EQ(settings.File.ReadString("OutputSize", "Chosen", ""), "物件サイト");
    if (const char* folder = std::getenv("PICTOREL_SCREENSHOTS")) {
        window->show();
        QTest::keyClicks(window->folderNameCombo->lineEdit(), QStringLiteral("A-101"));
        window->grab().save(QString::fromLocal8Bit(folder) + "/main-window.png");
    }
}

class BaseFolderDialog : public ::testing::Test {
  protected:
    std::unique_ptr<BaseFolderWindow> Create() {
        return std::make_unique<BaseFolderWindow>(settings.File, settings.File.Path(), boxes,
                                                  browser);
    }
    std::string Stored() const { return settings.File.ReadString("Path", "RootPath", "<none>"); }

    TempDir dir;
    ProgramSettings settings{dir.Str() + "pictorel"};
    test::FakeMessageBoxes boxes;
    FakeBrowser browser;
};

TEST_F(BaseFolderDialog, FirstShowStoresTheDefault) {
    auto dialog = Create();
    EXPECT_EQ(dialog->size(), QSize(456, 204));
    EXPECT_EQ(Stored(), "<none>");
    dialog->show();
    const std::string shown = Utf8(dialog->folderEdit->text());
    EXPECT_TRUE(shown.ends_with("/Estavel/")) << shown;
    EXPECT_EQ(Stored(), shown);
}

TEST_F(BaseFolderDialog, DecideChecksAndStoresCloseStoresNothing) {
    settings.File.WriteString("Path", "RootPath", "/old/");
    auto dialog = Create();
    dialog->show();
    EXPECT_EQ(dialog->folderEdit->text(), QStringLiteral("/old/"));

    dialog->folderEdit->setText(QStringLiteral("   "));
    dialog->okButton->click();
    EXPECT_EQ(*boxes.calls, (test::CallLog{"error: 基準パスを指定して下さい"}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Stored(), "/old/");

    dialog->folderEdit->setText(QString::fromStdString(dir.Str() + "new"));
    dialog->okButton->click();
    EXPECT_EQ(Stored(), dir.Str() + "new/");
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_FALSE(dialog->isVisible());

    dialog->show();
    dialog->folderEdit->setText(QStringLiteral("/typed/"));
    dialog->closeAction->trigger();
    EXPECT_EQ(dialog->result(), 2);
    EXPECT_EQ(Stored(), dir.Str() + "new/");
    dialog->show();
    EXPECT_EQ(Utf8(dialog->folderEdit->text()), dir.Str() + "new/");
}

TEST_F(BaseFolderDialog, RestoringFromMinimisedKeepsTheTypedPath) {
    settings.File.WriteString("Path", "RootPath", "/old/");
    auto dialog = Create();
    dialog->show();
    dialog->folderEdit->setText(QStringLiteral("/typed/"));
    dialog->setWindowState(Qt::WindowMinimized);
    dialog->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(dialog->folderEdit->text(), QStringLiteral("/typed/"));
    EXPECT_EQ(Stored(), "/old/");
}

TEST_F(BaseFolderDialog, BrowseReplacesTheTextCancelKeepsIt) {
    settings.File.WriteString("Path", "RootPath", dir.Str());
    auto dialog = Create();
    dialog->show();
    dialog->browseButton->click();
    EXPECT_EQ(Utf8(dialog->folderEdit->text()), dir.Str());
    browser.answer = dir.Str() + "chosen";
    dialog->browseButton->click();
    EXPECT_EQ(Utf8(dialog->folderEdit->text()), dir.Str() + "chosen/");
    EXPECT_EQ(browser.initials, (std::vector<std::string>{dir.Str(), dir.Str()}));
}

TEST_F(BaseFolderDialog, EnterFromThePathReachesDecide) {
    settings.File.WriteString("Path", "RootPath", dir.Str());
    auto dialog = Create();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    dialog->folderEdit->setFocus();
    QTest::keyClick(dialog->folderEdit, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), dialog->okButton);
    EXPECT_TRUE(dialog->isVisible());
    QTest::keyClick(dialog->okButton, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
}

TEST(QtMessageBoxesTest, JapaneseTitlesAndButtons) {
    QtMessageBoxes boxes;
    QString title;
    QStringList buttons;
    auto answer = [&](const QString& press) {
        QTimer::singleShot(0, [&, press] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            buttons.clear();
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == press) b->click();
        });
    };
    answer(QStringLiteral("はい(&Y)"));
    EXPECT_TRUE(boxes.Confirm("q"));
    EXPECT_EQ(title, QStringLiteral("確認"));
    EXPECT_TRUE(buttons.contains(QStringLiteral("はい(&Y)")));
    EXPECT_TRUE(buttons.contains(QStringLiteral("いいえ(&N)")));
    answer(QStringLiteral("いいえ(&N)"));
    EXPECT_FALSE(boxes.Confirm("q"));
    answer(QStringLiteral("OK"));
    boxes.ShowError("e");
    EXPECT_EQ(title, QStringLiteral("エラー"));
    EXPECT_EQ(buttons, QStringList{QStringLiteral("OK")});
    answer(QStringLiteral("OK"));
    boxes.ShowPlain("p");
    EXPECT_EQ(title, ApplicationTitle());
}

}  // namespace
}  // namespace pictorel
