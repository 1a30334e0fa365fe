// Boxes opened during a run belong to the progress window, which stays on
// top: they must open above it and take the keyboard, every one of them.
// Offscreen the test checks ownership and activation; on a real X server
// (QT_QPA_PLATFORM=xcb, e.g. under xvfb-run) it also reads the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ui/ProgressWindow.h"
#include "app/ui/QtMessageBoxes.h"

namespace pictorel {
namespace {

struct SeenBox {
    QWidget* parent = nullptr;
    bool staysOnTop = false;
    bool active = false;
    bool focusInside = false;
    bool visibleOnScreen = true;  // read only on a real X server
};

// Looks at the box once it is shown, then answers it with Enter, as a user
// at the keyboard would.
void InspectThenPressEnter(std::vector<SeenBox>& seen) {
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            ADD_FAILURE() << "no box open";
            return;
        }
        SeenBox s;
        s.parent = box->parentWidget();
        s.staysOnTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        s.active = QTest::qWaitForWindowActive(box, 2000);
        s.focusInside = QTest::qWaitFor(
            [box] {
                const QWidget* focus = QApplication::focusWidget();
                return focus != nullptr && focus->window() == box;
            },
            2000);
        if (!s.focusInside)
            std::fprintf(stderr, "focus: %s\n",
                         QApplication::focusWidget()
                             ? QApplication::focusWidget()->metaObject()->className()
                             : "none");
        if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
            QTest::qWait(300);  // the window manager's stacking and painting
            const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
            if (const char* shot = std::getenv("PICTOREL_BOX_SCREENSHOT"))
                screen.save(QString::fromLocal8Bit(shot) + QString::number(seen.size() + 1) +
                            QStringLiteral(".png"));
            // The middle of the box lies over the middle of the progress
            // window; its fill colour there means the box is hidden.
            const QPoint middle = box->frameGeometry().center();
            s.visibleOnScreen = screen.toImage().pixelColor(middle) != QColor(232, 222, 189);
        }
        seen.push_back(s);
        QTest::keyClick(box, Qt::Key_Return);
    });
}

TEST(MessageBoxOwner, EveryBoxOfARunOpensAboveTheProgressWindowAndTakesTheKeys) {
    QWidget mainWindow;
    mainWindow.resize(409, 345);
    mainWindow.show();
    ProgressWindow progress;
    progress.SetMainWindow(&mainWindow);
    progress.StartProgress(3, true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&progress));

    QtMessageBoxes boxes;
    std::vector<SeenBox> seen;
    for (int i = 0; i < 3; ++i) {
        // Between boxes another window may have become active (the main
        // window, here): the box must not follow it under the progress window.
        if (i == 1) QApplication::setActiveWindow(&mainWindow);
        InspectThenPressEnter(seen);
        boxes.ShowError("photo_" + std::to_string(i) + ".jpg");
    }
    // A question during the run as well.
    InspectThenPressEnter(seen);
    EXPECT_TRUE(boxes.Confirm("q"));  // Enter answers the default, Yes
    progress.StopProgress();

    ASSERT_EQ(seen.size(), 4u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE("box " + std::to_string(i + 1));
        EXPECT_EQ(seen[i].parent, &progress);
        EXPECT_TRUE(seen[i].staysOnTop);
        EXPECT_TRUE(seen[i].active);
        EXPECT_TRUE(seen[i].focusInside);
        EXPECT_TRUE(seen[i].visibleOnScreen);
    }
}

TEST(MessageBoxOwner, WithoutARunABoxBelongsToTheActiveWindowAndIsNotKeptOnTop) {
    QWidget window;
    window.resize(300, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QtMessageBoxes boxes;
    std::vector<SeenBox> seen;
    InspectThenPressEnter(seen);
    boxes.ShowPlain("x");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].parent, &window);
    EXPECT_FALSE(seen[0].staysOnTop);
    EXPECT_TRUE(seen[0].active);
}

}  // namespace
}  // namespace pictorel
