// The device layer: paced file and null streams driven by a manual clock, device names and
// the only-device switch, and the ALSA backend against ALSA's own null PCM.
#include "client/audio/devices/alsa_mixer.h"
#include "client/audio/devices/alsa_stream.h"
#include "client/audio/devices/audio_device_list.h"
#include "client/audio/devices/audio_stream.h"
#include "client/audio/devices/software_volume.h"
#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace orv {
namespace {

constexpr std::uint64_t kMs = 1000;

// Buffers of one block with a record of every completion.
class BufferSet {
public:
    explicit BufferSet(std::size_t count, std::uint8_t fill = 0x55) : m_data(count, std::vector<std::uint8_t>(480, fill)) {
        for (auto& data : m_data) m_headers.push_back({data.data(), 480, 0, nullptr});
    }
    AudioBuffer* Header(std::size_t i) { return &m_headers[i]; }
    AudioCompletion Completion() {
        return [this](AudioBuffer* buffer) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_completed.push_back(buffer);
            m_cv.notify_all();
        };
    }
    std::size_t Completed() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_completed.size();
    }
    bool WaitCompleted(std::size_t count) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_cv.wait_for(lock, std::chrono::seconds(10), [&] { return m_completed.size() >= count; });
    }
    AudioBuffer* CompletedAt(std::size_t i) {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_completed.at(i);
    }
    std::vector<std::int16_t> Samples(std::size_t i) {
        std::vector<std::int16_t> samples(240);
        std::memcpy(samples.data(), m_data[i].data(), 480);
        return samples;
    }

private:
    std::vector<std::vector<std::uint8_t>> m_data;
    std::vector<AudioBuffer> m_headers;
    std::mutex m_lock;
    std::condition_variable m_cv;
    std::vector<AudioBuffer*> m_completed;
};

std::vector<std::int16_t> Ramp(int from, int count) {
    std::vector<std::int16_t> out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<std::int16_t>(from + i));
    return out;
}

