// The window framework: key rules, EnableChildControls, placement saving,
// the window list and the progress window.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "app/IniFile.h"
#include "app/ui/CommonWindow.h"
#include "app/ui/EnableChildControls.h"
#include "app/ui/ProgressWindow.h"
#include "app/ui/WindowPlacement.h"
#include "app/ui/WindowRegistry.h"
#include "support/TestFiles.h"

namespace pictorel {
namespace {

using test::TempDir;

QLineEdit* AddEdit(QWidget* parent, const char* name, int y) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(10, y, 100, 22);
    return edit;
}

// A window with three edits, a check box, a combo box, a memo and a
// confirmation button, in that tab order.
class KeyWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<KeyboardNavigatingWindow>(nullptr, QStringLiteral("FKeys"));
        window->resize(300, 300);
        e1 = AddEdit(window.get(), "Edit1", 10);
        e2 = AddEdit(window.get(), "Edit2", 40);
        e3 = AddEdit(window.get(), "Edit3", 70);
        combo = new QComboBox(window.get());
        combo->setObjectName(QStringLiteral("Combo"));
        combo->addItems({QStringLiteral("a"), QStringLiteral("b")});
        combo->setGeometry(10, 100, 100, 22);
        memo = new QPlainTextEdit(window.get());
        memo->setObjectName(QStringLiteral("Memo"));
        memo->setGeometry(10, 130, 100, 60);
        ok = new QPushButton(QStringLiteral("OK"), window.get());
        ok->setObjectName(QStringLiteral("BitBtnOK"));
        ok->setGeometry(10, 200, 80, 25);
        SetRole(ok, NavigationRole::ConfirmButton);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void Focus(QWidget* w) {
        w->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), w);
    }

    std::unique_ptr<KeyboardNavigatingWindow> window;
    QLineEdit* e1 = nullptr;
    QLineEdit* e2 = nullptr;
    QLineEdit* e3 = nullptr;
    QComboBox* combo = nullptr;
    QPlainTextEdit* memo = nullptr;
    QPushButton* ok = nullptr;
};

TEST_F(KeyWindow, EnterMovesOnAndWrapsToTheFirstControl) {
    Focus(e1);
    QSignalSpy returnPressed(e1, &QLineEdit::returnPressed);
    QTest::keyClick(e1, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), e2);
    EXPECT_EQ(returnPressed.count(), 0) << "Enter is consumed";

    // From the last control the search wraps around to the first one.
    Focus(ok);
    SetRole(ok, NavigationRole::Ordinary);
    QSignalSpy clicked(ok, &QPushButton::clicked);
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), e1);
    EXPECT_EQ(clicked.count(), 0) << "an ordinary button is left like a field";
}

TEST_F(KeyWindow, EnterOnTheConfirmButtonPressesIt) {
    Focus(ok);
    QSignalSpy clicked(ok, &QPushButton::clicked);
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(KeyWindow, UpMovesBackAndNeverLandsOnTheConfirmationButton) {
    Focus(e2);
    QTest::keyClick(e2, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), e1);
    // Backwards from the first control wraps past the confirm button to the memo.
    QTest::keyClick(e1, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), memo);
}

TEST_F(KeyWindow, DownOpensAClosedComboList) {
    Focus(combo);
    ASSERT_FALSE(combo->view()->isVisible());
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_TRUE(combo->view()->isVisible());
    EXPECT_EQ(combo->currentIndex(), 0) << "the selection is not moved";
    combo->hidePopup();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // Down in a plain field does nothing.
    Focus(e1);
    QTest::keyClick(e1, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), e1);
}

