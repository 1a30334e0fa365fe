// EditorWindow: the editor window (picture cropping, rotation and adjustment).
// A thin view over EditorModel: pointer and key events go to the crop and
// marker tools or become named edits, and after each one the window shows
// the model's state. The views sit inside panels: the window places the
// model's rectangles by each view's place in its panel, and converts every
// pointer position to the view's pixels once, as the event arrives. It is the
// edited run's editor host: ShowModal loads the picture as the window opens
// and returns how the editing ended.
#pragma once

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <array>
#include <functional>
#include <string>

#include "app/ui/CommonWindow.h"
#include "editor/CropTool.h"
#include "editor/EditorModel.h"
#include "editor/MarkerTool.h"
#include "editor/MosaicTool.h"
#include "editor/ui/BitmapView.h"
#include "editor/ui/FrameShape.h"
#include "workflow/EditedRun.h"

namespace pictorel {

class EditorWindow : public CommonWindow, public IEditorHost {
    Q_OBJECT
  public:
    // The editor never saves its placement and is centred when created.
    EditorWindow(QWidget* parent, const std::string& iniPath, EditorModel& model);
    ~EditorWindow() override;

    EditorModel& Model() { return model_; }
    CropTool& Crop() { return crop_; }
    MarkerTool& MarkerFrameTool() { return marker_; }
    MosaicTool& Mosaic() { return mosaic_; }
    // While set, the work view draws mosaic rectangles instead of the crop
    // frame, and the arrow keys act on the selected rectangle.
    bool MosaicMode() const { return mosaicMode_; }

    // IEditorHost: clears the exit, shows the window modally with `caption`
    // as its title (the picture loads as it opens) and returns how the
    // editing ended.
    EditorExit ShowModal(EditorModel& editor, const std::string& caption) override;

    // Shows the model's state: views, frames, marker, buttons, cursors.
    void ShowModel();

    QLabel* cropHintLabel;
    QLabel* saveHintLabel;
    Panel* workPanel;
    BitmapView* workView;
    FrameShape* cropFrame;
    Panel* resultPanel;
    BitmapView* resultView;
    OutlineShape* resultOutline;
    BitmapView* markerView;
    FrameShape* markerFrame;
    Panel* adjustmentPanel;
    QToolButton* brighterButton;
    QToolButton* darkerButton;
    QToolButton* turnButton;
    QToolButton* sharpenButton;
    QToolButton* resetButton;  // "元に戻す": one edit back
    Panel* toolPanel;
    QToolButton* autoAdjustButton;
    QToolButton* mosaicButton;  // toggles the mosaic mode
    // The mosaic rectangles drawn over the work view.
    QWidget* mosaicOverlay;
    QToolButton* markerLeftButton;
    QToolButton* markerButton;
    QToolButton* markerRightButton;
    QToolButton* straightenButton;  // 垂直補正, down while applied
    // The nine effect buttons, in Effect order: hidden and disabled.
    std::array<QToolButton*, 9> effectButtons{};
    QPushButton* saveButton;
    QToolButton* stopAllButton;  // stop all remaining files
    // Crop-frame key actions (category "範囲選択").
    QAction* moveUpAction;
    QAction* moveDownAction;
    QAction* moveLeftAction;
    QAction* moveRightAction;
    QAction* growAction;          // Shift+Right
    QAction* growDownAction;      // Shift+Down
    QAction* shrinkAction;        // Shift+Up
    QAction* shrinkLeftAction;    // Shift+Left
    QAction* removeMosaicAction;  // Delete, in the mosaic mode

  public slots:
    // "終了" and Esc: skips the picture.
    void CloseWindow() override;

  protected:
    void showEvent(QShowEvent* event) override;
    // The close box: ends with Closed; the window is only hidden.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildViews();
    void BuildButtons();
    void BuildKeyActions();
    QAction* AddKeyAction(const char* name, const QString& caption, const QKeySequence& key,
                          std::function<void()> command);
    // Runs a model or tool command, then shows the new state (also after a
    // failure).
    template <typename Command>
    void Act(Command&& command) {
        try {
            command();
        } catch (...) {
            ShowModel();
            throw;
        }
        ShowModel();
    }
    // Closes the window when the editing has ended.
    void EndWith(EditorExit exit);
    void PaintFrameMarks(FrameShape& sender, QPainter& canvas);
    void PaintMosaics(QPainter& canvas);
    void SetMosaicMode(bool on);

    EditorModel& model_;
    CropTool crop_{model_};
    MarkerTool marker_{model_};
    MosaicTool mosaic_{model_};
    bool mosaicMode_ = false;
};

}  // namespace pictorel
