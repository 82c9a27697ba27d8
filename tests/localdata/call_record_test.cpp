// CallRecordList: call life cycle, trimming, load filtering, stable bytes, damaged files.
#include "client/data/call_record_list.h"
#include "client/data/scramble.h"
#include "tests/localdata/temp_folder.h"
#include "wire/byte_order.h"
#include "wire/text_field.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <thread>
#include <random>

namespace orv {
namespace {

using test::TempFolder;

// A clock the test moves by hand.
struct FakeClock {
    std::uint32_t now = 1700000000;
    CallRecordList::Clock Function() {
        return [this] { return now; };
    }
};

class CallRecordListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(list.Load("8001"), 1); }
    std::string FilePath() const { return home.File("8001/CallRecord.dat"); }
    // The file once every change so far was written.
    std::vector<std::uint8_t> Written() {
        list.Flush();
        return test::ReadBytes(FilePath());
    }

    TempFolder home;
    FakeClock clock;
    CallRecordList list{home.Path(), clock.Function()};
};

TEST_F(CallRecordListTest, AnsweredCallBecomesReceivedAndUnansweredStaysMissed) {
    ASSERT_EQ(list.Add(0, 0, 101, "8002", "8001", kMissedCall, kCallRunning), 1);
    ASSERT_EQ(list.Add(0, 0, 102, "8003", "8001", kMissedCall, kCallRunning), 1);
    EXPECT_EQ(list.CountUnseen(kMissedCall), 0); // still ringing: not counted

    clock.now += 5;
    EXPECT_EQ(list.TalkStarted(101), 1);
    EXPECT_EQ(list.TalkStarted(0), 0);   // identifier 0 never matches
    EXPECT_EQ(list.TalkStarted(999), 0);
    clock.now += 60;
    EXPECT_EQ(list.CallEnded(0, 101, 1, 0), 1);
    EXPECT_EQ(list.CallEnded(1, 102, 3, 7), 0); // caller flag must match
    EXPECT_EQ(list.CallEnded(0, 102, 3, 7), 1);

    const auto records = list.Records();
    ASSERT_EQ(records.size(), 2u);
    const auto& received = records[0];
    EXPECT_EQ(received.listType, kReceivedCall);
    EXPECT_EQ(received.talkStart, 1700000005u);
    EXPECT_EQ(received.endTime, 1700000065u);
    const auto& missed = records[1];
    EXPECT_EQ(missed.listType, kMissedCall);
    EXPECT_EQ(missed.talkStart, missed.endTime); // never talked: talk start is the end
    EXPECT_EQ(missed.endKind, 3u);
    EXPECT_EQ(missed.endReason, 7);

    EXPECT_EQ(list.CountUnseen(kMissedCall), 1);
    std::vector<CallRecord> shown{CallRecord{}};
    EXPECT_EQ(list.TakeList(kMissedCall, &shown), 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caller, "8003");
    EXPECT_EQ(list.CountUnseen(kMissedCall), 0);

    // The seen flag and the types survive a reload.
    list.Flush();
    CallRecordList reloaded(home.Path(), clock.Function());
    ASSERT_EQ(reloaded.Load("8001"), 1);
    EXPECT_EQ(reloaded.CountUnseen(kMissedCall), 0);
    EXPECT_EQ(reloaded.CountUnseen(kReceivedCall), 1);
}