std::vector<std::int16_t> Concat(std::vector<std::int16_t> a, const std::vector<std::int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class PacedDevices : public ::testing::Test {
protected:
    test::ManualClockScope scope;
    ManualAudioClock& clock = *scope.clock;
    test::TempFolder folder;
};

TEST_F(PacedDevices, FileCaptureFillsQueuedBuffersOnTheClockAndLosesSamplesWithNoBuffer) {
    const std::string input = folder.File("ramp.wav");
    test::WriteWav8kMono(input, Ramp(1, 2000));
    BufferSet buffers(3);
    auto stream = OpenCaptureStream("wav:in=" + input, buffers.Completion());
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(stream->Submit(buffers.Header(0)));
    ASSERT_TRUE(stream->Submit(buffers.Header(1)));
    clock.Advance(29 * kMs);
    EXPECT_EQ(buffers.Completed(), 0u); // 232 samples so far: the block is not full
    clock.Advance(1 * kMs);
    ASSERT_EQ(buffers.Completed(), 1u);
    EXPECT_EQ(buffers.CompletedAt(0), buffers.Header(0));
    EXPECT_EQ(buffers.Header(0)->bytesRecorded, 480u);
    EXPECT_EQ(buffers.Samples(0), Ramp(1, 240));
    clock.Advance(30 * kMs);
    ASSERT_EQ(buffers.Completed(), 2u);
    EXPECT_EQ(buffers.Samples(1), Ramp(241, 240));
    clock.Advance(30 * kMs); // nothing queued: samples 481..720 pass by, as on a card
    ASSERT_TRUE(stream->Submit(buffers.Header(2)));
    clock.Advance(30 * kMs);
    ASSERT_EQ(buffers.Completed(), 3u);
    EXPECT_EQ(buffers.Samples(2), Ramp(721, 240));
}

TEST_F(PacedDevices, FileCaptureEndsInSilenceOrLoops) {
    const std::string input = folder.File("short.wav");
    test::WriteWav8kMono(input, Ramp(1, 300));
    for (const bool loop : {false, true}) {
        BufferSet buffers(2);
        auto stream = OpenCaptureStream("wav:in=" + input + (loop ? ",loop=1" : ""), buffers.Completion());
        ASSERT_NE(stream, nullptr);
        stream->Submit(buffers.Header(0));
        stream->Submit(buffers.Header(1));
        clock.Advance(60 * kMs); // both blocks due at once: filled in order all the same
        ASSERT_EQ(buffers.Completed(), 2u);
        const auto tail = loop ? Ramp(1, 180) : std::vector<std::int16_t>(180, 0);
        EXPECT_EQ(buffers.Samples(1), Concat(Ramp(241, 60), tail)) << "loop=" << loop;
    }
}

TEST_F(PacedDevices, FilePlaybackWritesWhatWasPlayedInTimeWithSilenceInTheGaps) {
    const std::string output = folder.File("heard.wav");
    const std::string name = "wav:out=" + output;
    BufferSet buffers(2);
    auto stream = OpenPlaybackStream(name, buffers.Completion());
    ASSERT_NE(stream, nullptr);
    std::memcpy(buffers.Header(0)->data, Ramp(1, 240).data(), 480);
    std::memcpy(buffers.Header(1)->data, Ramp(1001, 240).data(), 480);
    clock.Advance(10 * kMs);
    ASSERT_TRUE(stream->Submit(buffers.Header(0))); // plays from sample 80
    ASSERT_TRUE(stream->Submit(buffers.Header(1))); // right behind it, from 320
    clock.Advance(20 * kMs);
    EXPECT_EQ(buffers.Completed(), 0u);
    EXPECT_EQ(test::ReadWav8kMono(output), Concat(std::vector<std::int16_t>(80, 0), Ramp(1, 160)));
    clock.Advance(10 * kMs);
    EXPECT_EQ(buffers.Completed(), 1u); // the first buffer has been heard to its end
    clock.Advance(30 * kMs);
    EXPECT_EQ(buffers.Completed(), 2u);
    clock.Advance(10 * kMs);
    stream->Close();
    const auto expected =
        Concat(Concat(Concat(std::vector<std::int16_t>(80, 0), Ramp(1, 240)), Ramp(1001, 240)), std::vector<std::int16_t>(80, 0));
    EXPECT_EQ(test::ReadWav8kMono(output), expected);
    EXPECT_FALSE(stream->Submit(buffers.Header(0))); // closed
}

TEST_F(PacedDevices, SoftwareVolumeScalesWhatIsPlayedAndRecorded) {
    const std::string input = folder.File("loud.wav");
    const std::string output = folder.File("soft.wav");
    test::WriteWav8kMono(input, std::vector<std::int16_t>(240, 1000));
    const std::string name = "wav:in=" + input + ",out=" + output;
    SoftwareVolume(name, AudioDirection::Capture).store(0x8000);
    SoftwareVolume(name, AudioDirection::Playback).store(0x4000);
    BufferSet recorded(1), played(1);
    std::memcpy(played.Header(0)->data, std::vector<std::int16_t>(240, 1000).data(), 480);
    auto capture = OpenCaptureStream(name, recorded.Completion());
    auto playback = OpenPlaybackStream(name, played.Completion());
    ASSERT_TRUE(capture && playback);
    capture->Submit(recorded.Header(0));
    playback->Submit(played.Header(0));
    clock.Advance(30 * kMs);
    ASSERT_EQ(recorded.Completed(), 1u);
    EXPECT_EQ(recorded.Samples(0), std::vector<std::int16_t>(240, 500));
    EXPECT_EQ(test::ReadWav8kMono(output), std::vector<std::int16_t>(240, 250));
    SoftwareVolume(name, AudioDirection::Capture).store(kFullSoftwareVolume);
    SoftwareVolume(name, AudioDirection::Playback).store(kFullSoftwareVolume);
}

TEST_F(PacedDevices, NullDeviceRecordsSilenceInRealTimeAndDiscards) {
    BufferSet recorded(1), played(1);
    auto capture = OpenCaptureStream("null", recorded.Completion());
    auto playback = OpenPlaybackStream("null", played.Completion());
    ASSERT_TRUE(capture && playback);
    capture->Submit(recorded.Header(0));
    playback->Submit(played.Header(0));
    clock.Advance(20 * kMs);
    EXPECT_EQ(recorded.Completed() + played.Completed(), 0u);
    clock.Advance(10 * kMs);
    ASSERT_EQ(recorded.Completed(), 1u);
    EXPECT_EQ(played.Completed(), 1u);
    EXPECT_EQ(recorded.Samples(0), std::vector<std::int16_t>(240, 0));
}

TEST_F(PacedDevices, CloseGivesBuffersBackWithoutCompletion) {
    BufferSet buffers(2);
    auto stream = OpenCaptureStream("null", buffers.Completion());
    stream->Submit(buffers.Header(0));
    stream->Submit(buffers.Header(1));
    clock.Advance(15 * kMs);
    stream->Close();
    clock.Advance(100 * kMs);
    EXPECT_EQ(buffers.Completed(), 0u);
}

TEST(DeviceNames, UnknownNamesAndUnreadableFilesOpenNothing) {
    BufferSet buffers(1);
    EXPECT_EQ(OpenCaptureStream("", buffers.Completion()), nullptr);
    EXPECT_EQ(OpenCaptureStream("Speakers (no such card)", buffers.Completion()), nullptr);
    EXPECT_EQ(OpenPlaybackStream("Speakers (no such card)", buffers.Completion()), nullptr);
    EXPECT_EQ(OpenCaptureStream("wav:in=/nonexistent/x.wav", buffers.Completion()), nullptr);
    EXPECT_EQ(OpenPlaybackStream("wav:out=/nonexistent/folder/x.wav", buffers.Completion()), nullptr);
    EXPECT_EQ(OpenCaptureStream("wav:bogus=1", buffers.Completion()), nullptr);
    EXPECT_EQ(OpenCaptureStream("alsa:no_such_pcm", buffers.Completion()), nullptr);
}

TEST(DeviceNames, OnlyDeviceIsTheWholeListAndTheOnlyNameThatOpens) {
    SetOnlySoundDevice("wav:");
    auto capture = EnumerateCaptureDevices();
    ASSERT_EQ(capture.size(), 1u);
    EXPECT_EQ(capture[0].name, "wav:");
    ASSERT_EQ(EnumeratePlaybackDevices().size(), 1u);
    BufferSet buffers(1);
    EXPECT_EQ(OpenCaptureStream("null", buffers.Completion()), nullptr);
    auto stream = OpenCaptureStream("wav:", buffers.Completion());
    EXPECT_NE(stream, nullptr);
    stream.reset();
    SetOnlySoundDevice("");
    EXPECT_NE(OpenCaptureStream("null", buffers.Completion()), nullptr);
}

TEST(DeviceNames, CommandLineOptionAndEnvironmentChooseTheOnlyDevice) {
    char prog[] = "orvcli", option[] = "--audio-device", value[] = "null", other[] = "--home", dir[] = "/tmp";
    char* argv1[] = {prog, other, dir, option, value, nullptr};
    int argc = 5;
    InitOnlySoundDevice(argc, argv1);
    EXPECT_EQ(argc, 3);
    EXPECT_STREQ(argv1[2], "/tmp");
    EXPECT_EQ(argv1[3], nullptr);
    EXPECT_EQ(OnlySoundDevice(), "null");

    char joined[] = "--audio-device=wav:out=x.wav";
    char* argv2[] = {prog, joined, nullptr};
    argc = 2;
    ::setenv("ORV_AUDIO_DEVICE", "from-environment", 1);
    InitOnlySoundDevice(argc, argv2); // the option wins over the environment
    EXPECT_EQ(argc, 1);
    EXPECT_EQ(OnlySoundDevice(), "wav:out=x.wav");

    char* argv3[] = {prog, nullptr};
    argc = 1;
    InitOnlySoundDevice(argc, argv3);
    EXPECT_EQ(OnlySoundDevice(), "from-environment");
    ::unsetenv("ORV_AUDIO_DEVICE");
    SetOnlySoundDevice("");
}

TEST(AlsaBackend, CapturesFromAndPlaysToAlsasNullPcm) {
    BufferSet recorded(3), played(3);
    auto capture = OpenAlsaCapture("null", recorded.Completion());
    ASSERT_NE(capture, nullptr) << "ALSA's null PCM should open without hardware";
    for (std::size_t i = 0; i < 3; ++i) ASSERT_TRUE(capture->Submit(recorded.Header(i)));
    ASSERT_TRUE(recorded.WaitCompleted(3));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(recorded.CompletedAt(i), recorded.Header(i)); // in the order submitted
        EXPECT_EQ(recorded.Header(i)->bytesRecorded, 480u);
    }
    capture->Close();

    auto playback = OpenAlsaPlayback("null", played.Completion());
    ASSERT_NE(playback, nullptr);
    for (std::size_t i = 0; i < 3; ++i) ASSERT_TRUE(playback->Submit(played.Header(i)));
    ASSERT_TRUE(played.WaitCompleted(3));
    EXPECT_EQ(played.CompletedAt(2), played.Header(2));
    playback->Close();

    BufferSet named(1); // the explicit form reaches the same PCM through the device names
    auto byName = OpenCaptureStream("alsa:null", named.Completion());
    ASSERT_NE(byName, nullptr);
    byName->Submit(named.Header(0));
    EXPECT_TRUE(named.WaitCompleted(1));
}

