#include "editor/ui/EditorWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QShowEvent>

#include "app/ui/EnableChildControls.h"
#include "base/Errors.h"
#include "editor/FrameGeometry.h"
#include "editor/FrameKeys.h"
#include "editor/ToolTexts.h"
#include "editor/ui/Glyphs.h"

namespace pictorel {

namespace {

const QColor kTitleColour(245, 224, 126);
const QColor kDetailGrey(128, 128, 128);  // clGray
const QColor kPanelFrame(64, 64, 64);
const QColor kRed(255, 0, 0);
const QColor kMaroon(128, 0, 0);

// The views' places inside their panels: the work view at (3, 3) in a
// 407 x 407 panel, the result at (2, 2) in a 404 x 404 one.
constexpr int kWorkViewOffset = 3;
constexpr int kResultViewOffset = 2;

// A rectangle in view coordinates placed in its panel.
QRect InPanel(const Rect& r, int offset) {
    return {r.left + offset, r.top + offset, r.Width(), r.Height()};
}

// The one conversion of a pointer position from the control that reports it
// (the view itself, or a frame or marker stacked over it in the same panel)
// to the view's pixels, which the tools and the model work in.
Point InViewPixels(const QWidget& control, int x, int y, int viewOffset) {
    const QPoint inPanel = control.mapToParent(QPoint(x, y));
    return {inPanel.x() - viewOffset, inPanel.y() - viewOffset};
}

Qt::CursorShape CursorFor(FrameCursor cursor) {
    switch (cursor) {
        case FrameCursor::SizeNWSE:
            return Qt::SizeFDiagCursor;
        case FrameCursor::SizeNESW:
            return Qt::SizeBDiagCursor;
        case FrameCursor::Default:
            break;
    }
    return Qt::ArrowCursor;
}

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& caption,
                            const QString& hint, const QRect& at) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setGeometry(at);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return button;
}

// A surface that lets the pointer through to the view under it and paints
// with the given routine.
class PaintedOverlay : public QWidget {
  public:
    PaintedOverlay(QWidget* parent, std::function<void(QPainter&)> paint)
        : QWidget(parent), paint_(std::move(paint)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paint_(painter);
    }

  private:
    std::function<void(QPainter&)> paint_;
};

QLabel* MakeCaption(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->adjustSize();
    label->setGeometry(x, y, label->width(), 15);
    return label;
}

}  // namespace

