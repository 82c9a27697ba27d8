// The headset buttons' reader thread on its own, with pipes standing in for the input event
// devices: a long burst written in pieces that cut records in two is told press by press and
// in order, the reader stops while it waits, starts again, ends by itself when the device
// goes, and a folder whose "event" entries are no input devices opens nothing.
#include "client/handset/headset_buttons.h"
#include "tests/handset/input_events.h"
#include "tests/server/test_folder.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <vector>

namespace orv {
namespace {

// A window of the test's thread that keeps every button told to it.
struct ButtonTarget {
    ButtonTarget()
        : window([this](UINT message, WPARAM wParam, LPARAM) {
              if (message == HeadsetButtons::NotifyMessage()) buttons.push_back(static_cast<int>(wParam));
              return LRESULT{0};
          }) {
        window.Create("headset target");
    }
    // Serves this thread's messages until done() holds (false after five seconds).
    bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            MSG msg;
            if (GetMessageTimeout(&msg, 20)) DispatchMessage(&msg);
        }
        return true;
    }
    std::vector<int> buttons;
    FunctionWindow window;
};

struct Pipe {
    Pipe() { EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0); }
    ~Pipe() { CloseWriter(); } // the reader owns ends[0]
    void CloseWriter() {
        if (ends[1] >= 0) close(ends[1]);
        ends[1] = -1;
    }
    int ends[2] = {-1, -1};
};

TEST(HeadsetButtons, ReaderTellsEveryWholePressInOrderAndStopsRestartsAndEndsWithTheDevice) {
    ButtonTarget target;
    HeadsetButtons buttons;
    Pipe first;
    ASSERT_TRUE(buttons.Watch(target.window.GetSafeHwnd(), first.ends[0]));
    EXPECT_EQ(buttons.DeviceCount(), 1);

    // Far more records than one read takes, each press among releases, repeats, another
    // key, the same code as another event type and report markers.
    constexpr unsigned kKeys[] = {KEY_PICKUP_PHONE, KEY_HANGUP_PHONE, KEY_PHONE, KEY_MICMUTE};
    std::vector<input_event> events;
    std::vector<int> expected;
    for (int i = 0; i < 150; ++i) {
        const unsigned key = kKeys[i % 4];
        events.push_back(Key(key, 1));
        expected.push_back(HeadsetButtonForKey(key));
        events.push_back(Key(SYN_REPORT, 0, EV_SYN));
        events.push_back(Key(key, 2));
        events.push_back(Key(key, 0));
        events.push_back(Key(KEY_VOLUMEUP, 1));
        events.push_back(Key(key, 1, EV_MSC));
    }
    // Written in pieces of a size no record divides, so most pieces end inside a record.
    const auto* bytes = reinterpret_cast<const char*>(events.data());
    const std::size_t size = events.size() * sizeof(input_event);
    for (std::size_t at = 0; at < size; at += 1001) {
        const std::size_t piece = std::min<std::size_t>(1001, size - at);
        ASSERT_EQ(write(first.ends[1], bytes + at, piece), static_cast<ssize_t>(piece));
    }
    ASSERT_TRUE(target.PumpUntil([&] { return target.buttons.size() >= expected.size(); }));
    EXPECT_EQ(target.buttons, expected);

    // Stopped while it waits for the device; a new device starts a new reader. Half a record
    // left behind by the old one must not be glued to the new device's first record.
    const input_event answer = Key(KEY_PICKUP_PHONE, 1);
    ASSERT_EQ(write(first.ends[1], &answer, sizeof answer / 2), static_cast<ssize_t>(sizeof answer / 2));
    buttons.Close();
    EXPECT_EQ(buttons.DeviceCount(), 0);
    target.buttons.clear();
    Pipe second;
    ASSERT_TRUE(buttons.Watch(target.window.GetSafeHwnd(), second.ends[0]));
    const input_event hangUp = Key(KEY_HANGUP_PHONE, 1);
    ASSERT_EQ(write(second.ends[1], &hangUp, sizeof hangUp), static_cast<ssize_t>(sizeof hangUp));
    ASSERT_TRUE(target.PumpUntil([&] { return !target.buttons.empty(); }));
    EXPECT_EQ(target.buttons, (std::vector<int>{static_cast<int>(HeadsetButton::HangUp)}));

    // The device goes away: the reader ends by itself, with a press written just before
    // still told; closing afterwards only collects it.
    ASSERT_EQ(write(second.ends[1], &answer, sizeof answer), static_cast<ssize_t>(sizeof answer));
    second.CloseWriter();
    ASSERT_TRUE(target.PumpUntil([&] { return target.buttons.size() == 2; }));
    EXPECT_EQ(target.buttons.back(), static_cast<int>(HeadsetButton::Answer));
    buttons.Close();

    // A reader still running when its owner goes is stopped by the destructor.
    Pipe third;
    {
        HeadsetButtons owned;
        ASSERT_TRUE(owned.Watch(target.window.GetSafeHwnd(), third.ends[0]));
    }
    EXPECT_FALSE(buttons.Watch(target.window.GetSafeHwnd(), -1));
}

TEST(HeadsetButtons, AFolderWithoutInputDevicesOpensNothing) {
    TestFolder folder;
    ASSERT_EQ(mkfifo(folder.File("event0").c_str(), 0600), 0);
    std::ofstream(folder.File("event1")) << "not a device";
    ASSERT_EQ(mkdir(folder.File("event2").c_str(), 0700), 0);
    ButtonTarget target;
    HeadsetButtons buttons;
    EXPECT_EQ(buttons.Open(target.window.GetSafeHwnd(), folder.Path()), 0);
    EXPECT_EQ(buttons.DeviceCount(), 0);
    EXPECT_EQ(buttons.Open(target.window.GetSafeHwnd(), folder.File("missing")), 0);
}

} // namespace
} // namespace orv
