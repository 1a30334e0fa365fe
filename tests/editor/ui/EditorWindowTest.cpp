// The editor window driven with Qt Test's mouse and key helpers through the
// window system (so the mouse capture of a held button is the real one): the
// model's state follows the events, and the views paint its bitmaps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <cmath>
#include <memory>

#include "editor/FrameGeometry.h"
#include "editor/TestPictures.h"
#include "editor/ui/EditorWindow.h"
#include "support/Fakes.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

// Pixels where a painted control differs from a bitmap (a size mismatch
// counts every pixel).
int PixelsDifferent(const QImage& painted, const Bitmap& bitmap) {
    if (painted.width() != bitmap.Width() || painted.height() != bitmap.Height())
        return painted.width() * painted.height() + 1;
    int count = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const Color c = bitmap.Pixel(x, y);
            if (painted.pixel(x, y) != qRgb(c.r, c.g, c.b)) ++count;
        }
    return count;
}

QImage Painted(QWidget* w) {
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Colour bands and a diagonal gradient, so that any crop or turn shows.
Color Pattern(int x, int y) {
    return {static_cast<std::uint8_t>(x * 255 / 999), static_cast<std::uint8_t>(y * 255 / 599),
            static_cast<std::uint8_t>((x / 50 + y / 50) % 2 ? 200 : 40)};
}

class EditorWindowTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::shared_ptr<test::CallLog> log = std::make_shared<test::CallLog>();
    test::FakeMessageBoxes boxes{log};
    EditorModel model{boxes};
    std::unique_ptr<EditorWindow> window;

    void SetUp() override {
        window =
            std::make_unique<EditorWindow>(nullptr, (dir.Path() / "Pictorel.ini").string(), model);
    }

    // Shows the window on a picture (the load step runs as it opens).
    void Open(const std::filesystem::path& path) {
        model.SetSource(path.string());
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void OpenPattern() {
        const auto path = dir.Path() / "wide.bmp";
        test::WriteBmp(path, 1000, 600, Pattern);
        Open(path);
    }

    // Mouse through the window system at a point of `w`.
    QPoint At(QWidget* w, QPoint p) const { return w->mapTo(window.get(), p); }
    void Press(QWidget* w, QPoint p) {
        QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, At(w, p));
    }
    void MoveTo(QWidget* w, QPoint p) { QTest::mouseMove(window->windowHandle(), At(w, p)); }
    void Release(QWidget* w, QPoint p) {
        QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, At(w, p));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyPress(window->windowHandle(), key, mods);
    }
    void KeyUp(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyRelease(window->windowHandle(), key, mods);
    }

    Bitmap Result() const { return *model.Result(); }
    // Draws a frame on the work view from view point a to b.
    void DrawFrame(QPoint a, QPoint b) {
        Press(window->workView, a);
        MoveTo(window->workView, b);
        Release(window->workView, b);
    }
};

bool SameBitmap(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (!(a.Pixel(x, y) == b.Pixel(x, y))) return false;
    return true;
}

