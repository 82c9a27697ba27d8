// The platform queue of the Qt thread is served by Qt's loops: posts and sends from other
// threads, window timers, modal dialogs, and a WM_QUIT that ends the Qt loop.
#include "client/app/qt_message_pump.h"
#include "platform/message.h"
#include "platform/thread.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace orv {
namespace {

constexpr UINT kPing = WM_USER + 100;
constexpr UINT kCloseDialog = WM_USER + 101;
constexpr int kSafetyMs = 10000; // a loop that is never ended fails the test instead of hanging

// Runs a Qt event loop until `done` is called or the safety time runs out.
bool RunQtLoopUntil(QEventLoop& loop) {
    bool timedOut = false;
    QTimer::singleShot(kSafetyMs, &loop, [&] {
        timedOut = true;
        loop.exit(1);
    });
    loop.exec();
    return !timedOut;
}

TEST(QtMessagePump, PostsAndSendsFromOtherThreadsRunInQtLoop) {
    QtMessagePump pump;
    QEventLoop loop;
    std::atomic<int> pings{0};
    ThreadId uiThread = GetCurrentThreadId();
    ThreadId seenOn = 0;
    FunctionWindow window([&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message != kPing) return 0;
        seenOn = GetCurrentThreadId();
        if (++pings == 101) loop.quit();
        return static_cast<LRESULT>(wParam) + 1;
    });
    HWND hwnd = window.Create("pump-test");
    LRESULT sendResult = 0;
    std::thread other([&] {
        for (int i = 0; i < 100; ++i) PostMessage(hwnd, kPing, i, 0);
        sendResult = SendMessage(hwnd, kPing, 41, 0); // blocks until the Qt thread ran it
    });
    EXPECT_TRUE(RunQtLoopUntil(loop));
    other.join();
    EXPECT_EQ(pings.load(), 101);
    EXPECT_EQ(sendResult, 42);
    EXPECT_EQ(seenOn, uiThread);
}

TEST(QtMessagePump, WindowTimerFiresInQtLoop) {
    QtMessagePump pump;
    QEventLoop loop;
    int ticks = 0;
    FunctionWindow window([&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message == WM_TIMER && wParam == 7 && ++ticks == 3) loop.quit();
        return 0;
    });
    HWND hwnd = window.Create("timer-test");
    ASSERT_EQ(SetTimer(hwnd, 7, 20), 7u);
    EXPECT_TRUE(RunQtLoopUntil(loop));
    KillTimer(hwnd, 7);
    EXPECT_EQ(ticks, 3);
}

TEST(QtMessagePump, ModalDialogLoopServesQueue) {
    QtMessagePump pump;
    QDialog dialog;
    int seenInDialog = 0;
    FunctionWindow window([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kPing) {
            ++seenInDialog;
            // A message box opened from a message: its own modal loop must serve the next one.
            QDialog inner;
            FunctionWindow innerCloser([&](UINT m, WPARAM, LPARAM) -> LRESULT {
                if (m == kCloseDialog) inner.done(5);
                return 0;
            });
            HWND closer = innerCloser.Create("inner-closer");
            std::thread([closer] { PostMessage(closer, kCloseDialog, 0, 0); }).detach();
            EXPECT_EQ(inner.exec(), 5);
        }
        if (message == kCloseDialog) dialog.done(3);
        return 0;
    });
    HWND hwnd = window.Create("modal-test");
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, &dialog, [&] { dialog.done(-1); });
    safety.start(kSafetyMs);
    std::thread other([hwnd] {
        PostMessage(hwnd, kPing, 0, 0);
        PostMessage(hwnd, kCloseDialog, 0, 0);
    });
    int result = dialog.exec();
    other.join();
    EXPECT_EQ(result, 3);
    EXPECT_EQ(seenInDialog, 1);
}

TEST(QtMessagePump, MessagesPostedBeforeThePumpExistedAreServed) {
    int seen = 0;
    FunctionWindow window([&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kPing) ++seen;
        return 0;
    });
    HWND hwnd = window.Create("early-test");
    PostMessage(hwnd, kPing, 0, 0);
    QtMessagePump pump;
    EXPECT_EQ(seen, 1);
}

TEST(QtMessagePump, QuitMessageEndsQtLoopWithItsCode) {
    QtMessagePump pump;
    QTimer::singleShot(0, [] { PostQuitMessage(9); });
    QTimer::singleShot(kSafetyMs, [] { QCoreApplication::exit(-1); });
    EXPECT_EQ(QApplication::exec(), 9);
}

} // namespace
} // namespace orv
