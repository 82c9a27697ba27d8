// The built-in tones measured with our own frequency check, the WAVE image and stream rules,
// and the tone player end to end on a file device under a manual clock.
#include "client/audio/tones/tone_player.h"
#include "client/audio/tones/tone_resources.h"
#include "client/audio/tones/wave.h"
#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <sstream>

namespace orv {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::uint64_t kMs = 1000;

std::vector<double> Centred(const CWave& wave) {
    std::vector<double> out;
    const auto& data = wave.Data();
    if (wave.Format().bitsPerSample == 8) {
        for (std::uint8_t b : data) out.push_back(b - 128.0);
    } else {
        for (std::size_t i = 0; i + 1 < data.size(); i += 2)
            out.push_back(static_cast<std::int16_t>(data[i] | (data[i + 1] << 8)));
    }
    return out;
}

// Power of one frequency over the whole signal (a single-bin DFT).
double PowerAt(const std::vector<double>& x, double hz, int rate) {
    std::complex<double> sum;
    for (std::size_t n = 0; n < x.size(); ++n) sum += x[n] * std::polar(1.0, -2 * kPi * hz * n / rate);
    return std::norm(sum);
}

// The strongest frequency between loHz and hiHz (1 Hz steps), skipping those near `avoid`.
double Peak(const std::vector<double>& x, int rate, double loHz, double hiHz, double avoid = -1000) {
    double best = 0, bestHz = 0;
    for (double hz = loHz; hz <= hiHz; hz += 1) {
        if (std::abs(hz - avoid) < 80) continue;
        const double p = PowerAt(x, hz, rate);
        if (p > best) best = p, bestHz = hz;
    }
    return bestHz;
}

void ExpectNear(double measured, double expected, const std::string& what) {
    EXPECT_LE(std::abs(measured - expected) / expected, 0.015) << what << ": " << measured << " Hz, wanted " << expected;
}

// Runs of sound: [start, length) in samples, sound meaning a sample within 12 samples of one
// louder than `threshold`.
std::vector<std::pair<std::size_t, std::size_t>> Bursts(const std::vector<double>& x, double threshold) {
    std::vector<bool> loud(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::abs(x[i]) <= threshold) continue;
        for (std::size_t j = i >= 12 ? i - 12 : 0; j < std::min(x.size(), i + 13); ++j) loud[j] = true;
    }
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t i = 0; i < x.size();) {
        if (!loud[i]) { ++i; continue; }
        std::size_t j = i;
        while (j < x.size() && loud[j]) ++j;
        runs.push_back({i, j - i});
        i = j;
    }
    return runs;
}

CWave Load(const std::string& name) {
    CWave wave;
    EXPECT_EQ(wave.LoadResource(name), 1) << name;
    return wave;
}

TEST(ToneResources, KeypadAndProgressTonesHaveTheirFrequenciesFormatsAndCadences) {
    for (char key : std::string("0123456789*#")) {
        const std::string name = key == '*' ? kWaveStar : key == '#' ? kWavePound : std::string(kWaveDigitPrefix) + key;
        const CWave wave = Load(name);
        EXPECT_EQ(wave.Format(), (WaveFormat{1, 1, 8000, 8000, 1, 8})) << name;
        ASSERT_EQ(wave.Data().size(), 800u) << name; // 100 ms
        const std::vector<double> x = Centred(wave);
        const double peak = std::max(std::abs(*std::max_element(x.begin(), x.end())), std::abs(*std::min_element(x.begin(), x.end())));
        EXPECT_GT(peak, 50) << name;
        EXPECT_LE(peak, 66) << name;
        int low = 0, high = 0;
        ASSERT_TRUE(DtmfPair(key, low, high));
        const double first = Peak(x, 8000, 600, 1600);
        const double second = Peak(x, 8000, 600, 1600, first);
        ExpectNear(std::min(first, second), low, name + " low");
        ExpectNear(std::max(first, second), high, name + " high");
    }
    const CWave dial = Load(kWaveDialTone);
    ASSERT_EQ(dial.Data().size(), 800u);
    ExpectNear(Peak(Centred(dial), 8000, 200, 1600), 450, "dial");
    EXPECT_EQ(Bursts(Centred(dial), 20).size(), 1u); // continuous

    // Busy: 350 ms on, 350 ms off; ringback: 1 s on, the rest of 27947 samples off.
    const CWave busy = Load(kWaveBusy);
    ASSERT_EQ(busy.Data().size(), 5600u);
    auto runs = Bursts(Centred(busy), 20);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(static_cast<double>(runs[0].second), 2800, 30);
    EXPECT_EQ(runs[0].first, 0u);
    std::vector<double> on = Centred(busy);
    on.resize(2800);
    ExpectNear(Peak(on, 8000, 200, 1600), 450, "busy");
    const CWave ring = Load(kWaveRing);
    ASSERT_EQ(ring.Data().size(), 27947u);
    runs = Bursts(Centred(ring), 20);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(static_cast<double>(runs[0].second), 8000, 30);

    const CWave alert = Load(kWaveAlert);
    EXPECT_EQ(alert.Format(), (WaveFormat{1, 1, 22050, 44100, 2, 16}));
    EXPECT_EQ(alert.Data().size(), 56666u);
    EXPECT_EQ(FindWaveResource("IDR_WAVEX"), nullptr);
}