TEST_F(CallRecordListTest, ChairmansInvitationsEndOneByOneOrWithTheRoom) {
    // The room, then an invitation per member under the room's call identifier.
    ASSERT_EQ(list.Add(1, 1, 77, "8001", "555", kDialledCall, kCallRunning), 1);
    ASSERT_EQ(list.Add(1, 1, 77, "8001", "8002*12", kDialledCall, kCallRunning), 1);
    ASSERT_EQ(list.Add(1, 1, 77, "8001", "8003", kDialledCall, kCallRunning), 1);
    ASSERT_EQ(list.Add(1, 1, 77, "8001", "8004", kDialledCall, kCallRunning), 1);
    ASSERT_EQ(list.Add(1, 0, 78, "8001", "8009", kDialledCall, kCallRunning), 1); // another call

    clock.now += 3;
    EXPECT_EQ(list.MemberTalkStarted(77, "8002"), 1); // the extension dialled does not count
    EXPECT_EQ(list.MemberTalkStarted(77, "8005"), 0);
    clock.now += 10;
    EXPECT_EQ(list.MemberEnded(77, "8004", 1, 0x1000003), 1); // refused by the user server
    EXPECT_EQ(list.MemberEnded(77, "8004", 4, 11), 0);        // already over
    clock.now += 20;
    EXPECT_EQ(list.CallEnded(1, 77, 5, 0), 1); // the chairman leaves: the rest end with it

    const auto records = list.Records();
    ASSERT_EQ(records.size(), 5u);
    const auto of = [&](const std::string& called) {
        for (const CallRecord& r : records) {
            if (r.called == called) return r;
        }
        return CallRecord{};
    };
    for (const char* called : {"555", "8002*12", "8003", "8004"}) EXPECT_TRUE(of(called).Finished()) << called;
    EXPECT_EQ(of("8002*12").talkStart, 1700000003u);
    EXPECT_EQ(of("8002*12").endTime, 1700000033u);
    EXPECT_EQ(of("8003").talkStart, of("8003").endTime); // never joined
    EXPECT_EQ(of("8004").endReason, 0x1000003);
    EXPECT_EQ(of("8004").endTime, 1700000013u);
    EXPECT_FALSE(of("8009").Finished()) << "another call's record is not the room's";
}

TEST_F(CallRecordListTest, FailedOfflineAndDeletedRecords) {
    ASSERT_EQ(list.AddFailed(1, "8001", "8009", -4, 2), 1);
    ASSERT_EQ(list.AddOffline(1600000000, "8005", "8001", 2), 1);
    ASSERT_EQ(list.AddOffline(1600000100, "8006", "8001", 1), 1);
    auto records = list.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].listType, kDialledCall);
    EXPECT_EQ(records[0].callerFlag, 1u);
    EXPECT_EQ(records[0].conference, 1u);
    EXPECT_EQ(records[0].endReason, -4);
    EXPECT_EQ(records[0].madeTime, clock.now);
    EXPECT_EQ(records[0].endTime, clock.now);
    // Offline records sorted newest first within their type.
    EXPECT_EQ(records[1].caller, "8006");
    EXPECT_EQ(records[1].conference, 0u);
    EXPECT_EQ(records[2].conference, 1u);
    EXPECT_EQ(records[2].endKind, kOfflineEndKind);
    EXPECT_EQ(records[2].talkStart, 1600000000u);
    EXPECT_EQ(list.CountUnseen(kOfflineCall), 2);

    EXPECT_EQ(list.Delete(records[1].sequence), 1);
    EXPECT_EQ(list.Delete(12345), 0);
    EXPECT_EQ(list.Records().size(), 2u);
    list.Flush();
    CallRecordList reloaded(home.Path(), clock.Function());
    ASSERT_EQ(reloaded.Load("8001"), 1);
    EXPECT_EQ(reloaded.Records().size(), 2u);
}

