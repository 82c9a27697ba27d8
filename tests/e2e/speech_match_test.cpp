// The speech measures of the audio end-to-end tests, checked on known signals, and what each
// speech codec alone does to the figures (the floors of the end-to-end tests rest on them).
#include "client/audio/codecs/audio_codec.h"
#include "client/audio/codecs/codec_probe.h"
#include "tests/e2e/speech_files.h"
#include "tests/e2e/speech_match.h"
#include "tests/server/test_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace orv::test {
namespace {

class SpeechMatchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new TestFolder();
        std::string error;
        s_ready = MakeSpeechFile("The quick brown fox jumps over the lazy dog, one two three four five.", "en",
                                 s_folder->File("a.wav"), &error) &&
                  MakeSpeechFile("Please call me back tomorrow morning at seven, thank you very much.", "en+f3",
                                 s_folder->File("b.wav"), &error);
        s_error = error;
    }
    static void TearDownTestSuite() { delete s_folder; }
    void SetUp() override { ASSERT_TRUE(s_ready) << s_error; }

    static std::vector<float> Speech(const char* name) { return ReadSpeech8k(s_folder->File(name)); }

    static TestFolder* s_folder;
    static bool s_ready;
    static std::string s_error;
};

TestFolder* SpeechMatchTest::s_folder = nullptr;
bool SpeechMatchTest::s_ready = false;
std::string SpeechMatchTest::s_error;

// What the codec makes of the speech, 30 ms at a time as the senders code it.
std::vector<float> ThroughCodec(int codecId, const std::vector<float>& speech) {
    auto codec = CreateAudioCodec(codecId);
    std::vector<float> out;
    std::vector<std::uint8_t> pcm(480), coded(480), decoded(480);
    for (std::size_t at = 0; at + 240 <= speech.size(); at += 240) {
        for (std::size_t i = 0; i < 240; ++i) {
            const auto s = static_cast<std::int16_t>(std::max(-32768.f, std::min(32767.f, speech[at + i] * 32768.f)));
            pcm[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
            pcm[2 * i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
        }
        std::uint32_t in = 480, codedLength = 480, decodedLength = 480;
        if (codec->Encode(pcm.data(), in, coded.data(), codedLength) != 0) return {};
        if (codec->Decode(coded.data(), codedLength, decoded.data(), decodedLength) != 0) return {};
        for (std::size_t i = 0; i + 1 < decodedLength; i += 2) {
            out.push_back(static_cast<float>(static_cast<std::int16_t>(decoded[i] | (decoded[i + 1] << 8))) / 32768.f);
        }
    }
    return out;
}

TEST_F(SpeechMatchTest, FindsTheDelayAndTellsOneSpeakerFromAnother) {
    const std::vector<float> a = Speech("a.wav"), b = Speech("b.wav");
    ASSERT_GT(a.size(), 8000u * 3);
    std::vector<float> delayed(984, 0.f); // 123 ms of silence first
    delayed.insert(delayed.end(), a.begin(), a.end());
    const SpeechMatch same = MatchSpeech(a, delayed);
    EXPECT_NEAR(same.delayMs, 123, 0.2);
    EXPECT_GT(same.correlation, 0.999);
    EXPECT_GT(same.envelope, 0.99);

    const SpeechMatch other = MatchSpeech(a, b);
    std::printf("speech A against speech B: correlation %.3f, envelope %.3f\n", other.correlation, other.envelope);
    EXPECT_LT(other.correlation, 0.4);
    EXPECT_LT(other.envelope, 0.5);
}

TEST_F(SpeechMatchTest, EachCodecAloneKeepsTheSpeechRecognisable) {
    const std::vector<float> a = Speech("a.wav");
    // G.711 keeps the waveform; G.723.1 and G.729 keep the spectrum and pitch, not the exact
    // waveform, so their correlation is lower.
    const double floors[] = {0, 0.99, 0.99, 0.9, 0.75};
    for (int codec = kCodecG711ALaw; codec <= kCodecG729; ++codec) {
        if (codec == kCodecG7231 && !CanOpenG7231()) continue;
        const SpeechMatch m = MatchSpeech(a, ThroughCodec(codec, a));
        std::printf("codec %d alone: delay %.1f ms, correlation %.3f, envelope %.3f over %d segments\n", codec,
                    m.delayMs, m.correlation, m.envelope, m.segments);
        EXPECT_GT(m.segments, 4);
        EXPECT_GT(m.correlation, floors[codec]);
        EXPECT_GT(m.envelope, 0.9);
    }
}

} // namespace
} // namespace orv::test