EditorWindow::EditorWindow(QWidget* parent, const std::string& iniPath, EditorModel& model)
    : CommonWindow(parent, Options{QStringLiteral("FTrimming"), QSize(867, 561), iniPath, false}),
      model_(model) {
    SetTitle(QStringLiteral("画像調整"));
    SetTitleColor(kTitleColour);
    contentPanel->SetColor(kDetailGrey);
    closeAction->setText(QStringLiteral("終了"));
    closeAction->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(closeAction);

    BuildViews();
    BuildButtons();
    BuildKeyActions();
    ShowModel();
    FinishCreation();
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::BuildViews() {
    cropHintLabel =
        MakeCaption(contentPanel, "cropHintLabel",
                    QStringLiteral("こちら側で切り抜く範囲をマウスで指定します"), 68, 11);
    saveHintLabel = MakeCaption(contentPanel, "saveHintLabel",
                                QStringLiteral("こちら側の画像が保存されます"), 560, 11);

    // Work view with the crop frame over it.
    workPanel = new Panel(contentPanel, QStringLiteral("workPanel"));
    workPanel->setGeometry(8, 29, 407, 407);
    workPanel->SetColor(kPanelFrame);
    workView = new BitmapView(workPanel, QStringLiteral("workView"),
                              [this]() -> const Bitmap* { return &model_.WorkView(); });
    workView->setGeometry(kWorkViewOffset, kWorkViewOffset, kViewSide, kViewSide);
    workView->setToolTip(QStringLiteral("切り取り範囲をマウスで指定(クリックで範囲指定を解除)"));
    // In the mosaic mode the work view's pointer draws and drags mosaic
    // rectangles instead of the crop frame.
    workView->OnMouseDown = [this](int x, int y) {
        const Point at = InViewPixels(*workView, x, y, kWorkViewOffset);
        Act([&] { mosaicMode_ ? mosaic_.BeginDrag(at) : crop_.BeginDraw(at); });
    };
    workView->OnMouseMove = [this](int x, int y) {
        const Point at = InViewPixels(*workView, x, y, kWorkViewOffset);
        Act([&] { mosaicMode_ ? mosaic_.DragTo(at) : crop_.DrawTo(at); });
    };
    workView->OnMouseUp = [this](int, int) {
        Act([&] { mosaicMode_ ? mosaic_.EndDrag() : crop_.EndDraw(); });
    };
    mosaicOverlay = new PaintedOverlay(workPanel, [this](QPainter& p) { PaintMosaics(p); });
    mosaicOverlay->setObjectName(QStringLiteral("mosaicOverlay"));
    mosaicOverlay->setGeometry(kWorkViewOffset, kWorkViewOffset, kViewSide, kViewSide);

    cropFrame = new FrameShape(workPanel, QStringLiteral("cropFrame"));
    cropFrame->SetPen(kRed, 1);
    cropFrame->setToolTip(QStringLiteral("切り取り位置を移動(ドラッグもしくはカーソルキー)"));
    cropFrame->OnPaint = [this](FrameShape& s, QPainter& c) { PaintFrameMarks(s, c); };
    cropFrame->OnMouseDown = [this](int x, int y) {
        Act([&] { crop_.BeginDrag(InViewPixels(*cropFrame, x, y, kWorkViewOffset)); });
    };
    cropFrame->OnMouseMove = [this](int x, int y) {
        Act([&] { crop_.DragTo(InViewPixels(*cropFrame, x, y, kWorkViewOffset)); });
    };
    cropFrame->OnMouseUp = [this](int, int) { Act([&] { crop_.EndDrag(); }); };

    // Result view, its red outline, the direction marker and the marker's frame,
    // stacked in that order.
    resultPanel = new Panel(contentPanel, QStringLiteral("resultPanel"));
    resultPanel->setGeometry(456, 29, 404, 404);
    resultPanel->SetColor(kDetailGrey);
    resultView = new BitmapView(
        resultPanel, QStringLiteral("resultView"),
        [this]() -> const Bitmap* { return model_.Result() ? &*model_.Result() : nullptr; });
    resultView->setGeometry(kResultViewOffset, kResultViewOffset, kViewSide, kViewSide);

    resultOutline = new OutlineShape(resultPanel, QStringLiteral("resultOutline"));
    resultOutline->SetPen(kRed, 2);
    resultOutline->setGeometry(0, 0, 404, 404);
    resultOutline->OnMouseMove = [this](int, int) { Act([&] { marker_.PointerOverResult(); }); };

    markerView = new BitmapView(resultPanel, QStringLiteral("markerView"),
                                [this]() -> const Bitmap* { return &model_.MarkerPicture(); });
    markerView->setMouseTracking(true);
    markerView->OnMouseMove = [this](int, int) { Act([&] { marker_.PointerOverMarker(); }); };

    markerFrame = new FrameShape(resultPanel, QStringLiteral("markerFrame"));
    markerFrame->SetPen(kRed, 1);
    markerFrame->setToolTip(QStringLiteral("方角表示を移動"));
    markerFrame->OnPaint = [this](FrameShape& s, QPainter& c) { PaintFrameMarks(s, c); };
    markerFrame->OnMouseDown = [this](int x, int y) {
        Act([&] { marker_.BeginDrag(InViewPixels(*markerFrame, x, y, kResultViewOffset)); });
    };
    markerFrame->OnMouseMove = [this](int x, int y) {
        Act([&] { marker_.DragTo(InViewPixels(*markerFrame, x, y, kResultViewOffset)); });
    };
    markerFrame->OnMouseUp = [this](int, int) { Act([&] { marker_.EndDrag(); }); };
}

void EditorWindow::BuildButtons() {
    // Adjustment buttons; enabled together while a picture is shown.
    adjustmentPanel = new Panel(contentPanel, QStringLiteral("adjustmentPanel"));
    adjustmentPanel->setGeometry(587, 433, 268, 29);
    adjustmentPanel->SetColor(kDetailGrey);
    brighterButton = MakeToolButton(adjustmentPanel, "brighterButton", QStringLiteral(" 明るさ"),
                                    QStringLiteral("明るく"), {4, 4, 60, 22});
    brighterButton->setIcon(Glyph(GlyphKind::Brighter));
    darkerButton = MakeToolButton(adjustmentPanel, "darkerButton", {}, QStringLiteral("暗く"),
                                  {64, 4, 23, 22});
    darkerButton->setIcon(Glyph(GlyphKind::Darker));
    turnButton = MakeToolButton(adjustmentPanel, "turnButton", QStringLiteral("回転"),
                                QStringLiteral("右に90°回転"), {94, 4, 60, 22});
    turnButton->setIcon(Glyph(GlyphKind::TurnRight));
    sharpenButton = MakeToolButton(adjustmentPanel, "sharpenButton", QStringLiteral("シャープ"),
                                   QStringLiteral("シャープに"), {160, 4, 75, 22});
    sharpenButton->setIcon(Glyph(GlyphKind::Sharpen));
    resetButton = MakeToolButton(adjustmentPanel, "resetButton", {}, QStringLiteral("元に戻す"),
                                 {241, 4, 23, 22});
    resetButton->setIcon(Glyph(GlyphKind::Undo));
    connect(brighterButton, &QToolButton::clicked, this,
            [this] { Act([&] { model_.Brighten(); }); });
    connect(darkerButton, &QToolButton::clicked, this, [this] { Act([&] { model_.Darken(); }); });
    connect(turnButton, &QToolButton::clicked, this,
            [this] { Act([&] { model_.TurnClockwise(); }); });
    connect(sharpenButton, &QToolButton::clicked, this, [this] { Act([&] { model_.Sharpen(); }); });
    connect(resetButton, &QToolButton::clicked, this, [this] { Act([&] { model_.Undo(); }); });

    // The automatic correction, the mosaic mode and the straightening,
    // under the work view.
    toolPanel = new Panel(contentPanel, QStringLiteral("toolPanel"));
    toolPanel->setGeometry(8, 437, 284, 29);
    toolPanel->SetColor(kDetailGrey);
    autoAdjustButton =
        MakeToolButton(toolPanel, "autoAdjustButton", QString::fromUtf8(AutoAdjustCaption()),
                       QString::fromUtf8(AutoAdjustHint()), {4, 4, 88, 22});
    autoAdjustButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    mosaicButton = MakeToolButton(toolPanel, "mosaicButton", QString::fromUtf8(MosaicCaption()),
                                  QString::fromUtf8(MosaicHint()), {98, 4, 88, 22});
    mosaicButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    mosaicButton->setCheckable(true);
    connect(autoAdjustButton, &QToolButton::clicked, this,
            [this] { Act([&] { model_.AutoAdjust(); }); });
    connect(mosaicButton, &QToolButton::clicked, this,
            [this](bool on) { Act([&] { SetMosaicMode(on); }); });

    // 垂直補正 beside them: pressed, it shows the straightened picture and
    // stays down; pressed again, the picture before.
    straightenButton =
        MakeToolButton(toolPanel, "straightenButton", QString::fromUtf8(StraightenCaption()),
                       QString::fromUtf8(StraightenHint()), {192, 4, 88, 22});
    straightenButton->setCheckable(true);
    straightenButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(straightenButton, &QToolButton::clicked, this,
            [this] { Act([&] { model_.Straighten(); }); });

    // Direction marker: the toggle between the two turn buttons.
    markerLeftButton = MakeToolButton(contentPanel, "markerLeftButton", {},
                                      QStringLiteral("左に回転"), {469, 437, 23, 22});
    markerLeftButton->setIcon(Glyph(GlyphKind::TurnLeft));
    markerButton = MakeToolButton(contentPanel, "markerButton", {}, {}, {492, 437, 69, 22});
    markerButton->setCheckable(true);
    markerButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    markerRightButton = MakeToolButton(contentPanel, "markerRightButton", {},
                                       QStringLiteral("右に回転"), {561, 437, 23, 22});
    markerRightButton->setIcon(Glyph(GlyphKind::TurnRight));
    connect(markerButton, &QToolButton::clicked, this,
            [this](bool down) { Act([&] { model_.ShowMarker(down); }); });
    connect(markerLeftButton, &QToolButton::clicked, this,
            [this] { Act([&] { model_.TurnMarkerLeft(); }); });
    connect(markerRightButton, &QToolButton::clicked, this,
            [this] { Act([&] { model_.TurnMarkerRight(); }); });

    // The nine effect buttons exist but stay hidden and disabled. Three
    // would sit under the work view, six as small squares between the views.
    struct EffectButton {
        const char* name;
        const char* caption;
        const char* hint;
        QRect at;
        Effect effect;
    };
    const EffectButton effects[9] = {
        {"sketchButton", "", "スケッチ風", {431, 60, 9, 9}, Effect::Sketch},
        {"grayscaleButton", "モノクロ", "グレースケール", {214, 439, 89, 20}, Effect::Grayscale},
        {"spotlightButton",
         "スポットライト",
         "スポットライト",
         {302, 439, 89, 20},
         Effect::Spotlight},
        {"colorSpotlightButton",
         "",
         "カラースポットライト",
         {431, 74, 9, 9},
         Effect::ColorSpotlight},
        {"blurEdgesButton", "周辺をぼかす", "周辺をぼかす", {126, 439, 89, 20}, Effect::BlurEdges},
        {"tileButton", "", "タイル", {431, 88, 9, 9}, Effect::Tile},
        {"embossButton", "", "エンボス", {431, 102, 9, 9}, Effect::Emboss},
        {"oilPaintButton", "", "油絵風", {431, 116, 9, 9}, Effect::OilPaint},
        {"gridButton", "", "格子状", {431, 130, 9, 9}, Effect::Grid},
    };
    for (std::size_t i = 0; i < effectButtons.size(); ++i) {
        const EffectButton& e = effects[i];
        QToolButton* button = MakeToolButton(contentPanel, e.name, QString::fromUtf8(e.caption),
                                             QString::fromUtf8(e.hint), e.at);
        button->setVisible(false);
        button->setEnabled(false);
        const Effect effect = e.effect;
        connect(button, &QToolButton::clicked, this,
                [this, effect] { Act([this, effect] { model_.ApplyEffect(effect); }); });
        effectButtons[i] = button;
    }

    // Buttons that end the editing of one picture.
    saveButton = new QPushButton(QStringLiteral("保存"), bottomPanel);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    saveButton->setGeometry(382, 10, 104, 25);
    saveButton->setDefault(true);
    SetRole(saveButton, NavigationRole::ConfirmButton);
    connect(saveButton, &QPushButton::clicked, this,
            [this] { Act([&] { EndWith(model_.Save()); }); });
    stopAllButton =
        MakeToolButton(bottomPanel, "stopAllButton", QStringLiteral("残りの全ての画像処理を中止"),
                       {}, {600, 10, 190, 25});
    stopAllButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(stopAllButton, &QToolButton::clicked, this,
            [this] { Act([&] { EndWith(model_.StopAll()); }); });
}

QAction* EditorWindow::AddKeyAction(const char* name, const QString& caption,
                                    const QKeySequence& key, std::function<void()> command) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setProperty("Category", QStringLiteral("範囲選択"));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setAutoRepeat(true);
    connect(action, &QAction::triggered, this,
            [this, command = std::move(command)] { Act(command); });
    addAction(action);
    return action;
}