TEST_F(KeyWindow, MemoKeysAndCtrlDeleteAreSwallowed) {
    Focus(memo);
    memo->setPlainText(QStringLiteral("abc"));
    QTest::keyClick(memo, Qt::Key_J, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("abc"));
    Focus(e1);
    e1->setText(QStringLiteral("one two"));
    e1->setCursorPosition(0);
    QTest::keyClick(e1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(e1->text(), QStringLiteral("one two"));
    QTest::keyClick(e1, Qt::Key_Delete);
    EXPECT_EQ(e1->text(), QStringLiteral("ne two"));
}

TEST_F(KeyWindow, EnterIntoAMemoSelectsItsText) {
    memo->setPlainText(QStringLiteral("line"));
    Focus(combo);
    QTest::keyClick(combo, Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), memo);
    EXPECT_EQ(memo->textCursor().selectedText(), QStringLiteral("line"));
}

// Counts the keys that reach it.
class CountingEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    std::vector<int> keys;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        keys.push_back(event->key());
        QLineEdit::keyPressEvent(event);
    }
};

TEST(CommonWindow, F10IsDiscardedAndTheTitleAreaIsDisabled) {
    TempDir dir;
    CommonWindow window(nullptr,
                        CommonWindow::Options{QStringLiteral("FKeysCommon"), QSize(300, 200),
                                              dir.Str() + "a.ini", false});
    auto* edit = new CountingEdit(window.contentPanel);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F10);
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(edit->keys, (std::vector<int>{Qt::Key_A}));
    EXPECT_FALSE(window.topPanel->isEnabled());
    EXPECT_TRUE(window.contentPanel->isEnabled());
    EXPECT_EQ(window.upperBar->palette().color(QPalette::Window),
              window.titlePanel->palette().color(QPalette::Window));
}

TEST(EnableChildControls, RecursesIntoPanelsAndColoursFields) {
    QWidget window;
    auto* outer = new Panel(&window, QStringLiteral("Outer"));
    auto* label = new QLabel(QStringLiteral("x"), outer);
    auto* edit = new QLineEdit(outer);
    auto* nested = new Panel(outer, QStringLiteral("Nested"));
    auto* nestedButton = new QPushButton(nested);

    EnableChildControls(outer, false);
    EXPECT_FALSE(outer->isEnabled());
    EXPECT_TRUE(label->testAttribute(Qt::WA_ForceDisabled));
    EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_FALSE(edit->testAttribute(Qt::WA_ForceDisabled)) << "fields follow their container";
    EXPECT_TRUE(nestedButton->testAttribute(Qt::WA_ForceDisabled));

    EnableChildControls(outer, true);
    EXPECT_TRUE(label->isEnabled());
    EXPECT_TRUE(nestedButton->isEnabled());
    EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Base), QColor(0xFF, 0xFF, 0xFF));
}

