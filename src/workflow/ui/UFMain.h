// TFMain: the main window. The selection screen gathers pictures (drop, open
// dialog, command line); the processing screen names the output folder and
// starts a run. Every decision is TMainLogic's; this window shows its state
// and forwards the user's actions.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/UFCommon.h"
#include "workflow/UFMain.h"
#include "workflow/ui/DDPanel.h"

namespace pictorel {

// A label that reports clicks (Label9).
class TClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TFMain : public TFCommon {
    Q_OBJECT
  public:
    // The open-picture dialog: the chosen files (empty when cancelled),
    // starting in the given folder.
    using OpenPictureDialog = std::function<std::vector<std::string>(const QString& initialFolder)>;

    struct Services {
        TIniGT& ini;
        std::string iniPath;  // placement file
        IMessageBoxes& boxes;
        IShell& shell;
        TTrimmingDocument& editor;
        std::vector<std::string> arguments;  // command line, without the program
        OpenPictureDialog openPictures;      // empty: the Qt dialog
    };

    explicit TFMain(Services services);
    ~TFMain() override;

    // Created after the main window; set before the first run.
    void SetProgress(IProgress* progress);
    void SetBaseFolderDialog(IBaseFolderDialog* dialog);
    // The edited run, driven by the core with the editor window.
    void SetEditedRun(std::function<void(TMainLogic&)> run) { editedRun_ = std::move(run); }

    TMainLogic& Logic() { return *logic_; }
    // Shows the logic's state: screen, title, caption, combo and run buttons.
    void ShowState();

    QPushButton* SpeedButton3;
    TDDPanel* PanelFileDrop;
    QLabel* Label7;
    QPushButton* SpeedButton5;
    QLabel* Label8;
    QLabel* Label1;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label3;
    QLabel* Label2;
    TDDPanel* DDPanel1;
    QPushButton* SpeedButton4;
    QGroupBox* GroupBox1;
    QComboBox* EditNewFolder;
    QGroupBox* GroupBox2;
    QPushButton* SpeedButton1;
    QPushButton* SpeedButton2;
    TClickLabel* Label9;
    QLabel* Label6;

  public slots:
    void PanelFileDropFileDrop(TDDPanel* sender);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void Label9Click();

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
    std::unique_ptr<TMainLogic> logic_;
    IShell& shell_;
    OpenPictureDialog openPictures_;
    std::function<void(TMainLogic&)> editedRun_;
    TIniGT& ini_;
};

// The user manual's address: the installed copy, else the one in the source tree.
QString ManualUrl();

}  // namespace pictorel
