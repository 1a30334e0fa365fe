// A main window logic wired to scripted fakes that share one call log.
#pragma once

#include <filesystem>
#include <string>

#include "app/SettingsFile.h"
#include "editor/EditorModel.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"
#include "workflow/FolderDialogs.h"
#include "workflow/MainScreen.h"

namespace pictorel::test {

class FakeBaseFolderDialog : public IBaseFolderDialog {
  public:
    explicit FakeBaseFolderDialog(std::shared_ptr<CallLog> log) : calls(std::move(log)) {}
    void ShowBaseFolderDialog() override { calls->push_back("base-folder-dialog"); }
    std::shared_ptr<CallLog> calls;
};

class FakeFolderBrowser : public IFolderBrowser {
  public:
    explicit FakeFolderBrowser(std::shared_ptr<CallLog> log) : calls(std::move(log)) {}
    std::string SelectFolder(const std::string& initial) override {
        calls->push_back("select-folder: " + initial);
        return answer;
    }
    std::string answer;
    std::shared_ptr<CallLog> calls;
};

struct WorkflowFixture {
    TempDir dir;
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
    FakeMessageBoxes boxes{log};
    FakeProgress progress{log};
    FakeShell shell{log};
    FakeBaseFolderDialog baseDialog{log};
    SettingsFile ini{(dir.Path() / "pictorel").string()};
    EditorModel editor{boxes};
    MainScreen main{ini, boxes, progress, shell, baseDialog};

    WorkflowFixture() { ini.SetFileName((dir.Path() / "Pictorel.ini").string()); }

    // A folder under the temporary folder, created with its parents.
    std::string Folder(const std::string& name) const {
        std::filesystem::create_directories(dir.Path() / name);
        return (dir.Path() / name).string();
    }
    std::string Path(const std::string& name) const { return (dir.Path() / name).string(); }
    void SetBase(const std::string& base) { ini.WriteString("Path", "RootPath", base); }
};

}  // namespace pictorel::test