TEST(SplitCommaText, CommasBlanksAndQuotes) {
    EXPECT_EQ(SplitCommaText("1,2, 3"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(SplitCommaText("a b"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitCommaText("\"x, y\",z"), (std::vector<std::string>{"x, y", "z"}));
    EXPECT_EQ(SplitCommaText("1,,2,"), (std::vector<std::string>{"1", "", "2", ""}));
    EXPECT_TRUE(SplitCommaText("").empty());
}

// Placement saving through a settings file in a temporary folder.
class Placement : public ::testing::Test {
  protected:
    std::unique_ptr<CommonWindow> Create() {
        return std::make_unique<CommonWindow>(
            nullptr, CommonWindow::Options{QStringLiteral("FTest"), QSize(300, 200), ini, true});
    }
    void Store(const std::string& text) {
        IniFile(ini).WriteString("Bounds", "FTest.Bounds", text);
    }
    std::string Stored() const { return IniFile(ini).ReadString("Bounds", "FTest.Bounds", ""); }
    static QPoint Centred(const QWidget& w) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        return {(screen.width() - w.width()) / 2, (screen.height() - w.height()) / 2};
    }

    TempDir dir;
    std::string ini = dir.Str() + "Pictorel.ini";
};

TEST_F(Placement, NoEntryCentresAndTheEntryIsWrittenEvenIfNeverShown) {
    {
        auto window = Create();
        EXPECT_EQ(window->pos(), Centred(*window));
        EXPECT_EQ(window->windowTitle(), ApplicationTitle());
    }
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int left = (screen.width() - 300) / 2;
    const int top = (screen.height() - 200) / 2;
    EXPECT_EQ(Stored(), "0,-1,-1,-1,-1," + std::to_string(left) + "," + std::to_string(top) + "," +
                            std::to_string(left + 300) + "," + std::to_string(top + 200));
}

TEST_F(Placement, SavedRectangleIsRestoredAndWrittenBack) {
    Store("0,-1,-1,-1,-1,40,30,340,230");
    {
        auto window = Create();
        EXPECT_EQ(window->geometry(), QRect(40, 30, 300, 200));
        window->show();
        window->setGeometry(60, 70, 300, 200);
        QApplication::processEvents();
    }
    EXPECT_EQ(Stored(), "0,-1,-1,-1,-1,60,70,360,270");
}

TEST_F(Placement, EightOrTenNumbersAreIgnoredAndTheWindowIsNotCentred) {
    for (const char* text : {"0,-1,-1,-1,-1,40,30,340", "0,-1,-1,-1,-1,40,30,340,230,7"}) {
        Store(text);
        auto window = Create();
        EXPECT_NE(window->pos(), QPoint(40, 30)) << text;
        EXPECT_NE(window->pos(), Centred(*window)) << text;
    }
}

TEST_F(Placement, MaximisedIsRestoredMinimisedIsNot) {
    Store("2,-1,-1,-1,-1,40,30,340,230");
    {
        auto window = Create();
        EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
        EXPECT_FALSE(window->isVisible()) << "restoring does not show the window";
    }
    EXPECT_EQ(Stored().substr(0, 2), "2,");

    Store("1,-1,-1,-1,-1,40,30,340,230");
    auto window = Create();
    EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
    EXPECT_EQ(window->pos(), QPoint(40, 30));
}

TEST_F(Placement, ItemsThatAreNotNumbersKeepTheCurrentValue) {
    Store("0,-1,-1,-1,-1,x,30,y,230");
    auto window = Create();
    EXPECT_EQ(window->y(), 30);
    EXPECT_EQ(window->width(), 300);
}

TEST_F(Placement, EditorWindowStoresNothing) {
    {
        CommonWindow window(
            nullptr, CommonWindow::Options{QStringLiteral("FTest"), QSize(300, 200), ini, false});
    }
    EXPECT_EQ(Stored(), "");
}

TEST(WindowList, EntersWindowsAndLogsAFailedRemoval) {
    std::vector<std::string> log;
    TempDir dir;
    {
        WindowRegistry list([&log](const std::string& line) { log.push_back(line); });
        {
            CommonWindow window(nullptr,
                                CommonWindow::Options{QStringLiteral("FListed"), QSize(100, 100),
                                                      dir.Str() + "a.ini", true});
            EXPECT_EQ(list.Count(), 0) << "entered only when creation finishes";
        }
        KeyboardNavigatingWindow stray(nullptr, QStringLiteral("FStray"));
        list.Add(&stray);
        EXPECT_EQ(list.Count(), 1);
        list.Remove(&stray);
        EXPECT_EQ(list.Count(), 0);
        EXPECT_TRUE(log.empty());
        list.Remove(&stray);
        EXPECT_EQ(
            log,
            (std::vector<std::string>{"[SYSTEM ERROR] WindowsListからFormアドレスの削除に失敗"}));
    }
    EXPECT_EQ(WindowRegistry::Instance(), nullptr);
}

TEST(PaceText, SecondsPerPercent) {
    // 10 files, second step after 30 s: 20 percent, 1.5 s per percent.
    EXPECT_EQ(PaceText(2, 10, 30000), QStringLiteral("1 SPP"));
    // 250 files: 2 is not above 2.5, the third step is.
    EXPECT_FALSE(PaceText(2, 250, 1000).has_value());
    EXPECT_TRUE(PaceText(3, 250, 1000).has_value());
    // One step of one: the file's seconds divided by 100, truncated.
    EXPECT_EQ(PaceText(1, 1, 250000), QStringLiteral("2 SPP"));
    // 1 h 0 min 5 s per percent is shown whole, not from the top of the hour.
    EXPECT_EQ(PaceText(3, 200, 5407500), QStringLiteral("3605 SPP"));
    // Beyond a day per percent as well.
    EXPECT_EQ(PaceText(2, 100, 2LL * 90000000), QStringLiteral("90000 SPP"));
    // One step of a hundred is not above max / 100: no figure yet.
    EXPECT_FALSE(PaceText(1, 100, 3605000).has_value());
    EXPECT_EQ(PaceText(50, 100, 6100000), QStringLiteral("122 SPP"));
}

TEST(ProgressWindow, StartStepStopAndEsc) {
    QWidget mainWindow;
    mainWindow.show();
    ProgressWindow wait;
    wait.SetMainWindow(&mainWindow);
    EXPECT_EQ(wait.size(), QSize(408, 116));

    wait.StartProgress(3, true);
    EXPECT_TRUE(wait.isVisible());
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_TRUE(wait.gauge->isVisible());
    EXPECT_FALSE(wait.busyIndicator->isVisible());
    EXPECT_EQ(wait.gauge->maximum(), 3);
    for (int i = 0; i < 4; ++i) wait.StepProgress();
    EXPECT_EQ(wait.gauge->value(), 3) << "steps beyond the maximum stay at it";
    EXPECT_EQ(wait.gauge->text(), QStringLiteral("100%"));

    EXPECT_FALSE(wait.Cancelled());
    QTest::keyClick(&wait, Qt::Key_Escape);
    EXPECT_TRUE(wait.Cancelled());

    wait.StopProgress();
    EXPECT_FALSE(wait.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    mainWindow.setEnabled(false);
    wait.StopProgress();
    EXPECT_FALSE(mainWindow.isEnabled()) << "a second stop changes nothing";
    mainWindow.setEnabled(true);

    // No count: the busy indicator instead of the gauge; Cancelled cleared.
    wait.StartProgress(0, true);
    EXPECT_FALSE(wait.Cancelled());
    EXPECT_FALSE(wait.gauge->isVisible());
    EXPECT_TRUE(wait.busyIndicator->isVisible());
    EXPECT_TRUE(wait.busyIndicator->Playing());
    wait.StepProgress();
    wait.StopProgress();
    EXPECT_FALSE(wait.busyIndicator->Playing());
}

TEST(ProgressWindow, ClosingItDuringARunIsRefused) {
    QWidget mainWindow;
    mainWindow.show();
    ProgressWindow wait;
    wait.SetMainWindow(&mainWindow);
    wait.StartProgress(3, true);
    // Alt+F4 from the window manager: the run still owns the window.
    EXPECT_FALSE(wait.close());
    EXPECT_TRUE(wait.isVisible());
    wait.StepProgress();
    EXPECT_EQ(wait.gauge->value(), 1);
    wait.StopProgress();
    EXPECT_FALSE(wait.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled()) << "the stop enables the main window again";
}

TEST(ProgressWindow, MinimisingAndRestoringIsNoNewShowing) {
    QWidget mainWindow;
    mainWindow.show();
    ProgressWindow wait;
    wait.SetMainWindow(&mainWindow);
    wait.StartProgress(5, true);
    wait.StepProgress();
    wait.StepProgress();
    QTest::keyClick(&wait, Qt::Key_Escape);
    ASSERT_TRUE(wait.Cancelled());

    wait.setWindowState(Qt::WindowMinimized);
    wait.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(wait.Cancelled()) << "Esc is cleared only by a new start";
    EXPECT_TRUE(wait.gauge->isVisible());
    EXPECT_FALSE(wait.busyIndicator->isVisible());
    EXPECT_EQ(wait.gauge->maximum(), 5);
    EXPECT_EQ(wait.gauge->value(), 2);
    wait.StepProgress();
    EXPECT_EQ(wait.gauge->value(), 3);
    wait.StopProgress();
    EXPECT_TRUE(mainWindow.isEnabled());
}

}  // namespace
}  // namespace pictorel
