// The PCM block queue, the wave buffer ring, the mixer's slider scale and software volumes,
// and the waveform polyline.
#include "client/audio/devices/software_volume.h"
#include "client/audio/pipeline/audio_mixer.h"
#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/audio/pipeline/wave_buffer_ring.h"
#include "client/audio/pipeline/waveform.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

namespace orv {
namespace {

std::array<std::uint8_t, kPcmBlockBytes> Block(std::uint8_t fill) {
    std::array<std::uint8_t, kPcmBlockBytes> block;
    block.fill(fill);
    block[kPcmBlockBytes - 1] = static_cast<std::uint8_t>(fill + 100); // catches short copies
    return block;
}

TEST(PcmBlockQueue, FullRingDropsOldestSoSixPutsThenFiveGetsReturnBlocksTwoToSix) {
    PcmBlockQueue queue;
    for (std::uint8_t i = 1; i <= 6; ++i) queue.Put(Block(i).data());
    EXPECT_EQ(queue.Count(), 5u);
    for (std::uint8_t expected = 2; expected <= 6; ++expected) {
        const std::uint8_t* block = queue.Get();
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block[0], expected);
        EXPECT_EQ(block[kPcmBlockBytes - 1], expected + 100);
    }
    EXPECT_EQ(queue.Get(), nullptr);
}

TEST(PcmBlockQueue, KeepsOrderAcrossTheRingEdgeAndClearEmpties) {
    PcmBlockQueue queue;
    std::uint8_t next = 0, expected = 0;
    for (int round = 0; round < 7; ++round) { // three in, two out: the head walks round
        for (int i = 0; i < 3; ++i) queue.Put(Block(next++).data());
        while (queue.Count() > 3) ++expected, queue.Get(); // keep the ring from overflowing
        for (int i = 0; i < 2; ++i) EXPECT_EQ(queue.Get()[0], expected++);
    }
    queue.Clear();
    EXPECT_EQ(queue.Get(), nullptr);
    queue.Put(Block(9).data());
    EXPECT_EQ(queue.Get()[0], 9);
}

TEST(PcmBlockQueue, ConcurrentWriterAndReaderSeeWholeBlocksInOrder) {
    PcmBlockQueue queue;
    constexpr int kBlocks = 3000;
    auto numbered = [](int n) {
        std::array<std::uint8_t, kPcmBlockBytes> block;
        for (std::size_t i = 0; i < kPcmBlockBytes; i += 2) {
            block[i] = static_cast<std::uint8_t>(n);
            block[i + 1] = static_cast<std::uint8_t>(n >> 8);
        }
        return block;
    };
    std::thread writer([&] {
        for (int i = 1; i <= kBlocks; ++i) queue.Put(numbered(i).data());
    });
    int last = 0;
    bool ordered = true, whole = true;
    while (last < kBlocks) {
        const std::uint8_t* block = queue.Get();
        if (!block) continue;
        const int number = block[0] | (block[1] << 8);
        for (std::size_t i = 0; i < kPcmBlockBytes; i += 2) whole = whole && (block[i] | (block[i + 1] << 8)) == number;
        ordered = ordered && number > last; // drops allowed, never reordering or repeats
        last = number;
    }
    writer.join();
    EXPECT_TRUE(whole);
    EXPECT_TRUE(ordered);
}

TEST(WaveBufferRing, IndicesFollowFillSubmitRelease) {
    EXPECT_EQ(WaveBufferRing::Create(1, 480), nullptr);
    auto ring = WaveBufferRing::Create(3, 480);
    ASSERT_NE(ring, nullptr);
    EXPECT_TRUE(ring->IsEmpty());
    EXPECT_EQ(ring->TakeForSubmitting(), nullptr);
    EXPECT_EQ(ring->ReleaseCompleted(), nullptr);
    WaveBuffer* a = ring->TakeForFilling();
    WaveBuffer* b = ring->TakeForFilling();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_TRUE(ring->IsFull()); // n buffers hold n - 1: one slot tells full from empty
    EXPECT_EQ(ring->TakeForFilling(), nullptr);
    EXPECT_EQ(ring->TakeForSubmitting(), a);
    EXPECT_EQ(ring->TakeForSubmitting(), b);
    EXPECT_EQ(ring->TakeForSubmitting(), nullptr);
    EXPECT_EQ(ring->ReleaseCompleted(), a);
    EXPECT_FALSE(ring->IsFull());
    WaveBuffer* c = ring->TakeForFilling();
    EXPECT_NE(c, a);
    EXPECT_NE(c, b);
    EXPECT_EQ(ring->ReleaseCompleted(), b);
    EXPECT_EQ(ring->ReleaseCompleted(), c);
    EXPECT_TRUE(ring->IsEmpty());
    EXPECT_EQ(ring->TakeForFilling(), a); // round again
}

TEST(WaveBufferRing, PreparedHeaderPointsAtItsOwnData) {
    auto ring = WaveBufferRing::Create(2, 480);
    WaveBuffer* buffer = ring->TakeForFilling();
    buffer->header.bytesRecorded = 100;
    PrepareWaveBuffer(*buffer, WavePreparation::Output);
    EXPECT_EQ(buffer->preparation, WavePreparation::Output);
    EXPECT_EQ(buffer->header.data, buffer->data.data());
    EXPECT_EQ(buffer->header.bufferBytes, 480u);
    EXPECT_EQ(buffer->header.bytesRecorded, 0u);
    EXPECT_EQ(buffer->header.user, buffer);
    PrepareWaveBuffer(*buffer, WavePreparation::Input);
    EXPECT_EQ(buffer->preparation, WavePreparation::Input);
}

TEST(AudioMixer, SliderScaleIsTheHighByteOfTheVolume) {
    EXPECT_EQ(VolumeToSlider(0x8000), 128);
    EXPECT_EQ(SliderToVolume(255), 0xFF00u);
    EXPECT_EQ(VolumeToSlider(0xFFFF), 255);
    EXPECT_EQ(VolumeToSlider(0x00FF), 0);
    EXPECT_EQ(SliderToVolume(0), 0u);
    EXPECT_EQ(SliderToVolume(300), 0xFF00u); // out-of-range positions stay on the scale
    EXPECT_EQ(SliderToVolume(-5), 0u);
}

TEST(AudioMixer, FileDeviceKeepsBothVolumesInSoftwarePerDeviceAndDirection) {
    const std::string name = "wav:out=/nonexistent/mixer-test.wav";
    SoftwareVolume(name, AudioDirection::Capture).store(kFullSoftwareVolume);
    SoftwareVolume(name, AudioDirection::Playback).store(kFullSoftwareVolume);
    AudioMixer mixer;
    std::uint32_t volume = 0;
    EXPECT_FALSE(mixer.GetVolume(kMixerWaveInDestination, volume)); // not open yet
    ASSERT_TRUE(mixer.Open(name));
    ASSERT_TRUE(mixer.GetVolume(kMixerWaveOutSource, volume));
    EXPECT_EQ(volume, 0xFFFFu);

    ASSERT_TRUE(mixer.SetVolume(kMixerWaveInDestination, 0x18000)); // only the low 16 bits count
    ASSERT_TRUE(mixer.GetVolume(kMixerWaveInDestination, volume));
    EXPECT_EQ(VolumeToSlider(volume), 128);
    ASSERT_TRUE(mixer.SetVolume(kMixerWaveOutSource, SliderToVolume(255)));
    EXPECT_EQ(SoftwareVolume(name, AudioDirection::Playback).load(), 0xFF00u);
    EXPECT_EQ(SoftwareVolume(name, AudioDirection::Capture).load(), 0x8000u);
    EXPECT_EQ(SoftwareVolume("null", AudioDirection::Capture).load(), 0xFFFFu); // other devices untouched

    EXPECT_FALSE(mixer.SetVolume(kMixerMicrophone, 0x1000)); // not a volume line
    EXPECT_EQ(mixer.SelectRecordingSource(true), 0);          // the only input is already on
    AudioMixer second;                                        // another dialog sees the same volume
    second.Open(name);
    ASSERT_TRUE(second.GetVolume(kMixerWaveInDestination, volume));
    EXPECT_EQ(volume, 0x8000u);
}

TEST(SoftwareVolume, ScalesWithRoundingAndLeavesFullVolumeExact) {
    std::int16_t samples[] = {32767, -32768, 1000, -1000, 1, 0};
    ApplySoftwareVolume(samples, 6, kFullSoftwareVolume);
    EXPECT_EQ(samples[0], 32767);
    EXPECT_EQ(samples[1], -32768);
    ApplySoftwareVolume(samples, 6, 0x8000);
    EXPECT_EQ(samples[0], 16384);
    EXPECT_EQ(samples[1], -16384);
    EXPECT_EQ(samples[2], 500);
    EXPECT_EQ(samples[3], -500);
    EXPECT_EQ(samples[4], 1); // 0.5 rounds away from zero
    ApplySoftwareVolume(samples, 6, 0);
    for (std::int16_t s : samples) EXPECT_EQ(s, 0);
}

TEST(Waveform, PolylineSpansTheWidthAndMapsFullScaleToTheEdges) {
    const std::int16_t samples[] = {0, 32767, -32767, 16384};
    const auto points = WaveformPolyline(200, 101, samples, 4); // odd height rounds down to 100
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0].x, 0);
    EXPECT_EQ(points[0].y, 50);
    EXPECT_EQ(points[1].x, 50);
    EXPECT_EQ(points[1].y, 0);
    EXPECT_EQ(points[2].x, 100);
    EXPECT_EQ(points[2].y, 100);
    EXPECT_EQ(points[3].x, 150);
    EXPECT_EQ(points[3].y, 25);
    EXPECT_TRUE(WaveformPolyline(0, 100, samples, 4).empty());
}

TEST(Waveform, PainterGetsTheBlockSamplesForAWindowOnly) {
    HWND seenWindow = 0;
    std::size_t seenCount = 0;
    std::int16_t first = 0;
    SetWaveformPainter([&](HWND window, const std::int16_t* samples, std::size_t count) {
        seenWindow = window;
        seenCount = count;
        first = samples[0];
    });
    auto block = Block(0x12);
    DrawWaveform(0, block.data());
    EXPECT_EQ(seenWindow, 0u);
    DrawWaveform(7, block.data());
    EXPECT_EQ(seenWindow, 7u);
    EXPECT_EQ(seenCount, kPcmBlockSamples);
    EXPECT_EQ(first, 0x1212);
    SetWaveformPainter(nullptr);
}

} // namespace
} // namespace orv