TEST_F(EditorWindowTest, LayoutCaptionsHintsAndHiddenEffectButtons) {
    EXPECT_EQ(window->size(), QSize(867, 561));
    EXPECT_EQ(window->titlePanel->Caption(), QStringLiteral("画像調整"));
    EXPECT_EQ(window->titlePanel->palette().color(QPalette::Window), QColor(245, 224, 126));
    EXPECT_EQ(window->cropHintLabel->text(),
              QStringLiteral("こちら側で切り抜く範囲をマウスで指定します"));
    EXPECT_EQ(window->saveHintLabel->text(), QStringLiteral("こちら側の画像が保存されます"));
    EXPECT_EQ(window->workPanel->geometry(), QRect(8, 29, 407, 407));
    EXPECT_EQ(window->workView->geometry(), QRect(3, 3, 400, 400));
    EXPECT_EQ(window->resultPanel->geometry(), QRect(456, 29, 404, 404));
    EXPECT_EQ(window->resultView->geometry(), QRect(2, 2, 400, 400));
    EXPECT_EQ(window->resultOutline->geometry(), QRect(0, 0, 404, 404));
    EXPECT_EQ(window->adjustmentPanel->geometry(), QRect(587, 433, 268, 29));
    EXPECT_EQ(window->workView->toolTip(),
              QStringLiteral("切り取り範囲をマウスで指定(クリックで範囲指定を解除)"));
    EXPECT_EQ(window->cropFrame->toolTip(),
              QStringLiteral("切り取り位置を移動(ドラッグもしくはカーソルキー)"));
    EXPECT_EQ(window->turnButton->toolTip(), QStringLiteral("右に90°回転"));
    EXPECT_EQ(window->saveButton->text(), QStringLiteral("保存"));
    EXPECT_TRUE(window->saveButton->isDefault());
    EXPECT_EQ(window->stopAllButton->text(), QStringLiteral("残りの全ての画像処理を中止"));
    EXPECT_EQ(window->closeButton->text(), QStringLiteral("終了"));
    EXPECT_EQ(window->markerButton->text(), QStringLiteral("方角を表示"));
    for (QToolButton* b : window->effectButtons) {
        EXPECT_FALSE(b->isVisibleTo(window.get())) << b->objectName().toStdString();
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    }
    EXPECT_EQ(window->effectButtons[4]->text(), QStringLiteral("周辺をぼかす"));
}

TEST_F(EditorWindowTest, ViewsPaintTheDocumentPixelForPixel) {
    OpenPattern();
    ASSERT_TRUE(model.Result());
    EXPECT_TRUE(window->workView->isVisible());
    EXPECT_EQ(PixelsDifferent(Painted(window->workView), model.WorkView()), 0);
    EXPECT_EQ(PixelsDifferent(Painted(window->resultView), *model.Result()), 0);
    EXPECT_TRUE(window->saveButton->isEnabled());
    EXPECT_TRUE(window->sharpenButton->isEnabled());
}

TEST_F(EditorWindowTest, DrawnFrameRendersAtMouseUpOnly) {
    OpenPattern();
    const Bitmap before = Result();
    Press(window->workView, {100, 100});
    MoveTo(window->workView, {70, 140});
    MoveTo(window->workView, {50, 180});
    // Square from the anchor into the pointer's quadrant, in Panel1 coordinates.
    EXPECT_TRUE(window->cropFrame->isVisible());
    EXPECT_EQ(window->cropFrame->geometry(), QRect(23, 103, 80, 80));
    EXPECT_TRUE(SameBitmap(Result(), before)) << "re-rendered while dragging";
    Release(window->workView, {50, 180});
    EXPECT_FALSE(SameBitmap(Result(), before));
    EXPECT_EQ(PixelsDifferent(Painted(window->resultView), *model.Result()), 0);

    // A plain click removes the frame and shows the whole view again.
    Press(window->workView, {300, 300});
    Release(window->workView, {300, 300});
    EXPECT_FALSE(window->cropFrame->isVisible());
    EXPECT_TRUE(SameBitmap(Result(), model.WorkView()));
}

TEST_F(EditorWindowTest, PointerCapturedOutsideTheWorkView) {
    OpenPattern();
    // Dragging past the left edge: the view keeps the mouse, positions go negative.
    Press(window->workView, {60, 60});
    MoveTo(window->workView, {-30, 20});
    Release(window->workView, {-30, 20});
    EXPECT_EQ(window->cropFrame->geometry(), QRect(-27, -27, 90, 90));
}

