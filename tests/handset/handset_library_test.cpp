// The handset library through the virtual handset driver, as a client would use it: the
// device arrives and leaves through window notices, keys and hook changes come from the key
// scan, ringer and lamp reach the port lines, and the serial memory is bit-banged.
#include "tests/handset/handset_bench.h"

#include "handset/handset.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace orv {
namespace {

using Device = std::pair<int, int>;

bool HasField(const std::string& state, const std::string& field) {
    return (" " + state + " ").find(" " + field + " ") != std::string::npos;
}

TEST(HandsetLibrary, KeysHookLinesAndProductsThroughTheVirtualHandset) {
    HandsetBench bench;
    ASSERT_TRUE(bench.Open());
    int product = -1;
    EXPECT_EQ(GetProductID(&product), 0);
    EXPECT_EQ(product, 0) << "no device open yet";
    EXPECT_EQ(IsPhonePlugged(), 0);

    ASSERT_EQ(bench.Command("plug"), "ok");
    ASSERT_TRUE(bench.PumpUntil([] { return !HandsetBench::Devices().empty(); }));
    EXPECT_EQ(HandsetBench::Devices(), (std::vector<Device>{{1, 0}}));
    EXPECT_EQ(IsPhonePlugged(), 1);
    GetProductID(&product);
    EXPECT_EQ(product, 45585);

    // Each tap answers once a scan took the key, so the codes come in this order.
    EXPECT_EQ(bench.Command("tap 5"), "ok");
    EXPECT_EQ(bench.Command("tap 1 7"), "ok") << "two rows at once: the later row's key only";
    EXPECT_EQ(bench.Command("tap 5 reads=150"), "ok") << "held within the release wait: once";
    EXPECT_EQ(bench.Command("tap 5 reads=500"), "ok") << "held past 200 reads: reported again";
    EXPECT_EQ(bench.Command("lift"), "ok");
    EXPECT_EQ(bench.Command("tap 1"), "ok");
    EXPECT_EQ(GetHookState(), 1);
    EXPECT_EQ(bench.Command("replace"), "ok");
    EXPECT_EQ(bench.Command("tap #"), "ok");
    EXPECT_EQ(bench.Command("tap * 0"), "ok") << "two columns of one row: no key";
    EXPECT_EQ(bench.Command("tap *"), "ok");
    ASSERT_TRUE(bench.WaitKeyCount(12)) << ::testing::PrintToString(HandsetBench::Keys());
    EXPECT_EQ(HandsetBench::Keys(), (std::vector<int>{90, 5, 7, 5, 5, 5, 5, 70, 1, 80, 21, 20}));
    EXPECT_EQ(GetHookState(), 0);

    // Ringer and lamp: the scan keeps driving them while their flags are set.
    EXPECT_EQ(Phone_Ring(1), 0);
    EXPECT_EQ(Phone_Light(1), 0);
    EXPECT_EQ(bench.Command("tap 9"), "ok");
    std::string state = bench.Command("state");
    EXPECT_TRUE(HasField(state, "ringer=1") && HasField(state, "lamp=1")) << state;
    EXPECT_EQ(Phone_Ring(0), 0);
    EXPECT_EQ(Phone_Light(0), 0);
    EXPECT_EQ(bench.Command("tap 9"), "ok");
    state = bench.Command("state");
    EXPECT_TRUE(HasField(state, "ringer=0") && HasField(state, "lamp=0")) << state;

    // Every register access is tried three times; with the scan paused nothing else uses
    // the bus. Three failures in a row fail the memory access at its first read.
    PauseKeyScan();
    EXPECT_EQ(bench.Command("lift"), "ok");
    EXPECT_EQ(bench.Command("fail 2"), "ok");
    EXPECT_EQ(GetHookState(), 1);
    EXPECT_EQ(bench.Command("fail 3"), "ok");
    std::uint16_t word = 0;
    EXPECT_EQ(ReadEEProm(0, &word), 0);
    ResumeKeyScan();

    // Removal: the device callback says so and the device is closed.
    EXPECT_EQ(bench.Command("unplug"), "ok");
    ASSERT_TRUE(bench.PumpUntil([] { return HandsetBench::Devices().size() == 2; }));
    EXPECT_EQ(HandsetBench::Devices().back(), (Device{0, 0}));
    EXPECT_EQ(IsPhonePlugged(), 0);
    GetProductID(&product);
    EXPECT_EQ(product, 0);
    EXPECT_EQ(bench.Command("tap 3"), "error the handset is not plugged in and opened");

    // Product 45586 swaps the keys others report as 40 and 60; the handset is still off
    // hook, which the new device's first scan reports.
    EXPECT_EQ(bench.Command("product 45586"), "ok");
    EXPECT_EQ(bench.Command("plug"), "ok");
    ASSERT_TRUE(bench.PumpUntil([] { return HandsetBench::Devices().size() == 3; }));
    EXPECT_EQ(bench.Command("tap dial"), "ok");
    EXPECT_EQ(bench.Command("tap erase"), "ok");
    EXPECT_EQ(bench.Command("tap redial"), "ok");
    EXPECT_EQ(bench.Command("tap k30"), "ok");
    ASSERT_TRUE(bench.WaitKeyCount(20)) << ::testing::PrintToString(HandsetBench::Keys());
    const std::vector<int> keys = HandsetBench::Keys();
    EXPECT_EQ(std::vector<int>(keys.begin() + 14, keys.end()), (std::vector<int>{90, 70, 60, 40, 50, 30}));

    // Every transfer block the library sent was well formed, its unused bytes zero.
    EXPECT_TRUE(HasField(bench.Command("state"), "rejected=0"));
}

TEST(HandsetLibrary, SerialMemoryWordsAreWrittenReadBackAndKeptOnDisk) {
    HandsetBench bench;
    ASSERT_TRUE(bench.Open());
    std::uint16_t word = 0;
    EXPECT_EQ(ReadEEProm(14, &word), 0) << "no device open";

    ASSERT_EQ(bench.Command("plug"), "ok");
    ASSERT_TRUE(bench.PumpUntil([] { return !HandsetBench::Devices().empty(); }));
    PauseKeyScan();
    EXPECT_EQ(WriteEEProm(14, 0x3231), 1);
    EXPECT_EQ(WriteEEProm(63, 0x8001), 1);
    EXPECT_EQ(WriteEEProm(64, 0x1111), 0) << "address out of range";
    EXPECT_EQ(ReadEEProm(-1, &word), 0);
    EXPECT_EQ(ReadEEProm(14, &word), 1);
    EXPECT_EQ(word, 0x3231);
    EXPECT_EQ(ReadEEProm(63, &word), 1);
    EXPECT_EQ(word, 0x8001);
    EXPECT_EQ(ReadEEProm(15, &word), 1);
    EXPECT_EQ(word, 0xFFFF) << "an unwritten word stays erased";
    ResumeKeyScan();

    // The scan drives the shared lines again after the transaction.
    EXPECT_EQ(bench.Command("tap 8"), "ok");
    ASSERT_TRUE(bench.WaitKeyCount(2));
    EXPECT_EQ(HandsetBench::Keys(), (std::vector<int>{90, 8}));

    const std::string dump = bench.Command("dump");
    EXPECT_EQ(dump.substr(0, 3), "ok ");
    EXPECT_EQ(dump.substr(3 + 14 * 5, 4), "3231") << dump;
    std::ifstream file(bench.Home().File("handset_memory.bin"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(bytes.substr(28, 2), "12") << "word 14 little-endian";
    EXPECT_EQ(static_cast<unsigned char>(bytes[126]), 0x01);
    EXPECT_EQ(static_cast<unsigned char>(bytes[127]), 0x80);
}

} // namespace
} // namespace orv
