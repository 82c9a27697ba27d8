// The client's handset device over the real library and the virtual handset: the key and
// status codes become "usb_notify_msg" posts to the target, the stored data are read and
// written in the handset's layout, and removal is told.
#include "client/handset/handset_device.h"
#include "client/handset/handset_memory.h"
#include "tests/handset/handset_bench.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace orv {
namespace {

using Post = std::pair<WPARAM, LPARAM>;

std::string WriteCommand(int address, std::uint16_t value) {
    char line[40];
    std::snprintf(line, sizeof line, "write %d 0x%04x", address, value);
    return line;
}

TEST(HandsetDevice, KeysStoredDataAndRemovalReachTheTargetWindow) {
    HandsetBench bench;
    std::vector<Post> posts;
    FunctionWindow target([&](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == HandsetDevice::NotifyMessage())
            posts.emplace_back(wParam, lParam);
        return LRESULT{0};
    });
    ASSERT_NE(target.Create("target"), 0u);
    HandsetDevice device;
    EXPECT_EQ(HandsetDevice::Current(), &device);
    ASSERT_TRUE(device.Open(target.GetSafeHwnd()));
    ASSERT_TRUE(bench.StartControl());
    EXPECT_FALSE(HandsetDevice::Present());

    // The factory's data: key byte 0x5A, not bound, customer number 0x00C0FFEE.
    constexpr std::uint8_t kKey = 0x5A;
    std::uint16_t word5 = 0;
    std::uint16_t word6 = 0;
    CustomerNumberToWords(0x00C0FFEE, kKey, &word5, &word6);
    EXPECT_EQ(bench.Command(WriteCommand(0, MakeKeyWord({kKey, 0}))), "ok");
    EXPECT_EQ(bench.Command(WriteCommand(5, word5)), "ok");
    EXPECT_EQ(bench.Command(WriteCommand(6, word6)), "ok");

    ASSERT_EQ(bench.Command("plug"), "ok");
    ASSERT_TRUE(bench.PumpUntil([&] { return posts.size() >= 2; }));
    EXPECT_EQ(posts, (std::vector<Post>{{1, kHandsetReady}, {1, kHandsetPlugged}}));
    EXPECT_TRUE(HandsetDevice::Present());
    EXPECT_EQ(HandsetDevice::KeyByte(), kKey);
    EXPECT_FALSE(HandsetDevice::NumberBound());
    std::uint32_t customer = 0;
    EXPECT_TRUE(device.ReadCustomerNumber(3, &customer));
    EXPECT_EQ(customer, 0x00C0FFEEu);

    // The bound number: stored scrambled, read back; 32 characters are refused untouched.
    EXPECT_TRUE(device.WriteOrvNumber("12345", 3));
    EXPECT_TRUE(HandsetDevice::NumberBound());
    std::string number;
    EXPECT_TRUE(device.ReadOrvNumber(3, &number));
    EXPECT_EQ(number, "12345");
    EXPECT_FALSE(device.WriteOrvNumber(std::string(32, '9'), 3));
    EXPECT_TRUE(device.WriteOrvNumber(std::string(31, '7'), 3));
    EXPECT_TRUE(device.ReadOrvNumber(3, &number));
    EXPECT_EQ(number, std::string(31, '7'));
    EXPECT_TRUE(device.WriteOrvNumber("12345", 3));
    const std::string dump = bench.Command("dump");
    EXPECT_EQ(dump.substr(3, 4), "015a") << "word 0 plain: bound flag 1, key byte 0x5a";
    EXPECT_EQ(dump.substr(3 + 14 * 5, 4), "686b") << "'1' '2' each XOR 0x5a, low byte first";

    // Keys and the hook, translated.
    posts.clear();
    for (const char* line : {"lift", "tap 0", "tap *", "tap #", "tap erase", "tap dial", "tap k30", "tap redial",
                             "replace", "tap 1"}) {
        EXPECT_EQ(bench.Command(line), "ok") << line;
    }
    ASSERT_TRUE(bench.PumpUntil([&] { return posts.size() >= 10; }));
    EXPECT_EQ(posts, (std::vector<Post>{{0, kHandsetOffHook}, {0, 0}, {0, kHandsetStar}, {0, kHandsetPound},
                                        {0, kHandsetErase}, {0, kHandsetDial}, {0, kHandsetFunction},
                                        {0, kHandsetRedial}, {0, kHandsetOnHook}, {0, 1}}));

    // The ringer, and the hook state read directly.
    device.Ring(true);
    EXPECT_EQ(bench.Command("tap 2"), "ok");
    EXPECT_NE(bench.Command("state").find(" ringer=1 "), std::string::npos);
    device.Ring(false);
    EXPECT_EQ(device.HookState(), 0);

    // Removal.
    posts.clear();
    ASSERT_EQ(bench.Command("unplug"), "ok");
    ASSERT_TRUE(bench.PumpUntil([&] { return !posts.empty() && posts.back() == Post{1, kHandsetRemoved}; }));
    EXPECT_FALSE(HandsetDevice::Present());

    device.Close();
    EXPECT_EQ(device.HookState(), 0);
    EXPECT_FALSE(device.ReadOrvNumber(3, &number));
}

} // namespace
} // namespace orv
