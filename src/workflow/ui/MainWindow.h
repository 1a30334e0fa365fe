// MainWindow: the main window. The selection screen gathers pictures (drop, open
// dialog, command line); the processing screen names the output folder and
// starts a run. Every decision is MainScreen's; this window shows its state
// and forwards the user's actions.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/CommonWindow.h"
#include "workflow/MainScreen.h"
#include "workflow/ui/DropPanel.h"

namespace pictorel {

class OutputSizesDialog;

// A label that reports clicks (manualLink).
class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class MainWindow : public CommonWindow {
    Q_OBJECT
  public:
    // The open-picture dialog: the chosen files (empty when cancelled),
    // starting in the given folder.
    using OpenPictureDialog = std::function<std::vector<std::string>(const QString& initialFolder)>;

    struct Services {
        SettingsFile& ini;
        std::string iniPath;  // placement file
        IMessageBoxes& boxes;
        IShell& shell;
        std::vector<std::string> arguments;  // command line, without the program
        OpenPictureDialog openPictures;      // empty: the Qt dialog
    };

    explicit MainWindow(Services services);
    ~MainWindow() override;

    // Created after the main window; set before the first run.
    void SetProgress(IProgress* progress);
    void SetBaseFolderDialog(IBaseFolderDialog* dialog);
    // The edited run, driven by the core with the editor window.
    void SetEditedRun(std::function<void(MainScreen&)> run) { editedRun_ = std::move(run); }
    // How the sizes dialog is run: exec() unless set (tests drive it).
    void SetOutputSizesDialogRun(std::function<void(OutputSizesDialog&)> run) {
        editOutputSizes_ = std::move(run);
    }

    MainScreen& Logic() { return *logic_; }
    // Shows the logic's state: screen, title, caption, combo and run buttons.
    void ShowState();

    QPushButton* baseFolderButton;
    DropPanel* selectionPanel;
    QLabel* clickHereLabel;
    QPushButton* choosePicturesButton;
    QLabel* orLabel;
    QLabel* dropIntoLabel;
    QLabel* pictureFilesLabel;
    QLabel* andLabel;
    QLabel* picturesFolderLabel;
    QLabel* dropPleaseLabel;
    DropPanel* dropBox;
    QPushButton* lastFolderButton;
    QGroupBox* folderNameGroup;
    QComboBox* folderNameCombo;
    QLabel* outputSizeLabel;
    QComboBox* outputSizeCombo;
    QPushButton* outputSizesButton;
    QGroupBox* runGroup;
    QPushButton* autoRunButton;
    QPushButton* editedRunButton;
    ClickableLabel* manualLink;
    QLabel* versionLabel;

  public slots:
    void DropFiles(DropPanel* sender);
    void RunAutomatic();
    void RunEdited();
    void ChooseBaseFolder();
    void OpenLastSourceFolder();
    void ChoosePictures();
    void OpenManual();
    // The sizes dialog; its list replaces the user's sizes when it closes.
    void EditOutputSizes();

  protected:
    // While a run has the window disabled, closing it is refused: the run
    // finishes and shows its completion box first.
    void closeEvent(QCloseEvent* event) override;

  private:
    class Links;
    void BuildSelectionScreen();
    void BuildProcessingScreen();
    // Runs an action of the logic (an error goes to the error report) and
    // shows the new state.
    void Act(const std::function<void()>& action);

    std::unique_ptr<Links> links_;
    std::unique_ptr<MainScreen> logic_;
    IMessageBoxes& boxes_;
    IShell& shell_;
    OpenPictureDialog openPictures_;
    std::function<void(MainScreen&)> editedRun_;
    std::function<void(OutputSizesDialog&)> editOutputSizes_;
    SettingsFile& ini_;
};

inline constexpr const char* kManualMissingMessage =
    "使い方の説明（manual.html）が見つかりません。";

// Where the user manual is looked for, in order: the installed copy
// (<prefix>/share/pictorel/manual/ for a program in <prefix>/bin), then the
// copy a build tree keeps beside the program.
QStringList ManualPlaces(const QString& programFolder);
// The first of those places that holds the manual, as an absolute path.
std::optional<QString> FindManual(const QString& programFolder);

}  // namespace pictorel
