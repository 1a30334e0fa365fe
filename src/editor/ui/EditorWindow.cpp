#include "editor/ui/EditorWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QShowEvent>

#include "app/ui/EnableChildControls.h"
#include "base/Errors.h"
#include "editor/FrameGeometry.h"
#include "editor/ui/Glyphs.h"

namespace pictorel {

namespace {

const QColor kTitleColour(245, 224, 126);
const QColor kDetailGrey(128, 128, 128);  // clGray
const QColor kPanelFrame(64, 64, 64);
const QColor kRed(255, 0, 0);

QRect ToRect(const Bounds& b) {
    return {b.left, b.top, b.width, b.height};
}

Qt::CursorShape CursorFor(EditorModel::Cursor cursor) {
    switch (cursor) {
        case EditorModel::Cursor::SizeNWSE:
            return Qt::SizeFDiagCursor;
        case EditorModel::Cursor::SizeNESW:
            return Qt::SizeBDiagCursor;
        case EditorModel::Cursor::Default:
            break;
    }
    return Qt::ArrowCursor;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& caption,
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

EditorWindow::EditorWindow(QWidget* parent, const std::string& iniPath, EditorModel& document)
    : CommonWindow(parent, Options{QStringLiteral("FTrimming"), QSize(867, 561), iniPath, false}),
      document_(document) {
    SetTitle(QStringLiteral("画像調整"));
    SetTitleColor(kTitleColour);
    contentPanel->SetColor(kDetailGrey);
    closeAction->setText(QStringLiteral("終了"));
    closeAction->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(closeAction);

    BuildViews();
    BuildButtons();
    BuildKeyActions();
    ShowDocument();
    FinishCreation();
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::BuildViews() {
    Label1 = MakeCaption(contentPanel, "Label1",
                         QStringLiteral("こちら側で切り抜く範囲をマウスで指定します"), 68, 11);
    Label2 = MakeCaption(contentPanel, "Label2", QStringLiteral("こちら側の画像が保存されます"),
                         560, 11);

    // Work view with the crop frame over it.
    Panel1 = new Panel(contentPanel, QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 29, 407, 407);
    Panel1->SetColor(kPanelFrame);
    Image1 = new BitmapView(Panel1, QStringLiteral("Image1"),
                            [this]() -> const Bitmap* { return &document_.Image1; });
    Image1->setGeometry(kViewOffset, kViewOffset, kViewSide, kViewSide);
    Image1->setToolTip(QStringLiteral("切り取り範囲をマウスで指定(クリックで範囲指定を解除)"));
    Image1->OnMouseDown = [this](int x, int y) { Act([&] { document_.Image1MouseDown(x, y); }); };
    Image1->OnMouseMove = [this](int x, int y) { Act([&] { document_.Image1MouseMove(x, y); }); };
    Image1->OnMouseUp = [this](int x, int y) { Act([&] { document_.Image1MouseUp(x, y); }); };

    Shape1 = new FrameShape(Panel1, QStringLiteral("Shape1"));
    Shape1->SetPen(kRed, 1);
    Shape1->setToolTip(QStringLiteral("切り取り位置を移動(ドラッグもしくはカーソルキー)"));
    Shape1->OnPaint = [this](FrameShape& s, QPainter& c) { Shape1Paint(s, c); };
    Shape1->OnMouseDown = [this](int x, int y) { Act([&] { document_.Shape1MouseDown(x, y); }); };
    Shape1->OnMouseMove = [this](int x, int y) { Act([&] { document_.Shape1MouseMove(x, y); }); };
    Shape1->OnMouseUp = [this](int x, int y) { Act([&] { document_.Shape1MouseUp(x, y); }); };

    // Result view, its red outline, the direction marker and the marker's frame,
    // stacked in that order.
    Panel2 = new Panel(contentPanel, QStringLiteral("Panel2"));
    Panel2->setGeometry(456, 29, 404, 404);
    Panel2->SetColor(kDetailGrey);
    Image2 = new BitmapView(Panel2, QStringLiteral("Image2"), [this]() -> const Bitmap* {
        return document_.Image2 ? &*document_.Image2 : nullptr;
    });
    Image2->setGeometry(2, 2, kViewSide, kViewSide);

    Shape2 = new OutlineShape(Panel2, QStringLiteral("Shape2"));
    Shape2->SetPen(kRed, 2);
    Shape2->setGeometry(0, 0, 404, 404);
    Shape2->OnMouseMove = [this](int, int) { Act([&] { document_.Shape2MouseMove(); }); };

    ImageDirection =
        new BitmapView(Panel2, QStringLiteral("ImageDirection"),
                       [this]() -> const Bitmap* { return &document_.ImageDirectionPicture; });
    ImageDirection->setMouseTracking(true);
    ImageDirection->OnMouseMove = [this](int, int) {
        Act([&] { document_.ImageDirectionMouseMove(); });
    };

    ShapeDirection = new FrameShape(Panel2, QStringLiteral("ShapeDirection"));
    ShapeDirection->SetPen(kRed, 1);
    ShapeDirection->setToolTip(QStringLiteral("方角表示を移動"));
    ShapeDirection->OnPaint = [this](FrameShape& s, QPainter& c) { Shape1Paint(s, c); };
    ShapeDirection->OnMouseDown = [this](int x, int y) {
        Act([&] { document_.ShapeDirectionMouseDown(x, y); });
    };
    ShapeDirection->OnMouseMove = [this](int x, int y) {
        Act([&] { document_.ShapeDirectionMouseMove(x, y); });
    };
    ShapeDirection->OnMouseUp = [this](int x, int y) {
        Act([&] { document_.ShapeDirectionMouseUp(x, y); });
    };
}

void EditorWindow::BuildButtons() {
    // Adjustment buttons; enabled together with Panel8 while a picture is shown.
    Panel8 = new Panel(contentPanel, QStringLiteral("Panel8"));
    Panel8->setGeometry(587, 433, 268, 29);
    Panel8->SetColor(kDetailGrey);
    SpeedButton2 = MakeSpeedButton(Panel8, "SpeedButton2", QStringLiteral(" 明るさ"),
                                   QStringLiteral("明るく"), {4, 4, 60, 22});
    SpeedButton2->setIcon(Glyph(GlyphKind::Brighter));
    SpeedButton3 =
        MakeSpeedButton(Panel8, "SpeedButton3", {}, QStringLiteral("暗く"), {64, 4, 23, 22});
    SpeedButton3->setIcon(Glyph(GlyphKind::Darker));
    SpeedButton6 = MakeSpeedButton(Panel8, "SpeedButton6", QStringLiteral("回転"),
                                   QStringLiteral("右に90°回転"), {94, 4, 60, 22});
    SpeedButton6->setIcon(Glyph(GlyphKind::TurnRight));
    SpeedButton7 = MakeSpeedButton(Panel8, "SpeedButton7", QStringLiteral("シャープ"),
                                   QStringLiteral("シャープに"), {160, 4, 75, 22});
    SpeedButton7->setIcon(Glyph(GlyphKind::Sharpen));
    SpeedButton4 =
        MakeSpeedButton(Panel8, "SpeedButton4", {}, QStringLiteral("元に戻す"), {241, 4, 23, 22});
    SpeedButton4->setIcon(Glyph(GlyphKind::Undo));
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { Act([&] { document_.SpeedButton2Click(); }); });
    connect(SpeedButton3, &QToolButton::clicked, this,
            [this] { Act([&] { document_.SpeedButton3Click(); }); });
    connect(SpeedButton6, &QToolButton::clicked, this,
            [this] { Act([&] { document_.SpeedButton6Click(); }); });
    connect(SpeedButton7, &QToolButton::clicked, this,
            [this] { Act([&] { document_.SpeedButton7Click(); }); });
    connect(SpeedButton4, &QToolButton::clicked, this,
            [this] { Act([&] { document_.SpeedButton4Click(); }); });

    // Direction marker: the toggle between the two turn buttons.
    SBtnLeftTurn = MakeSpeedButton(contentPanel, "SBtnLeftTurn", {}, QStringLiteral("左に回転"),
                                   {469, 437, 23, 22});
    SBtnLeftTurn->setIcon(Glyph(GlyphKind::TurnLeft));
    SBtnDirection = MakeSpeedButton(contentPanel, "SBtnDirection", {}, {}, {492, 437, 69, 22});
    SBtnDirection->setCheckable(true);
    SBtnDirection->setToolButtonStyle(Qt::ToolButtonTextOnly);
    SBtnRightTurn = MakeSpeedButton(contentPanel, "SBtnRightTurn", {}, QStringLiteral("右に回転"),
                                    {561, 437, 23, 22});
    SBtnRightTurn->setIcon(Glyph(GlyphKind::TurnRight));
    connect(SBtnDirection, &QToolButton::clicked, this, [this](bool down) {
        Act([&] {
            document_.SBtnDirectionDown = down;
            document_.SBtnDirectionClick();
        });
    });
    connect(SBtnLeftTurn, &QToolButton::clicked, this,
            [this] { Act([&] { document_.SBtnLeftTurnClick(); }); });
    connect(SBtnRightTurn, &QToolButton::clicked, this,
            [this] { Act([&] { document_.SBtnRightTurnClick(); }); });

    // The nine effect buttons exist but stay hidden and disabled. Three
    // would sit under the work view, six as small squares between the views.
    struct Effect {
        const char* name;
        const char* caption;
        const char* hint;
        QRect at;
        void (*command)(EditorModel&);
    };
    const Effect effects[9] = {
        {"SpeedButton8",
         "",
         "スケッチ風",
         {431, 60, 9, 9},
         [](EditorModel& d) { d.SpeedButton8Click(); }},
        {"SpeedButton9",
         "モノクロ",
         "グレースケール",
         {214, 439, 89, 20},
         [](EditorModel& d) { d.SpeedButton9Click(); }},
        {"SpeedButton10",
         "スポットライト",
         "スポットライト",
         {302, 439, 89, 20},
         [](EditorModel& d) { d.SpeedButton10Click(); }},
        {"SpeedButton11",
         "",
         "カラースポットライト",
         {431, 74, 9, 9},
         [](EditorModel& d) { d.SpeedButton11Click(); }},
        {"SpeedButton12",
         "周辺をぼかす",
         "周辺をぼかす",
         {126, 439, 89, 20},
         [](EditorModel& d) { d.SpeedButton12Click(); }},
        {"SpeedButton13",
         "",
         "タイル",
         {431, 88, 9, 9},
         [](EditorModel& d) { d.SpeedButton13Click(); }},
        {"SpeedButton14",
         "",
         "エンボス",
         {431, 102, 9, 9},
         [](EditorModel& d) { d.SpeedButton14Click(); }},
        {"SpeedButton15",
         "",
         "油絵風",
         {431, 116, 9, 9},
         [](EditorModel& d) { d.SpeedButton15Click(); }},
        {"SpeedButton16",
         "",
         "格子状",
         {431, 130, 9, 9},
         [](EditorModel& d) { d.SpeedButton16Click(); }},
    };
    for (std::size_t i = 0; i < EffectButtons.size(); ++i) {
        const Effect& e = effects[i];
        QToolButton* button = MakeSpeedButton(contentPanel, e.name, QString::fromUtf8(e.caption),
                                              QString::fromUtf8(e.hint), e.at);
        button->setVisible(false);
        button->setEnabled(false);
        const auto command = e.command;
        connect(button, &QToolButton::clicked, this,
                [this, command] { Act([this, command] { command(document_); }); });
        EffectButtons[i] = button;
    }

    // Buttons that end the editing of one picture.
    BitBtnOK = new QPushButton(QStringLiteral("保存"), bottomPanel);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setGeometry(382, 10, 104, 25);
    BitBtnOK->setDefault(true);
    SetTag(BitBtnOK, 1);
    connect(BitBtnOK, &QPushButton::clicked, this,
            [this] { Act([&] { EndWithResult(document_.BitBtnOKClick()); }); });
    SpeedButton1 =
        MakeSpeedButton(bottomPanel, "SpeedButton1", QStringLiteral("残りの全ての画像処理を中止"),
                        {}, {600, 10, 190, 25});
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { Act([&] { EndWithResult(document_.SpeedButton1Click()); }); });
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
    Up = AddKeyAction("Up", QStringLiteral("Up"), QKeySequence(Qt::Key_Up),
                      [this] { document_.UpExecute(); });
    Down = AddKeyAction("Down", QStringLiteral("Down"), QKeySequence(Qt::Key_Down),
                        [this] { document_.DownExecute(); });
    Left = AddKeyAction("Left", QStringLiteral("Left"), QKeySequence(Qt::Key_Left),
                        [this] { document_.LeftExecute(); });
    Right = AddKeyAction("Right", QStringLiteral("Right"), QKeySequence(Qt::Key_Right),
                         [this] { document_.RightExecute(); });
    Big1 = AddKeyAction("Big1", QStringLiteral("拡大1"), QKeySequence(Qt::SHIFT | Qt::Key_Right),
                        [this] { document_.Big1Execute(); });
    Big2 = AddKeyAction("Big2", QStringLiteral("拡大2"), QKeySequence(Qt::SHIFT | Qt::Key_Down),
                        [this] { document_.Big1Execute(); });
    Small1 = AddKeyAction("Small1", QStringLiteral("縮小1"), QKeySequence(Qt::SHIFT | Qt::Key_Up),
                          [this] { document_.Small1Execute(); });
    Small2 = AddKeyAction("Small2", QStringLiteral("縮小2"), QKeySequence(Qt::SHIFT | Qt::Key_Left),
                          [this] { document_.Small1Execute(); });
}

void EditorWindow::EndWithResult(int result) {
    if (result != 0) done(result);
}

void EditorWindow::ShowDocument() {
    const EditorModel& d = document_;
    Image1->setVisible(d.Image1Visible);
    Image1->update();
    Image2->setVisible(d.Image2Visible);
    Image2->update();

    if (Shape1->geometry() != ToRect(d.Shape1)) Shape1->setGeometry(ToRect(d.Shape1));
    Shape1->setVisible(d.Shape1Visible);
    Shape1->setCursor(CursorFor(d.Shape1Cursor));

    if (ImageDirection->geometry() != ToRect(d.ImageDirection))
        ImageDirection->setGeometry(ToRect(d.ImageDirection));
    ImageDirection->SetTransparentColor(d.DirectionTransparentColor());
    ImageDirection->setVisible(d.ImageDirectionVisible);
    if (ShapeDirection->geometry() != ToRect(d.ShapeDirection))
        ShapeDirection->setGeometry(ToRect(d.ShapeDirection));
    ShapeDirection->setVisible(d.ShapeDirectionVisible);
    ShapeDirection->setCursor(CursorFor(d.ShapeDirectionCursor));

    SBtnDirection->setChecked(d.SBtnDirectionDown);
    SBtnDirection->setText(QString::fromStdString(d.SBtnDirectionCaption));
    QPalette p = SBtnDirection->palette();
    const QColor text = d.SBtnDirectionFontColor
                            ? QColor(d.SBtnDirectionFontColor->r, d.SBtnDirectionFontColor->g,
                                     d.SBtnDirectionFontColor->b)
                            : QApplication::palette(SBtnDirection).color(QPalette::ButtonText);
    p.setColor(QPalette::ButtonText, text);
    SBtnDirection->setPalette(p);
    SBtnLeftTurn->setVisible(d.TurnButtonsVisible);
    SBtnRightTurn->setVisible(d.TurnButtonsVisible);

    BitBtnOK->setEnabled(d.SaveEnabled);
    if (Panel8->isEnabled() != d.Panel8Enabled) EnableChildControls(Panel8, d.Panel8Enabled);
}

void EditorWindow::Shape1Paint(FrameShape& sender, QPainter& canvas) {
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

int EditorWindow::ShowModal(EditorModel& editor) {
    // The window shows the document it was built with.
    if (&editor != &document_)
        throw AssertionFailure("the editor window was given another document");
    document_.ModalResult = 0;
    return exec();
}

void EditorWindow::showEvent(QShowEvent* event) {
    CommonWindow::showEvent(event);
    if (event->spontaneous()) return;
    // The load step runs each time the window opens.
    Act([&] { document_.FormShow(); });
    if (BitBtnOK->isEnabled()) BitBtnOK->setFocus();
}

void EditorWindow::CloseWindow() {
    Act([&] { EndWithResult(document_.CloseFormExecute()); });
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; the close box ends with its own result.
    Act([&] { EndWithResult(document_.CloseBoxClick()); });
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
            Act([&] { document_.FormKeyUp(); });
        }
    }
    return CommonWindow::eventFilter(watched, event);
}

}  // namespace pictorel