TEST_F(EditorWindowTest, DragMovesAndCornerResizesTheFrame) {
    OpenPattern();
    DrawFrame({100, 100}, {200, 200});
    ASSERT_EQ(window->cropFrame->geometry(), QRect(103, 103, 100, 100));
    const Bitmap first = Result();

    // Grab the middle and drag by (+30, -20) in several steps.
    Press(window->workView, {150, 150});
    MoveTo(window->workView, {165, 140});
    MoveTo(window->workView, {180, 130});
    EXPECT_EQ(window->cropFrame->geometry(), QRect(133, 83, 100, 100));
    EXPECT_TRUE(SameBitmap(Result(), first));
    Release(window->workView, {180, 130});
    EXPECT_FALSE(SameBitmap(Result(), first));

    // Hovering the bottom-right and top-right zones shows the diagonal cursors.
    MoveTo(window->cropFrame, {97, 97});
    EXPECT_EQ(window->cropFrame->cursor().shape(), Qt::SizeFDiagCursor);
    MoveTo(window->cropFrame, {97, 3});
    EXPECT_EQ(window->cropFrame->cursor().shape(), Qt::SizeBDiagCursor);
    MoveTo(window->cropFrame, {50, 50});
    EXPECT_EQ(window->cropFrame->cursor().shape(), Qt::ArrowCursor);

    // Resize from the bottom-right corner: the top-left stays.
    const Bitmap moved = Result();
    Press(window->cropFrame, {97, 97});
    MoveTo(window->workView, {130 + 60, 80 + 160});
    Release(window->workView, {130 + 60, 80 + 160});
    EXPECT_EQ(window->cropFrame->geometry(), QRect(133, 83, 160, 160));
    EXPECT_FALSE(SameBitmap(Result(), moved));
}

TEST_F(EditorWindowTest, ArrowKeysMoveAndShiftArrowsSizeRenderingOnRelease) {
    OpenPattern();
    DrawFrame({100, 100}, {200, 200});
    const Bitmap framed = Result();

    // A held key: several key-downs, auto-repeat releases between them
    // (as the X server sends them), one real release at the end.
    for (int i = 0; i < 5; ++i) {
        Key(Qt::Key_Right);
        QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(window->saveButton, &repeatUp);
    }
    Key(Qt::Key_Down);
    EXPECT_EQ(window->cropFrame->geometry(), QRect(108, 104, 100, 100));
    EXPECT_TRUE(window->Crop().KeyMoved());
    EXPECT_TRUE(SameBitmap(Result(), framed)) << "re-rendered before the key release";
    KeyUp(Qt::Key_Down);
    EXPECT_FALSE(window->Crop().KeyMoved());
    const Bitmap moved = Result();
    EXPECT_FALSE(SameBitmap(moved, framed));
    EXPECT_EQ(PixelsDifferent(Painted(window->resultView), moved), 0);

    // Shift + Right and Shift + Down enlarge, Shift + Up and Shift + Left shrink.
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(window->cropFrame->geometry(), QRect(108, 104, 102, 102));
    Key(Qt::Key_Left, Qt::ShiftModifier);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(window->cropFrame->geometry(), QRect(108, 104, 100, 100));
    EXPECT_TRUE(SameBitmap(Result(), moved));
    KeyUp(Qt::Key_Left, Qt::ShiftModifier);
    // The same frame as before the size keys, rendered again: the same picture.
    EXPECT_TRUE(SameBitmap(Result(), moved));
    EXPECT_FALSE(window->Crop().KeyMoved());
}

TEST_F(EditorWindowTest, BrighterTwiceThenDarkerRendersLevelFive) {
    OpenPattern();
    const Bitmap plain = Result();
    QTest::mouseClick(window->brighterButton, Qt::LeftButton);
    QTest::mouseClick(window->brighterButton, Qt::LeftButton);
    EXPECT_EQ(model.Brightness(), 10);
    QTest::mouseClick(window->darkerButton, Qt::LeftButton);
    EXPECT_EQ(model.Brightness(), 5);

    // Factor 1.05 (passed as a double) on the plain rendering, each product
    // taken in extended precision and rounded halves to even, clamped.
    const double factor = static_cast<double>(1.05L);
    Bitmap expected = plain;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) {
            const Color c = plain.Pixel(x, y);
            const auto f = [factor](int v) {
                return static_cast<std::uint8_t>(
                    std::min(255.0L, std::nearbyint(static_cast<long double>(v) * factor)));
            };
            expected.SetPixel(x, y, {f(c.r), f(c.g), f(c.b)});
        }
    EXPECT_TRUE(SameBitmap(Result(), expected));
    EXPECT_EQ(PixelsDifferent(Painted(window->resultView), expected), 0);
}

