// The check's window: only photos with findings are listed, each with the
// thumbnail of its result; check.csv is saved once beside the results.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <cstdlib>
#include <filesystem>

#include "support/Fakes.h"
#include "support/RandomPictures.h"
#include "support/TestFiles.h"
#include "workflow/JpegOutput.h"
#include "workflow/ui/PublishCheckWindow.h"

namespace pictorel {
namespace {

namespace fs = std::filesystem;

PhotoCheck Checked(const fs::path& result, std::vector<Finding> findings) {
    PhotoCheck check;
    check.photo.source = "/photos/" + result.filename().string();
    check.photo.result = result.string();
    check.findings = std::move(findings);
    return check;
}

TEST(PublishCheckWindow, ListsPhotosWithFindingsAndSavesTheRecordOnce) {
    test::TempDir dir;
    test::WriteFile(dir.Path() / "dark.jpg", EncodeJpeg(test::RandomPicture(400, 300, 1)));
    test::WriteFile(dir.Path() / "fine.jpg", EncodeJpeg(test::RandomPicture(400, 300, 2)));
    PublishCheckReport report;
    report.photos = {
        Checked(dir.Path() / "dark.jpg", {{FindingKind::TooDark, "暗すぎる可能性があります。"},
                                          {FindingKind::Portrait, "縦長の写真です。"}}),
        Checked(dir.Path() / "fine.jpg", {}),
        // A result removed since the run still gets its line, without a picture.
        Checked(dir.Path() / "gone.jpg", {{FindingKind::Blurred, "ピンぼけ"}}),
    };
    test::FakeMessageBoxes boxes;
    PublishCheckWindow window(nullptr, (dir.Path() / "Pictorel.ini").string(), report, boxes);
    window.show();
    if (const char* shot = std::getenv("PICTOREL_CHECK_SCREENSHOT")) {
        QApplication::processEvents();
        window.grab().save(QString::fromLocal8Bit(shot));
    }

    ASSERT_EQ(window.findingList->count(), 2);
    EXPECT_EQ(window.findingList->item(0)->text().toStdString(),
              "/photos/dark.jpg\n・暗すぎる可能性があります。\n・縦長の写真です。");
    EXPECT_FALSE(window.findingList->item(0)->icon().isNull());
    EXPECT_EQ(window.summaryLabel->text().toStdString(), "2 枚の写真に確認事項があります。");

    window.saveButton->click();
    EXPECT_EQ(*boxes.calls, (test::CallLog{"plain: check.csv を保存しました。\n" +
                                           (dir.Path() / "check.csv").string()}));
    EXPECT_EQ(test::ReadText(dir.Path() / "check.csv"), CheckCsvText(report));
    EXPECT_FALSE(window.saveButton->isEnabled());
    window.closeButton->click();
    EXPECT_FALSE(window.isVisible());
}

TEST(PublishCheckWindow, AFailedSaveIsToldAndCanBeTriedAgain) {
    test::TempDir dir;
    PublishCheckReport report;
    report.photos = {Checked(dir.Path() / "missing/a.jpg", {{FindingKind::Blurred, "ピンぼけ"}})};
    test::FakeMessageBoxes boxes;
    PublishCheckWindow window(nullptr, (dir.Path() / "Pictorel.ini").string(), report, boxes);
    window.saveButton->click();
    ASSERT_EQ(boxes.calls->size(), 1u);
    EXPECT_TRUE(boxes.calls->front().starts_with("error: ファイル " +
                                                 (dir.Path() / "missing/check.csv").string() +
                                                 " を保存できませんでした。"))
        << boxes.calls->front();
    EXPECT_TRUE(window.saveButton->isEnabled());
}

}  // namespace
}  // namespace pictorel
