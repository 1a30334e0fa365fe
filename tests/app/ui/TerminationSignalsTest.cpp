// Termination signals end the program also while a modal box waits for an
// answer, and no box opens on the way out.
#include "app/ui/TerminationSignals.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <csignal>

#include "app/ui/QtMessageBoxes.h"

namespace pictorel {
namespace {

// A box that is still open after the time limit fails the test and is
// closed, so that a regression cannot hang the test run.
void CloseBoxesLeftOpen(QObject* context) {
    QTimer::singleShot(5000, context, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "a box is still waiting after the signal";
            box->close();
        }
    });
}

// An ended loop stays ended for loops started later until the main loop
// runs again: run it once so the next test starts afresh.
void RunMainLoopOnce() {
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QApplication::exec();
}

class TerminationSignalsTest : public ::testing::TestWithParam<int> {
  protected:
    void TearDown() override { RunMainLoopOnce(); }
};

TEST_P(TerminationSignalsTest, ASignalEndsAnOpenBoxAndLaterBoxesStayClosed) {
    QObject context;
    TerminationSignals terminationSignals;
    QtMessageBoxes boxes([&terminationSignals] { return terminationSignals.Received(); });
    bool boxShown = false;
    QTimer::singleShot(50, &context, [&boxShown, number = GetParam()] {
        boxShown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
        ::raise(number);
    });
    CloseBoxesLeftOpen(&context);

    // A question that nobody answers: the signal ends it with "No".
    EXPECT_FALSE(boxes.Confirm("C:/x/Pictorel.ini に書き込めません"));
    EXPECT_TRUE(boxShown);
    EXPECT_TRUE(terminationSignals.Received());
    // Failures met while the program ends are told without a box.
    boxes.ShowError("/x/Pictorel.ini に書き込めません");
    EXPECT_FALSE(boxes.Confirm("終了しますか?"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_P(TerminationSignalsTest, ASignalEndsTheMainLoop) {
    QObject context;
    TerminationSignals terminationSignals;
    QTimer::singleShot(50, &context, [number = GetParam()] { ::raise(number); });
    QTimer::singleShot(5000, &context, [] {
        ADD_FAILURE() << "the main loop still runs after the signal";
        QCoreApplication::exit(1);
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(terminationSignals.Received());
}

INSTANTIATE_TEST_SUITE_P(EachSignal, TerminationSignalsTest,
                         ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(TerminationSignalsHandlersTest, TheFormerHandlersComeBack) {
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    { TerminationSignals terminationSignals; }
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace
}  // namespace pictorel