TEST(AlsaBackend, DeviceListComesFromAlsaWithDescriptions) {
    for (const auto& device : EnumerateCaptureDevices()) {
        EXPECT_FALSE(device.name.empty());
        EXPECT_EQ(device.description.find('\n'), std::string::npos);
    }
    EXPECT_EQ(OpenAlsaPlayback("no_such_pcm", [](AudioBuffer*) {}), nullptr);
}

TEST(AlsaMixerNames, ControlDeviceOfTheCardHoldingAPcm) {
    EXPECT_EQ(AlsaMixer::ControlNameFor("hw:1,0"), "hw:1");
    EXPECT_EQ(AlsaMixer::ControlNameFor("plughw:2"), "hw:2");
    EXPECT_EQ(AlsaMixer::ControlNameFor("plughw:CARD=USB,DEV=0"), "hw:CARD=USB");
    EXPECT_EQ(AlsaMixer::ControlNameFor("sysdefault:CARD=PCH"), "hw:CARD=PCH");
    EXPECT_EQ(AlsaMixer::ControlNameFor("default"), "default");
    EXPECT_EQ(AlsaMixer::ControlNameFor("null"), "");
    EXPECT_EQ(AlsaMixer::ControlNameFor("hw:CARD=../../x"), "");
}

} // namespace
} // namespace orv
