// Reading hostile and unusual WAV files, converting them to 8 kHz mono, writing the played
// sound kill-safely, and the file device's name.
#include "client/audio/devices/resampler.h"
#include "client/audio/devices/wav_device.h"
#include "client/audio/devices/wav_reader.h"
#include "client/audio/devices/wav_writer.h"
#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace orv {
namespace {

using test::MakeWav;
using test::Pcm16Bytes;
using test::WavLayout;

constexpr double kPi = 3.14159265358979323846;

bool Parse(const std::vector<std::uint8_t>& bytes, WavAudio& audio, std::string& error) {
    return ParseWav(bytes.data(), bytes.size(), audio, error);
}

std::vector<std::int16_t> Tone(double hz, int rate, int frames, double amplitude) {
    std::vector<std::int16_t> out;
    for (int i = 0; i < frames; ++i) out.push_back(static_cast<std::int16_t>(amplitude * std::sin(2 * kPi * hz * i / rate)));
    return out;
}

double Rms(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

TEST(WavReader, StereoAt44kIsDownmixedAndResampledWithoutAliasing) {
    const int frames = 44100; // one second
    const auto left = Tone(1000, 44100, frames, 16000);
    const auto right = Tone(6000, 44100, frames, 16000); // above 4 kHz: must not fold back
    std::vector<std::int16_t> interleaved;
    for (int i = 0; i < frames; ++i) {
        interleaved.push_back(left[static_cast<std::size_t>(i)]);
        interleaved.push_back(right[static_cast<std::size_t>(i)]);
    }
    WavAudio audio;
    std::string error;
    ASSERT_TRUE(Parse(MakeWav({1, 2, 44100, 16}, Pcm16Bytes(interleaved)), audio, error)) << error;
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_EQ(audio.channels, 2);
    ASSERT_EQ(audio.mono.size(), static_cast<std::size_t>(frames));

    const std::vector<std::int16_t> out = Resample(audio.mono, 44100, 8000);
    EXPECT_NEAR(static_cast<double>(out.size()), 8000.0, 1.0);
    // The 1 kHz half survives at half amplitude (8000 peak, rms 5657); the 6 kHz half is gone.
    const std::vector<std::int16_t> expected = Tone(1000, 8000, 8000, 8000);
    EXPECT_NEAR(Rms(out, 400, 7600), Rms(expected, 400, 7600), 60.0);
    std::vector<std::int16_t> error8k(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) error8k[i] = static_cast<std::int16_t>(out[i] - expected[i]);
    EXPECT_LT(Rms(error8k, 400, 7600), 60.0); // aliases or phase errors would show here
}

TEST(WavReader, UpsamplesFrom4kAndKeepsEightKilohertzMono16BitExact) {
    WavAudio audio;
    std::string error;
    ASSERT_TRUE(Parse(MakeWav({1, 1, 4000, 16}, Pcm16Bytes(Tone(500, 4000, 4000, 10000))), audio, error)) << error;
    const auto up = Resample(audio.mono, 4000, 8000);
    EXPECT_NEAR(static_cast<double>(up.size()), 8000.0, 2.0);
    const auto expected = Tone(500, 8000, 8000, 10000);
    EXPECT_NEAR(Rms(up, 400, 7600), Rms(expected, 400, 7600), 100.0);

    const std::vector<std::int16_t> exact = {0, 1, -1, 32767, -32768, 12345, -54};
    ASSERT_TRUE(Parse(MakeWav({}, Pcm16Bytes(exact)), audio, error));
    EXPECT_EQ(Resample(audio.mono, 8000, 8000), exact);
}

TEST(WavReader, ReadsEightBitTwentyFourBitFloatAndExtensibleFormats) {
    WavAudio audio;
    std::string error;
    ASSERT_TRUE(Parse(MakeWav({1, 1, 8000, 8}, {0x80, 0xFF, 0x00}), audio, error)) << error;
    ASSERT_EQ(audio.mono.size(), 3u);
    EXPECT_FLOAT_EQ(audio.mono[0], 0.0f);
    EXPECT_FLOAT_EQ(audio.mono[1], 127.0f / 128.0f);
    EXPECT_FLOAT_EQ(audio.mono[2], -1.0f);

    ASSERT_TRUE(Parse(MakeWav({1, 1, 8000, 24}, {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0}), audio, error)) << error;
    ASSERT_EQ(audio.mono.size(), 2u);
    EXPECT_FLOAT_EQ(audio.mono[0], 0.5f);
    EXPECT_FLOAT_EQ(audio.mono[1], -0.5f);

    std::vector<std::uint8_t> floats(12);
    const float values[3] = {0.25f, std::nanf(""), 7.0f}; // NaN and overload are cleaned
    std::memcpy(floats.data(), values, sizeof values);
    ASSERT_TRUE(Parse(MakeWav({3, 1, 8000, 32}, floats), audio, error)) << error;
    EXPECT_TRUE(audio.isFloat);
    EXPECT_EQ(audio.mono, (std::vector<float>{0.25f, 0.0f, 1.0f}));

    // Extensible: fmt chunk of 40 bytes whose sub-format says PCM.
    std::vector<std::uint8_t> file = MakeWav({0xFFFE, 1, 8000, 16}, Pcm16Bytes({16384}));
    file[16] = 40; // fmt size
    std::vector<std::uint8_t> extension(24, 0);
    extension[0] = 22;                // cbSize
    extension[8] = 1;                 // sub-format GUID starts with 0x0001
    file.insert(file.begin() + 36, extension.begin(), extension.end());
    ASSERT_TRUE(Parse(file, audio, error)) << error;
    EXPECT_EQ(audio.mono, std::vector<float>{0.5f});
}

TEST(WavReader, TruncatedDataChunkIsReadAsFarAsItGoes) {
    std::vector<std::uint8_t> file = MakeWav({}, Pcm16Bytes({100, 200, 300, 400}));
    file[40] = 0x10; // the data chunk claims 10000 bytes
    file[41] = 0x27;
    file.pop_back(); // and the last sample is cut in half
    WavAudio audio;
    std::string error;
    ASSERT_TRUE(Parse(file, audio, error)) << error;
    EXPECT_EQ(audio.mono.size(), 3u);

    file[40] = file[41] = file[42] = file[43] = 0xFF; // streaming writers leave 0xFFFFFFFF
    ASSERT_TRUE(Parse(file, audio, error)) << error;
    EXPECT_EQ(audio.mono.size(), 3u);
}

TEST(WavReader, SkipsOddSizedChunksAndRejectsBogusHeaders) {
    WavAudio audio;
    std::string error;
    // A LIST chunk of odd size (padded) between RIFF header and fmt.
    std::vector<std::uint8_t> file = MakeWav({}, Pcm16Bytes({1234}));
    const std::vector<std::uint8_t> list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    file.insert(file.begin() + 12, list.begin(), list.end());
    ASSERT_TRUE(Parse(file, audio, error)) << error;
    ASSERT_EQ(audio.mono.size(), 1u);
    EXPECT_FLOAT_EQ(audio.mono[0] * 32768.0f, 1234.0f);

    auto rejects = [&](std::vector<std::uint8_t> bytes, const char* why) {
        WavAudio ignored;
        std::string reason;
        EXPECT_FALSE(Parse(bytes, ignored, reason)) << why;
        EXPECT_FALSE(reason.empty()) << why;
    };
    const auto good = MakeWav({}, Pcm16Bytes({1, 2}));
    rejects({}, "empty");
    rejects({good.begin(), good.begin() + 11}, "short header");
    auto notWave = good;
    notWave[8] = 'X';
    rejects(notWave, "not WAVE");
    rejects(MakeWav({1, 0, 8000, 16}, {}), "no channels");
    rejects(MakeWav({1, 1, 0, 16}, {}), "rate 0");
    rejects(MakeWav({1, 1, 8000, 12}, {}), "12-bit");
    rejects(MakeWav({2, 1, 8000, 16}, {}), "ADPCM");
    rejects(MakeWav({3, 1, 8000, 16}, {}), "16-bit float");
    auto hugeFmt = good;
    hugeFmt[16] = hugeFmt[17] = hugeFmt[18] = hugeFmt[19] = 0xFF; // fmt runs past the end
    rejects(hugeFmt, "fmt size past the end");
    auto shortFmt = good;
    shortFmt[16] = 8;
    rejects(shortFmt, "fmt too short");
    std::vector<std::uint8_t> dataFirst(good.begin(), good.begin() + 12);
    dataFirst.insert(dataFirst.end(), good.begin() + 36, good.end());
    rejects(dataFirst, "data before fmt");
    rejects({good.begin(), good.begin() + 36}, "no data chunk");
}

TEST(WavReader, MissingFileIsAnErrorWithItsName) {
    WavAudio audio;
    std::string error;
    EXPECT_FALSE(ReadWavFile("/nonexistent/input.wav", audio, error));
    EXPECT_NE(error.find("/nonexistent/input.wav"), std::string::npos);
}

TEST(WavWriter, FileIsValidAfterEveryWriteEvenBeforeItIsClosed) {
    test::TempFolder folder;
    const std::string path = folder.File("played.wav");
    std::string error;
    auto writer = WavWriter::Create(path, error);
    ASSERT_NE(writer, nullptr) << error;
    EXPECT_TRUE(test::ReadWav8kMono(path).empty());
    const std::vector<std::int16_t> first = {1, -2, 3}, second = {32767, -32768};
    writer->Write(first.data(), first.size());
    EXPECT_EQ(test::ReadWav8kMono(path), first); // as a killed process would leave it
    writer->Write(second.data(), second.size());
    const auto bytes = test::ReadFile(path);
    ASSERT_EQ(bytes.size(), 44u + 10u);
    EXPECT_EQ(bytes[4] | bytes[5] << 8, 36 + 10); // RIFF size
    EXPECT_EQ(bytes[40] | bytes[41] << 8, 10);    // data size
    EXPECT_EQ(test::ReadWav8kMono(path), (std::vector<std::int16_t>{1, -2, 3, 32767, -32768}));

    EXPECT_EQ(WavWriter::Create(folder.File("no/such/folder.wav"), error), nullptr);
    EXPECT_NE(error.find("folder.wav"), std::string::npos);
}

TEST(WavDeviceName, NamesInputOutputAndLooping) {
    WavDeviceName name;
    ASSERT_TRUE(ParseWavDeviceName("wav:in=/a/b.wav,out=c.wav,loop=1", name));
    EXPECT_EQ(name.input, "/a/b.wav");
    EXPECT_EQ(name.output, "c.wav");
    EXPECT_TRUE(name.loop);
    ASSERT_TRUE(ParseWavDeviceName("wav:out=x.wav", name));
    EXPECT_TRUE(name.input.empty());
    EXPECT_FALSE(name.loop);
    ASSERT_TRUE(ParseWavDeviceName("wav:", name));
    EXPECT_FALSE(ParseWavDeviceName("wav:in", name));
    EXPECT_FALSE(ParseWavDeviceName("wav:speed=2", name));
    EXPECT_FALSE(ParseWavDeviceName("wav:loop=yes", name));
    EXPECT_FALSE(ParseWavDeviceName("null", name));
}

} // namespace
} // namespace orv