TEST_F(EditorWindowTest, RotateTurnsTheWorkViewClockwise) {
    OpenPattern();
    const QImage before = Painted(window->workView);
    QTest::mouseClick(window->turnButton, Qt::LeftButton);
    const QImage after = Painted(window->workView);
    int wrong = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            if (after.pixel(x, y) != before.pixel(y, 399 - x)) ++wrong;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(PixelsDifferent(Painted(window->resultView), *model.Result()), 0);
    EXPECT_TRUE(SameBitmap(Result(), model.WorkView()));
}

TEST_F(EditorWindowTest, SharpenChangesEdgesOnly) {
    const auto path = dir.Path() / "edge.bmp";
    test::WriteBmp(path, 400, 400, [](int x, int) {
        return x < 200 ? Color{50, 50, 50} : Color{150, 150, 150};
    });
    Open(path);
    const Bitmap plain = Result();
    QTest::mouseClick(window->sharpenButton, Qt::LeftButton);
    const Bitmap sharp = Result();
    // Far from the edge nothing changes; next to it the contrast grows.
    EXPECT_TRUE(sharp.Pixel(50, 200) == plain.Pixel(50, 200));
    EXPECT_TRUE(sharp.Pixel(350, 200) == plain.Pixel(350, 200));
    EXPECT_LT(sharp.Pixel(199, 200).r, plain.Pixel(199, 200).r);
    EXPECT_GT(sharp.Pixel(200, 200).r, plain.Pixel(200, 200).r);
    EXPECT_EQ(PixelsDifferent(Painted(window->resultView), sharp), 0);
}

TEST_F(EditorWindowTest, MarkerToggleTurnHoverAndDrag) {
    OpenPattern();
    EXPECT_FALSE(window->markerView->isVisible());
    EXPECT_FALSE(window->markerLeftButton->isVisible());
    QTest::mouseClick(window->markerButton, Qt::LeftButton);
    EXPECT_TRUE(window->markerButton->isChecked());
    EXPECT_EQ(window->markerButton->text(), QStringLiteral("方角を消去"));
    EXPECT_EQ(window->markerButton->palette().color(QPalette::ButtonText), QColor(128, 0, 0));
    EXPECT_TRUE(window->markerView->isVisible());
    EXPECT_TRUE(window->markerLeftButton->isVisible());
    EXPECT_TRUE(window->markerRightButton->isVisible());
    EXPECT_EQ(window->markerView->geometry(), QRect(177, 177, 50, 50));

    // Shown transparently: the olive background lets the result view through,
    // the disc is painted.
    const QImage panel = Painted(window->resultPanel);
    const Color under = model.Result()->Pixel(175, 175);
    EXPECT_EQ(panel.pixel(177, 177), qRgb(under.r, under.g, under.b));
    EXPECT_NE(panel.pixel(177 + 25, 177 + 40), panel.pixel(177, 177));

    QTest::mouseClick(window->markerRightButton, Qt::LeftButton);
    EXPECT_EQ(model.DirectionIndex(), 23);
    QTest::mouseClick(window->markerLeftButton, Qt::LeftButton);
    QTest::mouseClick(window->markerLeftButton, Qt::LeftButton);
    EXPECT_EQ(model.DirectionIndex(), 1);

    // Hover shows the frame over the marker; moving off hides it.
    MoveTo(window->resultView, {100, 100});
    MoveTo(window->markerView, {25, 25});
    EXPECT_TRUE(window->markerFrame->isVisible());
    EXPECT_EQ(window->markerFrame->geometry(), QRect(177, 177, 50, 50));
    MoveTo(window->resultView, {100, 100});
    EXPECT_FALSE(window->markerFrame->isVisible());

    // Drag the marker by (+40, +30) from its middle.
    MoveTo(window->markerView, {25, 25});
    ASSERT_TRUE(window->markerFrame->isVisible());
    Press(window->markerFrame, {25, 25});
    MoveTo(window->resultPanel, {177 + 25 + 40, 177 + 25 + 30});
    Release(window->resultPanel, {177 + 25 + 40, 177 + 25 + 30});
    EXPECT_EQ(window->markerView->geometry(), QRect(217, 207, 50, 50));
    EXPECT_FALSE(window->markerFrame->isVisible());

    // Corner resize from the bottom-right handle to 80 x 80.
    MoveTo(window->markerView, {25, 25});
    Press(window->markerFrame, {47, 47});
    MoveTo(window->resultPanel, {217 + 80, 207 + 80});
    Release(window->resultPanel, {217 + 80, 207 + 80});
    EXPECT_EQ(window->markerView->geometry(), QRect(217, 207, 80, 80));
    EXPECT_EQ(model.MarkerPicture().Width(), 80);

    // Toggling off hides the marker and the turn buttons.
    QTest::mouseClick(window->markerButton, Qt::LeftButton);
    EXPECT_FALSE(window->markerView->isVisible());
    EXPECT_FALSE(window->markerRightButton->isVisible());
    EXPECT_EQ(window->markerButton->text(), QStringLiteral("方角を表示"));
}

