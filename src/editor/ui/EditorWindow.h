// EditorWindow: the editor window (picture cropping, rotation and adjustment).
// A thin view over EditorModel: mouse and key events become document
// calls, and after each one the window shows the document's state. It is the
// edited run's editor host: ShowModal runs the load step as the window opens
// and returns the window's result (1 save, 3 stop all, -1 / 2 skip).
#pragma once

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <array>
#include <functional>
#include <string>

#include "app/ui/CommonWindow.h"
#include "editor/EditorModel.h"
#include "editor/ui/BitmapView.h"
#include "editor/ui/FrameShape.h"
#include "workflow/EditedRun.h"

namespace pictorel {

class EditorWindow : public CommonWindow, public IEditorHost {
    Q_OBJECT
  public:
    // The editor never saves its placement and is centred when created.
    EditorWindow(QWidget* parent, const std::string& iniPath, EditorModel& document);
    ~EditorWindow() override;

    EditorModel& Document() { return document_; }

    // IEditorHost: clears the result, shows the window modally (the load step
    // runs as it opens) and returns its modal result.
    int ShowModal(EditorModel& editor) override;

    // Shows the document's state: views, frames, marker, buttons, cursors.
    void ShowDocument();

    QLabel* Label1;
    QLabel* Label2;
    Panel* Panel1;
    BitmapView* Image1;
    FrameShape* Shape1;
    Panel* Panel2;
    BitmapView* Image2;
    OutlineShape* Shape2;
    BitmapView* ImageDirection;
    FrameShape* ShapeDirection;
    Panel* Panel8;
    QToolButton* SpeedButton2;  // brighter
    QToolButton* SpeedButton3;  // darker
    QToolButton* SpeedButton6;  // rotate
    QToolButton* SpeedButton7;  // sharpen
    QToolButton* SpeedButton4;  // undo
    QToolButton* SBtnLeftTurn;
    QToolButton* SBtnDirection;
    QToolButton* SBtnRightTurn;
    // The nine effect buttons, SpeedButton8 .. SpeedButton16: hidden and disabled.
    std::array<QToolButton*, 9> EffectButtons{};
    QPushButton* BitBtnOK;
    QToolButton* SpeedButton1;  // stop all remaining files
    // Crop-frame key actions (category "範囲選択").
    QAction* Up;
    QAction* Down;
    QAction* Left;
    QAction* Right;
    QAction* Big1;
    QAction* Big2;
    QAction* Small1;
    QAction* Small2;

  public slots:
    // "終了" and Esc: result -1.
    void CloseWindow() override;

  protected:
    void showEvent(QShowEvent* event) override;
    // The close box: result 2; the window is only hidden.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildViews();
    void BuildButtons();
    void BuildKeyActions();
    QAction* AddKeyAction(const char* name, const QString& caption, const QKeySequence& key,
                          std::function<void()> command);
    // Runs a document command, then shows the new state (also after a failure).
    template <typename Command>
    void Act(Command&& command) {
        try {
            command();
        } catch (...) {
            ShowDocument();
            throw;
        }
        ShowDocument();
    }
    // Closes the window with the document's result when it has one.
    void EndWithResult(int result);
    void Shape1Paint(FrameShape& sender, QPainter& canvas);

    EditorModel& document_;
};

}  // namespace pictorel