TEST_F(CallRecordListTest, KeepsTheFiftyNewestFinishedRecordsOfEachType) {
    for (int i = 0; i < 55; ++i) {
        clock.now += 10;
        ASSERT_EQ(list.Add(1, 0, 1000 + i, "8001", "8002", kDialledCall, 1), 1);
    }
    ASSERT_EQ(list.Add(1, 0, 2000, "8001", "8003", kDialledCall, kCallRunning), 1);
    ASSERT_EQ(list.Add(0, 0, 3000, "8004", "8001", kReceivedCall, 1), 1);
    auto records = list.Records();
    ASSERT_EQ(records.size(), 52u);
    std::set<std::uint32_t> dialledIds;
    for (const auto& r : records) {
        if (r.listType == kDialledCall && r.Finished()) dialledIds.insert(r.callId);
    }
    ASSERT_EQ(dialledIds.size(), 50u);
    EXPECT_EQ(*dialledIds.begin(), 1005u); // the five oldest are gone
    EXPECT_EQ(*dialledIds.rbegin(), 1054u);
    // The running call is neither counted nor removed.
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const CallRecord& r) { return r.callId == 2000; }));
    EXPECT_EQ(Written().size(), 52 * kCallRecordSize);
}

TEST_F(CallRecordListTest, RunningRecordsVanishAtLoadAndUnchangedListsSaveToTheSameBytes) {
    ASSERT_EQ(list.Add(1, 0, 1, "8001", "8002", kDialledCall, 1), 1);
    ASSERT_EQ(list.Add(0, 0, 2, "8003", "8001", kMissedCall, 4), 1);
    clock.now += 100;
    ASSERT_EQ(list.Add(0, 1, 3, "8004", "8001", kReceivedCall, 5), 1);
    ASSERT_EQ(list.Add(1, 0, 4, "8001", "8005", kDialledCall, kCallRunning), 1);
    ASSERT_EQ(list.AddOffline(1500000000, "8006", "8001", 0), 1);
    ASSERT_EQ(list.Delete(list.Records()[0].sequence), 1); // sequence numbers now have a gap
    const auto written = Written();
    ASSERT_EQ(written.size(), 4 * kCallRecordSize);

    CallRecordList first(home.Path(), clock.Function());
    ASSERT_EQ(first.Load("8001"), 1);
    EXPECT_EQ(first.Records().size(), 3u); // the running call is dropped
    ASSERT_EQ(first.Save(), 1);
    first.Flush();
    const auto once = Written();
    ASSERT_EQ(once.size(), 3 * kCallRecordSize);

    CallRecordList second(home.Path(), clock.Function());
    ASSERT_EQ(second.Load("8001"), 1);
    ASSERT_EQ(second.Save(), 1);
    second.Flush();
    EXPECT_EQ(Written(), once);
    EXPECT_EQ(second.Records().size(), 3u);
}

TEST_F(CallRecordListTest, EachRecordIsScrambledOnItsOwn) {
    ASSERT_EQ(list.Add(1, 0, 0x01020304, "8001", "8002", kDialledCall, 1), 1);
    ASSERT_EQ(list.Add(1, 0, 0x05060708, "8001", "8003", kDialledCall, 1), 1);
    auto bytes = Written();
    ASSERT_EQ(bytes.size(), 2 * kCallRecordSize);
    // Word 0 of each record is its sequence XOR the key; word 1 uses the previous word mod 108.
    for (std::size_t r = 0; r < 2; ++r) {
        const std::uint8_t* record = bytes.data() + r * kCallRecordSize;
        const std::uint32_t c0 = GetU32LE(record);
        EXPECT_EQ(c0 ^ 0x4E2A6C19u, r);
        UnscrambleBlock(bytes.data() + r * kCallRecordSize, kCallRecordSize, kCallRecordKey);
    }
    // Newest talk start first: both were made at the same second, so the order is kept.
    EXPECT_EQ(GetU32LE(bytes.data() + 4), 0x01020304u);
    EXPECT_EQ(GetU32LE(bytes.data() + kCallRecordSize + 4), 0x05060708u);
    EXPECT_EQ(GetTextField(bytes.data() + kCallRecordSize + 52, 32), "8003");
}

