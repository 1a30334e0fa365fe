// The base-folder dialog's logic.
#include <gtest/gtest.h>

#include "WorkflowFixture.h"
#include "workflow/BaseFolderDialogModel.h"
#include "workflow/FileUtils.h"

namespace pictorel::test {
namespace {

struct BaseFolderDialog : ::testing::Test, WorkflowFixture {
    FakeFolderBrowser browser{log};
    BaseFolderDialogModel dialog{ini, boxes, browser};
};

TEST_F(BaseFolderDialog, FirstShowStoresTheDefaultAtOnce) {
    EXPECT_EQ(dialog.DefaultRootPath, UserPicturesFolder() + "Estavel/");
    dialog.Load();
    EXPECT_EQ(dialog.FolderText, dialog.DefaultRootPath);
    EXPECT_EQ(ini.ReadString("Path", "RootPath", ""), NormalizeFolderPath(dialog.DefaultRootPath));
}

TEST_F(BaseFolderDialog, OkStoresTheTrimmedPathWithASlash) {
    const std::string photos = Folder("Photos");
    dialog.Load();
    dialog.FolderText = "  " + photos + " ";
    EXPECT_EQ(dialog.Confirm(), 1);
    EXPECT_EQ(dialog.FolderText, photos);
    EXPECT_EQ(ini.ReadString("Path", "RootPath", ""), NormalizeFolderPath(photos));
    EXPECT_EQ(ini.ReadString("Path", "RootPath", "").back(), '/');
    EXPECT_TRUE(log->empty());
}

TEST_F(BaseFolderDialog, BlankPathKeepsTheDialogOpen) {
    ini.WriteString("Path", "RootPath", "/kept/");
    dialog.Load();
    dialog.FolderText = "   ";
    EXPECT_EQ(dialog.Confirm(), 0);
    EXPECT_EQ(*log, (CallLog{"error: 基準パスを指定して下さい"}));
    EXPECT_EQ(ini.ReadString("Path", "RootPath", ""), "/kept/");
}

TEST_F(BaseFolderDialog, CloseStoresNothingAndTheNextShowRereads) {
    ini.WriteString("Path", "RootPath", "/kept/");
    dialog.Load();
    dialog.FolderText = "/typed/";
    EXPECT_EQ(dialog.CloseResult(), 2);
    dialog.Load();
    EXPECT_EQ(dialog.FolderText, "/kept/");
}

TEST_F(BaseFolderDialog, BrowseCancelKeepsTheTextAndAChoiceReplacesIt) {
    ini.WriteString("Path", "RootPath", "/kept/");
    dialog.Load();
    dialog.Browse();
    EXPECT_EQ(dialog.FolderText, "/kept/");
    browser.answer = Folder("chosen");
    dialog.Browse();
    EXPECT_EQ(dialog.FolderText, NormalizeFolderPath(browser.answer));
    EXPECT_EQ(*log, (CallLog{"select-folder: /kept/", "select-folder: /kept/"}));
}

}  // namespace
}  // namespace pictorel::test
