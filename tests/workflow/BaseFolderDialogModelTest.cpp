// The base-folder dialog's logic.
#include <gtest/gtest.h>

#include "WorkflowFixture.h"
#include "workflow/BaseFolderDialogModel.h"
#include "workflow/FileUtils.h"

namespace pictorel::test {
namespace {

struct SelectRootPath : ::testing::Test, WorkflowFixture {
    FakeFolderBrowser browser{log};
    BaseFolderDialogModel dialog{ini, boxes, browser};
};

TEST_F(SelectRootPath, FirstShowStoresTheDefaultAtOnce) {
    EXPECT_EQ(dialog.DefaultRootPath, SpecialFolderPath(kMyPicturesFolder) + "Estavel/");
    dialog.FormShow();
    EXPECT_EQ(dialog.EditRootPath, dialog.DefaultRootPath);
    EXPECT_EQ(ini.ReadString("Path", "RootPath", ""), NormalizeFolderPath(dialog.DefaultRootPath));
}

TEST_F(SelectRootPath, OkStoresTheTrimmedPathWithASlash) {
    const std::string photos = Folder("Photos");
    dialog.FormShow();
    dialog.EditRootPath = "  " + photos + " ";
    EXPECT_EQ(dialog.BitBtnOKClick(), 1);
    EXPECT_EQ(dialog.EditRootPath, photos);
    EXPECT_EQ(ini.ReadString("Path", "RootPath", ""), NormalizeFolderPath(photos));
    EXPECT_EQ(ini.ReadString("Path", "RootPath", "").back(), '/');
    EXPECT_TRUE(log->empty());
}

TEST_F(SelectRootPath, BlankPathKeepsTheDialogOpen) {
    ini.WriteString("Path", "RootPath", "/kept/");
    dialog.FormShow();
    dialog.EditRootPath = "   ";
    EXPECT_EQ(dialog.BitBtnOKClick(), 0);
    EXPECT_EQ(*log, (CallLog{"error: 基準パスを指定して下さい"}));
    EXPECT_EQ(ini.ReadString("Path", "RootPath", ""), "/kept/");
}

TEST_F(SelectRootPath, CloseStoresNothingAndTheNextShowRereads) {
    ini.WriteString("Path", "RootPath", "/kept/");
    dialog.FormShow();
    dialog.EditRootPath = "/typed/";
    EXPECT_EQ(dialog.CloseFormExecute(), 2);
    dialog.FormShow();
    EXPECT_EQ(dialog.EditRootPath, "/kept/");
}

TEST_F(SelectRootPath, BrowseCancelKeepsTheTextAndAChoiceReplacesIt) {
    ini.WriteString("Path", "RootPath", "/kept/");
    dialog.FormShow();
    dialog.SpeedButton17Click();
    EXPECT_EQ(dialog.EditRootPath, "/kept/");
    browser.answer = Folder("chosen");
    dialog.SpeedButton17Click();
    EXPECT_EQ(dialog.EditRootPath, NormalizeFolderPath(browser.answer));
    EXPECT_EQ(*log, (CallLog{"select-folder: /kept/", "select-folder: /kept/"}));
}

}  // namespace
}  // namespace pictorel::test