void EditorWindow::BuildKeyActions() {
    // They fire on key-down and repeat with the keyboard; the re-rendering
    // waits for the key release (eventFilter).
    const auto key = [this](FrameKey k) {
        return [this, k] { ApplyFrameKey(k, mosaicMode_, crop_, mosaic_); };
    };
    moveUpAction = AddKeyAction("moveUpAction", QStringLiteral("Up"), QKeySequence(Qt::Key_Up),
                                key(FrameKey::Up));
    moveDownAction = AddKeyAction("moveDownAction", QStringLiteral("Down"),
                                  QKeySequence(Qt::Key_Down), key(FrameKey::Down));
    moveLeftAction = AddKeyAction("moveLeftAction", QStringLiteral("Left"),
                                  QKeySequence(Qt::Key_Left), key(FrameKey::Left));
    moveRightAction = AddKeyAction("moveRightAction", QStringLiteral("Right"),
                                   QKeySequence(Qt::Key_Right), key(FrameKey::Right));
    growAction = AddKeyAction("growAction", QStringLiteral("拡大1"),
                              QKeySequence(Qt::SHIFT | Qt::Key_Right), key(FrameKey::GrowRight));
    growDownAction = AddKeyAction("growDownAction", QStringLiteral("拡大2"),
                                  QKeySequence(Qt::SHIFT | Qt::Key_Down), key(FrameKey::GrowDown));
    shrinkAction = AddKeyAction("shrinkAction", QStringLiteral("縮小1"),
                                QKeySequence(Qt::SHIFT | Qt::Key_Up), key(FrameKey::ShrinkUp));
    shrinkLeftAction =
        AddKeyAction("shrinkLeftAction", QStringLiteral("縮小2"),
                     QKeySequence(Qt::SHIFT | Qt::Key_Left), key(FrameKey::ShrinkLeft));
    removeMosaicAction = AddKeyAction("removeMosaicAction", QStringLiteral("Delete"),
                                      QKeySequence(Qt::Key_Delete), key(FrameKey::Delete));
}