TEST(Wave, ImagesAndStreamsKeepTheCanonicalLayout) {
    const std::vector<std::uint8_t>& image = *FindWaveResource(kWaveBusy);
    CWave busy = Load(kWaveBusy);
    std::stringstream stream;
    busy.Write(stream);
    EXPECT_EQ(stream.str(), std::string(image.begin(), image.end())); // written exactly as stored
    CWave copy;
    std::string error;
    ASSERT_TRUE(copy.Read(stream, "busy.wav", error)) << error;
    EXPECT_EQ(copy.Format(), busy.Format());
    EXPECT_EQ(copy.Data(), busy.Data());

    // A chunk between "fmt " and "data" moves the data chunk off offset 36: refused, nothing changes.
    std::vector<std::uint8_t> moved(image.begin(), image.begin() + 36);
    for (char c : std::string("LIST\4\0\0\0abcd", 12)) moved.push_back(static_cast<std::uint8_t>(c));
    moved.insert(moved.end(), image.begin() + 36, image.end());
    EXPECT_EQ(copy.LoadImage(moved.data(), moved.size()), 0);
    std::stringstream movedStream(std::string(moved.begin(), moved.end()));
    EXPECT_FALSE(copy.Read(movedStream, "moved.wav", error));
    EXPECT_NE(error.find("moved.wav: bad format"), std::string::npos) << error;
    EXPECT_EQ(copy.Data(), busy.Data());

    // Hostile sizes: a data size past the image's end, a stream cut short, a block align of 0.
    std::vector<std::uint8_t> lying(image);
    lying[43] = 0x7F;
    EXPECT_EQ(copy.LoadImage(lying.data(), lying.size()), 0);
    std::stringstream cut(std::string(image.begin(), image.begin() + 1000));
    EXPECT_FALSE(copy.Read(cut, "cut.wav", error));
    std::vector<std::uint8_t> noAlign(image);
    noAlign[32] = noAlign[33] = 0;
    EXPECT_EQ(copy.LoadImage(noAlign.data(), noAlign.size()), 0);
    EXPECT_EQ(copy.Data(), busy.Data());
}

class TonePlayerOnFile : public ::testing::Test {
protected:
    std::vector<double> Heard(const std::string& file) {
        const std::vector<std::int16_t> samples = test::ReadWav8kMono(file);
        return std::vector<double>(samples.begin(), samples.end());
    }
    void Run(std::uint64_t ms) {
        for (std::uint64_t t = 0; t < ms; t += 20) scope.clock->Advance(20 * kMs);
    }
    test::TempFolder folder;
    test::ManualClockScope scope;
};

TEST_F(TonePlayerOnFile, BusyToneRepeatsFifteenTimesAndAFormatChangeReopensTheDevice) {
    const std::string file = folder.File("busy.wav");
    CTonePlayer player("wav:out=" + file);
    ASSERT_EQ(player.Play(kWaveBusy, 0), 1);
    Run(12000);
    EXPECT_FALSE(player.IsPlaying());
    const std::vector<double> heard = Heard(file);
    ASSERT_GE(heard.size(), 96000u);
    const auto runs = Bursts(heard, 2000);
    ASSERT_EQ(runs.size(), 15u); // 15 x 700 ms = 10.5 s, then silence
    for (std::size_t i = 1; i < runs.size(); ++i) { // the first run's ramp starts at the file's start
        EXPECT_NEAR(static_cast<double>(runs[i].first - runs[1].first), 5600.0 * (i - 1), 2) << i;
        EXPECT_NEAR(static_cast<double>(runs[i].second), 2800, 40) << i;
    }
    std::vector<double> burst(heard.begin() + runs[3].first + 100, heard.begin() + runs[3].first + 2600);
    ExpectNear(Peak(burst, 8000, 200, 1600), 450, "busy as played");

    // The alert is 22050 Hz 16-bit, the keys 8000 Hz 8-bit: the device opens again for a
    // key after the alert, not for a second key.
    EXPECT_EQ(player.DeviceOpenCount(), 1);
    ASSERT_EQ(player.Play(kWaveAlert, 0), 1);
    EXPECT_EQ(player.DeviceOpenCount(), 2);
    ASSERT_EQ(player.Play("IDR_WAVE5", 0), 1);
    EXPECT_EQ(player.DeviceOpenCount(), 3);
    ASSERT_EQ(player.Play("IDR_WAVE6", 0), 1);
    EXPECT_EQ(player.DeviceOpenCount(), 3);
    EXPECT_EQ(player.Play("IDR_WAVENONE", 0), 0);
}

TEST_F(TonePlayerOnFile, DialToneRunsUntilStoppedAndFollowsTheDevice) {
    const std::string first = folder.File("first.wav");
    const std::string second = folder.File("second.wav");
    CTonePlayer player("wav:out=" + first);
    ASSERT_EQ(player.Play(kWaveDialTone, 1), 1);
    Run(3000);
    EXPECT_TRUE(player.IsPlaying()); // endless with flag 1
    ASSERT_EQ(player.Play("", 0), 1);
    Run(1000);
    EXPECT_FALSE(player.IsPlaying());
    std::vector<double> heard = Heard(first);
    auto runs = Bursts(heard, 2000);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(static_cast<double>(runs[0].second), 24000, 1600); // 3 s, plus what the device held

    EXPECT_EQ(player.ChangeDevice("wav:out=" + first), 0); // the same
    EXPECT_EQ(player.ChangeDevice("no such device"), 0);
    ASSERT_EQ(player.ChangeDevice("wav:out=" + second), 1);
    ASSERT_EQ(player.Play(kWaveDialTone, 0), 1); // once without the flag: 100 ms
    Run(500);
    runs = Bursts(Heard(second), 2000);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(static_cast<double>(runs[0].second), 800, 30);
}

} // namespace
} // namespace orv