TEST_F(EditorWindowTest, FramePaintsCrossAndCornerHandles) {
    OpenPattern();
    DrawFrame({100, 100}, {140, 140});
    const QImage frame = Painted(window->cropFrame);
    const QRgb red = qRgb(255, 0, 0);
    for (QPoint p :
         {QPoint(0, 0), QPoint(7, 7), QPoint(32, 32), QPoint(39, 0), QPoint(0, 39), QPoint(20, 15),
          QPoint(20, 24), QPoint(15, 20), QPoint(24, 20), QPoint(20, 0), QPoint(39, 20)})
        EXPECT_EQ(frame.pixel(p), red) << p.x() << "," << p.y();
    // Inside the clear brush the picture shows; the cross stops short of its end points.
    const QImage panel = Painted(window->workPanel);
    EXPECT_EQ(panel.pixel(103 + 12, 103 + 12), Painted(window->workView).pixel(112, 112));
    EXPECT_NE(frame.pixel(20, 25), red);
    EXPECT_NE(frame.pixel(25, 20), red);
}

TEST(CanvasShape, PaintsOutlineThenOnPaintAndReportsPresses) {
    FrameShape shape(nullptr);
    shape.resize(20, 20);
    shape.SetPen(QColor(255, 0, 0), 1);
    QImage plain = shape.grab().toImage();
    EXPECT_EQ(plain.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(plain.pixel(19, 19), qRgb(255, 0, 0));
    // OnPaint runs after the outline, on the same surface.
    shape.OnPaint = [](FrameShape& sender, QPainter& canvas) {
        canvas.fillRect(sender.rect(), QColor(0, 0, 255));
    };
    EXPECT_EQ(shape.grab().toImage().pixel(0, 0), qRgb(0, 0, 255));

    // A double click presses again, as the second press of a drag.
    int presses = 0;
    QPoint down;
    shape.OnMouseDown = [&](int x, int y) {
        down = {x, y};
        ++presses;
    };
    QTest::mouseDClick(&shape, Qt::LeftButton, {}, QPoint(5, 7));
    EXPECT_EQ(down, QPoint(5, 7));
    EXPECT_GE(presses, 1);
}

TEST_F(EditorWindowTest, StraightenButtonTogglesAndStaysDownWhileApplied) {
    // Soft dark and light bands leaning 3 degrees: straight verticals.
    const auto path = dir.Path() / "leaning.bmp";
    test::WriteBmp(path, 600, 400, [](int x, int y) {
        int light = 0;  // of 4 x 4 samples, as a camera's soft edges
        for (int s = 0; s < 16; ++s) {
            const double px = x + (s % 4 + 0.5) / 4 - 300, py = y + (s / 4 + 0.5) / 4 - 200;
            const double across = px * std::cos(0.0524) + py * std::sin(0.0524);
            light += static_cast<int>(std::floor(across / 30)) & 1;
        }
        const auto v = static_cast<std::uint8_t>(40 + 10 * light);
        return Color{v, v, v};
    });
    Open(path);
    const Bitmap before = model.WorkView();
    EXPECT_TRUE(window->straightenButton->isEnabled());
    EXPECT_FALSE(window->straightenButton->isChecked());
    QTest::mouseClick(window->straightenButton, Qt::LeftButton);
    EXPECT_TRUE(model.Straightened());
    EXPECT_TRUE(window->straightenButton->isChecked());
    EXPECT_EQ(PixelsDifferent(Painted(window->workView), model.WorkView()), 0);
    QTest::mouseClick(window->straightenButton, Qt::LeftButton);
    EXPECT_FALSE(model.Straightened());
    EXPECT_FALSE(window->straightenButton->isChecked());
    EXPECT_EQ(model.WorkView(), before);
    // 元に戻す takes the straightening back as well, and the button rises.
    QTest::mouseClick(window->straightenButton, Qt::LeftButton);
    QTest::mouseClick(window->resetButton, Qt::LeftButton);
    EXPECT_FALSE(window->straightenButton->isChecked());
    EXPECT_EQ(model.WorkView(), before);
    EXPECT_TRUE(log->empty());
}

TEST_F(EditorWindowTest, DamagedFileLeavesOnlyCloseAndStopAll) {
    const auto path = dir.Path() / "broken.jpg";
    test::WriteFile(path, std::string("\xFF\xD8\xFF\xE0 not really a JPEG"));
    Open(path);
    EXPECT_EQ(*log,
              (test::CallLog{std::string("error: ") + kLoadFailedMessage + "\n" + path.string()}));
    EXPECT_FALSE(model.Result());
    EXPECT_FALSE(window->workView->isVisible());
    EXPECT_FALSE(window->resultView->isVisible());
    EXPECT_FALSE(window->saveButton->isEnabled());
    for (QToolButton* b : {window->brighterButton, window->darkerButton, window->resetButton,
                           window->turnButton, window->sharpenButton, window->straightenButton})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(window->stopAllButton->isEnabled());
    EXPECT_TRUE(window->closeButton->isEnabled());
    // Enter cannot save.
    QTest::keyClick(window->windowHandle(), Qt::Key_Return);
    EXPECT_EQ(model.Exit(), EditorExit::None);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(EditorWindowTest, MosaicModeDrawsRectanglesOverTheCropFrameAndUndoTakesThemBack) {
    OpenPattern();
    DrawFrame({100, 100}, {300, 300});
    const Bitmap cropped = Result();
    QTest::mouseClick(window->mosaicButton, Qt::LeftButton);
    ASSERT_TRUE(window->MosaicMode());
    // A drag starting over the crop frame draws a rectangle, not a move.
    DrawFrame({150, 150}, {210, 180});
    ASSERT_EQ(model.Mosaics().size(), 1u);
    EXPECT_EQ(model.Mosaics()[0], (Rect{150, 150, 210, 180}));
    EXPECT_EQ(model.Crop().Area(), (Rect{100, 100, 300, 300}));
    EXPECT_FALSE(SameBitmap(Result(), cropped));
    // The arrow keys move the rectangle, not the frame.
    Key(Qt::Key_Right);
    KeyUp(Qt::Key_Right);
    EXPECT_EQ(model.Mosaics()[0], (Rect{151, 150, 211, 180}));
    EXPECT_EQ(model.Crop().Area(), (Rect{100, 100, 300, 300}));

    QTest::mouseClick(window->resetButton, Qt::LeftButton);
    QTest::mouseClick(window->resetButton, Qt::LeftButton);
    EXPECT_TRUE(model.Mosaics().empty());
    EXPECT_TRUE(SameBitmap(Result(), cropped));
    QTest::mouseClick(window->autoAdjustButton, Qt::LeftButton);
    EXPECT_TRUE(model.AutoCorrectionInUse());
    EXPECT_EQ(window->autoAdjustButton->text(), QStringLiteral("自動補正"));
    EXPECT_EQ(window->mosaicButton->text(), QStringLiteral("モザイク"));
}

}  // namespace
}  // namespace pictorel