void EditorWindow::EndWith(EditorExit exit) {
    if (exit != EditorExit::None) done(static_cast<int>(exit));
}

void EditorWindow::ShowModel() {
    const EditorModel& m = model_;
    workView->setVisible(m.WorkViewShown());
    workView->update();
    resultView->setVisible(m.ResultShown());
    resultView->update();

    const QRect crop = InPanel(m.Crop().Area(), kWorkViewOffset);
    if (cropFrame->geometry() != crop) cropFrame->setGeometry(crop);
    cropFrame->setVisible(m.Crop().Shown());
    cropFrame->setCursor(CursorFor(crop_.Cursor()));

    const QRect marker = InPanel(m.Marker(), kResultViewOffset);
    if (markerView->geometry() != marker) markerView->setGeometry(marker);
    markerView->SetTransparentColor(m.MarkerTransparentColor());
    markerView->setVisible(m.MarkerShown());
    const QRect markerDrag = InPanel(marker_.Frame(), kResultViewOffset);
    if (markerFrame->geometry() != markerDrag) markerFrame->setGeometry(markerDrag);
    markerFrame->setVisible(marker_.FrameShown());
    markerFrame->setCursor(CursorFor(marker_.Cursor()));

    // The toggle reads "方角を消去" in maroon while the marker is shown.
    markerButton->setChecked(m.MarkerShown());
    markerButton->setText(m.MarkerShown() ? QStringLiteral("方角を消去")
                                          : QStringLiteral("方角を表示"));
    QPalette p = markerButton->palette();
    p.setColor(QPalette::ButtonText,
               m.MarkerShown() ? kMaroon
                               : QApplication::palette(markerButton).color(QPalette::ButtonText));
    markerButton->setPalette(p);
    markerLeftButton->setVisible(m.MarkerShown());
    markerRightButton->setVisible(m.MarkerShown());

    mosaicOverlay->update();
    mosaicButton->setChecked(mosaicMode_);
    // The crop frame lets the pointer through to the view in the mosaic mode.
    cropFrame->setAttribute(Qt::WA_TransparentForMouseEvents, mosaicMode_);
    if (mosaicMode_) workView->setCursor(CursorFor(mosaic_.Cursor()));

    saveButton->setEnabled(m.CanSave());
    straightenButton->setChecked(m.Straightened());
    if (adjustmentPanel->isEnabled() != m.AdjustmentsEnabled())
        EnableChildControls(adjustmentPanel, m.AdjustmentsEnabled());
    if (toolPanel->isEnabled() != m.AdjustmentsEnabled())
        EnableChildControls(toolPanel, m.AdjustmentsEnabled());
}