TEST_F(CallRecordListTest, DamagedFilesKeepTheirGoodRecords) {
    for (int i = 0; i < 4; ++i) {
        clock.now += 10;
        ASSERT_EQ(list.Add(1, 0, 10 + i, "8001", "900" + std::to_string(i), kDialledCall, 1), 1);
    }
    auto bytes = Written();
    // Record 1 overwritten with noise, a torn record at the end.
    std::mt19937 random(5);
    for (std::size_t i = kCallRecordSize; i < 2 * kCallRecordSize; ++i) bytes[i] = static_cast<std::uint8_t>(random());
    bytes.resize(bytes.size() + 50, 0xEE);
    test::WriteBytes(FilePath(), bytes);

    CallRecordList damaged(home.Path(), clock.Function());
    ASSERT_EQ(damaged.Load("8001"), 1);
    std::set<std::string> called;
    for (const auto& r : damaged.Records()) called.insert(r.called);
    EXPECT_EQ(called.size(), 3u);
    EXPECT_TRUE(called.count("9003") && called.count("9001") && called.count("9000"));

    // Whole files of noise: no crash, only records of valid type and end kind, bounded texts.
    for (int round = 0; round < 50; ++round) {
        std::vector<std::uint8_t> noise(random() % 5000);
        for (auto& b : noise) b = static_cast<std::uint8_t>(random());
        test::WriteBytes(FilePath(), noise);
        CallRecordList reader(home.Path(), clock.Function());
        ASSERT_EQ(reader.Load("8001"), 1);
        for (const auto& r : reader.Records()) {
            ASSERT_LT(r.listType, kCallListTypes);
            ASSERT_GE(r.endKind, 1u);
            ASSERT_LE(r.endKind, kLastEndKind);
            ASSERT_LE(r.caller.size(), 31u);
        }
    }
}

TEST_F(CallRecordListTest, CallReportsAndListWindowsMayRunOnDifferentThreads) {
    // The network thread reports calls while the UI thread takes and deletes records.
    std::thread network([this] {
        for (std::uint32_t id = 1; id <= 20; ++id) {
            list.Add(0, 0, id, "8002", "8001", kMissedCall, kCallRunning);
            if (id % 2 == 0) list.TalkStarted(id);
            list.CallEnded(0, id, 1, 0);
        }
    });
    std::size_t taken = 0;
    for (int round = 0; round < 20; ++round) {
        std::vector<CallRecord> shown;
        list.TakeList(kReceivedCall, &shown);
        for (const auto& r : shown) ASSERT_EQ(r.callId % 2, 0u);
        taken = shown.size();
        list.CountUnseen(kMissedCall);
    }
    network.join();
    EXPECT_LE(taken, 10u);
    EXPECT_EQ(list.CountUnseen(kMissedCall), 10);
    std::vector<CallRecord> received;
    list.TakeList(kReceivedCall, &received);
    EXPECT_EQ(received.size(), 10u);
    list.Flush();
    CallRecordList reloaded(home.Path(), clock.Function());
    ASSERT_EQ(reloaded.Load("8001"), 1);
    EXPECT_EQ(reloaded.Records().size(), 20u);
}

TEST(CallRecordListUser, OnlyPlainNumbersNameTheUserFolder) {
    TempFolder home;
    const std::string inside = home.Path() + "/inner";
    std::filesystem::create_directory(inside);
    CallRecordList list(inside);
    for (const char* bad : {"../8001", "..", "", "80 01", "8001/x", "12345678901234567890123456789012"}) {
        EXPECT_EQ(list.Load(bad), 0) << bad;
        EXPECT_EQ(list.Add(1, 0, 1, "8001", "8002", kDialledCall, 1), 0) << bad; // nowhere to save
    }
    EXPECT_TRUE(std::filesystem::is_empty(inside));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.Path()), {}), 1);
    EXPECT_EQ(list.Load("8001"), 1);
    EXPECT_EQ(list.Save(), 1);
    list.Flush();
    EXPECT_TRUE(std::filesystem::exists(inside + "/8001/CallRecord.dat"));
}

} // namespace
} // namespace orv
