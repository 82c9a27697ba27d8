// The capture and playback threads on file devices driven by a manual clock: failures to
// open, recycling without a queue, the one-block hold, device changes and a loopback.
#include "client/audio/pipeline/audio_play_thread.h"
#include "client/audio/pipeline/audio_record_thread.h"
#include "client/log/log.h"
#include "platform/paths.h"
#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace orv {
namespace {

constexpr std::uint64_t kBlockUs = 30000;
constexpr int kWait = 5000;

std::vector<std::int16_t> Ramp(int from, int count) {
    std::vector<std::int16_t> out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<std::int16_t>(from + i));
    return out;
}

std::vector<std::int16_t> Samples(const std::uint8_t* block) {
    std::vector<std::int16_t> samples(kPcmBlockSamples);
    std::memcpy(samples.data(), block, kPcmBlockBytes);
    return samples;
}

std::vector<std::int16_t> Slice(const std::vector<std::int16_t>& v, std::size_t from, std::size_t count) {
    if (from + count > v.size()) return {};
    return {v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

class AudioThreads : public ::testing::Test {
protected:
    // Waits until the play loop has taken everything from the queue and finished its pass.
    void SettlePlayback(PcmBlockQueue& queue, CAudioPlayThread& play) {
        ASSERT_TRUE(test::WaitFor([&] { return queue.Count() == 0; }, kWait));
        play.PlayState(); // takes the loop's lock: the pass that emptied the queue is over
    }

    std::string ReadLog() {
        CloseLog();
        const auto bytes = test::ReadFile(folder.File(ModuleName() + ".log"));
        return {bytes.begin(), bytes.end()};
    }

    test::ManualClockScope scope;
    ManualAudioClock& clock = *scope.clock;
    test::TempFolder folder;
};

TEST_F(AudioThreads, UnknownDeviceLogsStartErrorsAndRecordsAndPlaysNothing) {
    SetHomeFolder(folder.Path());
    OpenLog("LOG");
    PcmBlockQueue captured, toPlay;
    {
        CAudioRecordThread record("No Such Microphone", &captured);
        CAudioPlayThread play("No Such Speaker", &toPlay);
        ASSERT_TRUE(record.WaitUntilOpened(kWait));
        ASSERT_TRUE(play.WaitUntilOpened(kWait));
        EXPECT_FALSE(record.IsRecording());
        EXPECT_EQ(play.PlayState(), CAudioPlayThread::kPlayOff);
        const std::uint8_t block[kPcmBlockBytes] = {};
        toPlay.Put(block);
        for (int i = 0; i < 5; ++i) clock.Advance(kBlockUs);
        EXPECT_EQ(captured.Count(), 0u);
        EXPECT_EQ(record.BlocksRecorded(), 0u);
        EXPECT_EQ(play.BlocksWritten(), 0u);
        EXPECT_EQ(toPlay.Count(), 1u); // a silent thread leaves the queue alone
    }
    const std::string log = ReadLog();
    EXPECT_NE(log.find("StartRecord Error"), std::string::npos) << log;
    EXPECT_NE(log.find("StartPlay Error"), std::string::npos) << log;
    EXPECT_NE(log.find("AudioRecordThread Exit"), std::string::npos);
    EXPECT_NE(log.find("AudioPlayThread Exit"), std::string::npos);
}

TEST_F(AudioThreads, WithoutACaptureQueueBlocksAreRecycledAndNoneKept) {
    const std::string input = folder.File("ramp.wav");
    test::WriteWav8kMono(input, Ramp(0, 240 * 20));
    CAudioRecordThread record("wav:in=" + input, nullptr);
    ASSERT_TRUE(record.WaitUntilOpened(kWait));
    ASSERT_TRUE(record.IsRecording());
    for (int i = 0; i < 10; ++i) clock.Advance(kBlockUs); // far more blocks than the ring has
    EXPECT_EQ(record.BlocksRecorded(), 10u);

    PcmBlockQueue queue;
    record.SetCaptureQueue(&queue);
    clock.Advance(kBlockUs);
    clock.Advance(kBlockUs);
    ASSERT_EQ(queue.Count(), 2u); // only what was recorded after the queue came
    EXPECT_EQ(Samples(queue.Get()), Ramp(2400, 240));
    EXPECT_EQ(Samples(queue.Get()), Ramp(2640, 240)); // no gap: the device never ran dry
    record.Stop(kWait);
    EXPECT_FALSE(record.IsRunning());
}

TEST_F(AudioThreads, ASingleBlockAfterSilenceIsHeardOnlyOnceASecondArrives) {
    const std::string output = folder.File("heard.wav");
    PcmBlockQueue queue;
    CAudioPlayThread play("wav:out=" + output, &queue);
    ASSERT_TRUE(play.WaitUntilOpened(kWait));
    std::vector<std::int16_t> first = Ramp(1, 240), second = Ramp(1001, 240), third = Ramp(2001, 240);
    queue.Put(reinterpret_cast<const std::uint8_t*>(first.data()));
    SettlePlayback(queue, play);
    for (int i = 0; i < 4; ++i) clock.Advance(kBlockUs);
    EXPECT_EQ(play.BlocksWritten(), 0u);
    EXPECT_EQ(test::ReadWav8kMono(output), std::vector<std::int16_t>(4 * 240, 0)); // held back, not heard

    queue.Put(reinterpret_cast<const std::uint8_t*>(second.data()));
    SettlePlayback(queue, play);
    EXPECT_EQ(play.BlocksWritten(), 1u);
    EXPECT_EQ(play.PlayState(), CAudioPlayThread::kPlayPlaying);
    clock.Advance(kBlockUs);
    clock.Advance(kBlockUs);
    const auto heard = test::ReadWav8kMono(output);
    EXPECT_EQ(Slice(heard, 960, 240), first); // the first block, now that the second came
    EXPECT_EQ(Slice(heard, 1200, 240), std::vector<std::int16_t>(240, 0)); // the second is in hand

    queue.Put(reinterpret_cast<const std::uint8_t*>(third.data()));
    SettlePlayback(queue, play);
    clock.Advance(kBlockUs);
    EXPECT_EQ(Slice(test::ReadWav8kMono(output), 1440, 240), second);
}

TEST_F(AudioThreads, WithoutAPlaybackQueueTheLoopRunsAndWritesNothing) {
    const std::string output = folder.File("quiet.wav");
    CAudioPlayThread play("wav:out=" + output, nullptr);
    ASSERT_TRUE(play.WaitUntilOpened(kWait));
    for (int i = 0; i < 5; ++i) {
        clock.Advance(kBlockUs);
        EXPECT_EQ(play.PlayState(), CAudioPlayThread::kPlayBuffering);
    }
    EXPECT_EQ(play.BlocksWritten(), 0u);
    EXPECT_EQ(test::ReadWav8kMono(output), std::vector<std::int16_t>(5 * 240, 0));
    PcmBlockQueue queue; // the loop is alive: a queue attached now is served
    play.SetPlaybackQueue(&queue);
    const std::uint8_t block[kPcmBlockBytes] = {};
    queue.Put(block);
    queue.Put(block);
    ASSERT_TRUE(test::WaitFor([&] { return play.BlocksWritten() == 1; }, kWait));
    play.SetPlaybackQueue(nullptr); // the queue ends before the thread
}

TEST_F(AudioThreads, ChangeDeviceMovesRecordingAndPlaybackAndRetriesAFailedName) {
    const std::string inputA = folder.File("a.wav"), inputB = folder.File("b.wav");
    test::WriteWav8kMono(inputA, std::vector<std::int16_t>(2400, 111));
    test::WriteWav8kMono(inputB, std::vector<std::int16_t>(2400, 222));
    PcmBlockQueue queue;
    CAudioRecordThread record("wav:in=" + inputA, &queue);
    ASSERT_TRUE(record.WaitUntilOpened(kWait));
    clock.Advance(kBlockUs);
    EXPECT_EQ(Samples(queue.Get())[0], 111);
    EXPECT_FALSE(record.ChangeDevice("wav:in=" + inputA)); // same device: nothing to do
    EXPECT_TRUE(record.ChangeDevice("wav:in=" + inputB));
    clock.Advance(kBlockUs);
    EXPECT_EQ(Samples(queue.Get())[0], 222);
    EXPECT_EQ(record.DeviceName(), "wav:in=" + inputB);

    EXPECT_TRUE(record.ChangeDevice("No Such Microphone"));
    EXPECT_FALSE(record.IsRecording());
    EXPECT_EQ(record.DeviceName(), "wav:in=" + inputB); // the name changes only on success
    EXPECT_TRUE(record.ChangeDevice("wav:in=" + inputB)); // so the old name can be tried again
    EXPECT_TRUE(record.IsRecording());

    const std::string outA = folder.File("outa.wav"), outB = folder.File("outb.wav");
    CAudioPlayThread play("wav:out=" + outA, nullptr);
    ASSERT_TRUE(play.WaitUntilOpened(kWait));
    EXPECT_TRUE(play.ChangeDevice("wav:out=" + outB));
    EXPECT_EQ(play.PlayState(), CAudioPlayThread::kPlayBuffering);
    EXPECT_EQ(play.DeviceName(), "wav:out=" + outB);
    clock.Advance(kBlockUs);
    EXPECT_EQ(test::ReadWav8kMono(outB).size(), 240u); // the new device runs on the clock

    // Made by the speaker thread: the caller goes on at once and the device moves all the same.
    play.ChangeDeviceLater("wav:out=" + outA);
    ASSERT_TRUE(test::WaitFor([&] { return play.DeviceName() == "wav:out=" + outA; }, kWait));
    EXPECT_EQ(play.PlayState(), CAudioPlayThread::kPlayBuffering);
    clock.Advance(kBlockUs);
    EXPECT_EQ(test::ReadWav8kMono(outA).size(), 240u);
}

// Microphone to speaker through one queue, as the audio test does: every sample arrives,
// exactly, 60 ms late: one block to record plus the one block playback holds in hand.
TEST_F(AudioThreads, LoopbackReproducesTheInputExactlyTwoBlocksLate) {
    std::mt19937 random(8);
    std::vector<std::int16_t> speech(240 * 40);
    for (auto& s : speech) s = static_cast<std::int16_t>(static_cast<int>(random() % 65536) - 32768);
    const std::string input = folder.File("speech.wav"), output = folder.File("loop.wav");
    test::WriteWav8kMono(input, speech);
    const std::string device = "wav:in=" + input + ",out=" + output; // one name, both directions

    PcmBlockQueue queue;
    {
        CAudioRecordThread record(device, &queue);
        CAudioPlayThread play(device, &queue);
        ASSERT_TRUE(record.WaitUntilOpened(kWait) && play.WaitUntilOpened(kWait));
        ASSERT_TRUE(record.IsRecording());
        for (int block = 0; block < 45; ++block) {
            clock.Advance(kBlockUs);
            SettlePlayback(queue, play);
        }
        EXPECT_EQ(record.BlocksRecorded(), 45u);
        EXPECT_EQ(play.BlocksWritten(), 44u); // the newest block is the one in hand
    }
    const auto heard = test::ReadWav8kMono(output);
    ASSERT_EQ(heard.size(), 45u * 240u);
    std::size_t delay = 0;
    while (delay < heard.size() && heard[delay] == 0) ++delay;
    EXPECT_EQ(delay, 480u); // 60 ms
    EXPECT_EQ(Slice(heard, 480, speech.size()), speech);
}

} // namespace
} // namespace orv
