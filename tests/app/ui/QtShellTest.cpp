// Opening folders and pages: every failure is told in an error box that
// names the folder or file, and nothing is launched for a missing folder.
#include <gtest/gtest.h>

#include <QUrl>
#include <vector>

#include "app/ui/QtShell.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

class QtShellTest : public ::testing::Test {
  protected:
    QtShell MakeShell(bool launcherSucceeds) {
        return QtShell(boxes, [this, launcherSucceeds](const QUrl& url) {
            launched.push_back(url);
            return launcherSucceeds;
        });
    }

    test::FakeMessageBoxes boxes;
    std::vector<QUrl> launched;
    test::TempDir dir;
};

TEST_F(QtShellTest, AnOpenedFolderOrPageShowsNoBox) {
    QtShell shell = MakeShell(true);
    shell.OpenFolder(dir.Path().string());
    shell.OpenUrl("https://pictorel.org/");
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[0].toLocalFile().toStdString(), dir.Path().string());
    EXPECT_EQ(launched[1], QUrl(QStringLiteral("https://pictorel.org/")));
    EXPECT_TRUE(boxes.calls->empty());
}

TEST_F(QtShellTest, AMissingFolderIsReportedWithoutLaunching) {
    QtShell shell = MakeShell(true);
    const std::string missing = (dir.Path() / "gone").string();
    shell.OpenFolder(missing);
    EXPECT_TRUE(launched.empty());
    EXPECT_EQ(*boxes.calls,
              (test::CallLog{"error: " + std::string(kFolderMissingMessage) + "\n" + missing}));
}

TEST_F(QtShellTest, ALauncherThatCannotStartIsReportedWithTheFolderOrFile) {
    QtShell shell = MakeShell(false);
    shell.OpenFolder(dir.Path().string());
    const std::string page = (dir.Path() / "manual" / "manual.html").string();
    shell.OpenUrl(QUrl::fromLocalFile(QString::fromStdString(page)).toString().toStdString());
    shell.OpenUrl("https://pictorel.org/");
    EXPECT_EQ(*boxes.calls,
              (test::CallLog{
                  "error: " + std::string(kFolderNotOpenedMessage) + "\n" + dir.Path().string(),
                  "error: " + std::string(kPageNotOpenedMessage) + "\n" + page,
                  "error: " + std::string(kPageNotOpenedMessage) + "\nhttps://pictorel.org/"}));
}

}  // namespace
}  // namespace pictorel