void EditorWindow::PaintFrameMarks(FrameShape& sender, QPainter& canvas) {
    const FrameMarks marks = FramePaintMarks(sender.width(), sender.height());
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setPen(QPen(sender.PenColor(), 1));
    for (const FrameLine& line : marks.cross) {
        // A line-to leaves out its end point.
        const int dx = line.to.x > line.from.x ? 1 : (line.to.x < line.from.x ? -1 : 0);
        const int dy = line.to.y > line.from.y ? 1 : (line.to.y < line.from.y ? -1 : 0);
        canvas.drawLine(line.from.x, line.from.y, line.to.x - dx, line.to.y - dy);
    }
    for (const Rect& r : marks.handles)
        canvas.fillRect(QRect(r.left, r.top, r.Width(), r.Height()), kRed);
}

void EditorWindow::SetMosaicMode(bool on) {
    if (on == mosaicMode_) return;
    // A drag or key change of the tool left behind is dropped with the mode.
    crop_.Reset();
    mosaic_.Reset();
    mosaicMode_ = on;
    if (!on) workView->setCursor(Qt::ArrowCursor);
}

void EditorWindow::PaintMosaics(QPainter& canvas) {
    // Yellow outlines over the work view, apart from the crop frame's red;
    // the selected rectangle (or the one being drawn, dragged or keyed, in
    // its place) twice as thick. The blocks themselves show in the result.
    const std::vector<Rect>& rects = model_.Mosaics();
    // The selected index, or past the end when there is none.
    const std::size_t selected =
        mosaicMode_ ? mosaic_.Selected().value_or(rects.size()) : rects.size();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setBrush(Qt::NoBrush);
    const auto outline = [&](const Rect& r, int width) {
        canvas.setPen(QPen(kTitleColour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const int inset = width / 2;
        canvas.drawRect(
            QRect(r.left, r.top, r.Width(), r.Height())
                .adjusted(inset, inset, -1 - inset + (width > 1), -1 - inset + (width > 1)));
    };
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (selected != i) outline(rects[i], 1);
    if (const auto& pending = mosaic_.Pending())
        outline(*pending, 2);
    else if (selected < rects.size())
        outline(rects[selected], 2);
}

EditorExit EditorWindow::ShowModal(EditorModel& editor, const std::string& caption) {
    // The window shows the model it was built with.
    if (&editor != &model_) throw AssertionFailure("the editor window was given another model");
    model_.ResumeEditing();
    setWindowTitle(QString::fromStdString(caption));
    switch (static_cast<EditorExit>(exec())) {
        case EditorExit::Save:
            return EditorExit::Save;
        case EditorExit::StopAll:
            return EditorExit::StopAll;
        case EditorExit::Closed:
            return EditorExit::Closed;
        case EditorExit::Skip:
        case EditorExit::None:
            break;
    }
    // Any other way the dialog closed skips the picture.
    return EditorExit::Skip;
}

void EditorWindow::showEvent(QShowEvent* event) {
    CommonWindow::showEvent(event);
    if (event->spontaneous()) return;
    // The picture loads each time the window opens; the tools drop what a
    // previous picture left half done.
    Act([&] {
        crop_.Reset();
        marker_.Reset();
        mosaic_.Reset();
        model_.Load();
    });
    if (saveButton->isEnabled()) saveButton->setFocus();
}

void EditorWindow::CloseWindow() {
    Act([&] { EndWith(model_.Skip()); });
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; the close box ends with its own result.
    Act([&] { EndWith(model_.CloseWindow()); });
    event->accept();
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        QWidget* focused = QApplication::focusWidget();
        // The first delivery only, and no releases of the keyboard's auto-repeat:
        // a held key re-renders once, when it is let go.
        if (widget->window() == this && (focused == nullptr || widget == focused) &&
            !key->isAutoRepeat()) {
            Act([&] {
                crop_.KeysReleased();
                mosaic_.KeysReleased();
            });
        }
    }
    return CommonWindow::eventFilter(watched, event);
}

}  // namespace pictorel
