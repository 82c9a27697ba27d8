// Audio end to end: two orvcli processes with file sound devices call each other through
// orvserver, each speaking its own speech file and recording what it hears. The media pass
// through a UDP relay of the test's own (announced by the server as its media rendezvous),
// which keeps every datagram the clients send and can lose and reorder datagrams.
//
// Floors of the segmental correlation (speech_match.h), per codec. The codecs alone reach
// 1.00 (G.711), 0.96 (G.723.1) and 0.84 (G.729) on this speech (speech_match_test); calls
// measured here reach 0.95-0.98, 0.93-0.96 and 0.83-0.85, the echo call 0.98. A loaded
// machine adds 30 ms slips in the playback path (late blocks, held blocks), which the
// quarter-second alignment mostly absorbs; the floors keep about 0.1 for that: 0.85, 0.85,
// 0.8 and 0.7. Another speaker scores 0.10-0.15, far below every floor. Through 10 % loss,
// bursts of three and 5 % reordering, with lost packets played as silence, G.711 measured
// 0.57-0.64; with the stand-ins of the playout buffer it measures 0.72-0.92, G.723.1
// 0.56-0.64 and G.729 0.54-0.63 (their own concealment). The floors, 0.65 and 0.45, keep
// G.711 clearly above silence-for-loss and every codec three times the other speaker.
#include "client/audio/codecs/codec_probe.h"
#include "tests/e2e/service_processes.h"
#include "tests/e2e/speech_files.h"
#include "tests/e2e/speech_match.h"
#include "tests/e2e/udp_relay.h"
#include "tests/server/test_folder.h"
#include "wire/media_header.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <thread>
#include <utility>

namespace orv::test {
namespace {

constexpr int kWaitMs = 20000;
// Each side's microphone starts when its media open, and the two ends open a little apart
// (more so in a sanitizer build). The microphone files begin with this much silence, so
// the peer's first word always falls inside the recording; it is taken off the lag.
constexpr double kLeadMs = 1500;
constexpr const char* kEchoNumber = "9999";
// Payload type on the wire per codec id.
constexpr int kPayloadType[] = {-1, 8, 0, 4, 18};
constexpr double kFloor[] = {0, 0.85, 0.85, 0.8, 0.7};
// Through 10 % loss, bursts and some reordering the speech must still be clearly the peer's.
constexpr double kLossyFloor[] = {0, 0.65, 0.65, 0.45, 0.45};

struct Party {
    std::string number, password;
    std::string speech;     // the reference
    std::string microphone; // the reference behind kLeadMs of silence
    std::unique_ptr<TestFolder> home = std::make_unique<TestFolder>();
    ChildProcess process;
    std::uint32_t endpoint = 0;

    std::string Heard() const { return home->File("heard.wav"); }
};

class AudioE2eTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_speech = new TestFolder();
        std::string error;
        s_ready = MakeSpeechFile("The quick brown fox jumps over the lazy dog, one two three four five.", "en",
                                 s_speech->File("a.wav"), &error) &&
                  MakeSpeechFile("Please call me back tomorrow morning at seven, thank you very much.", "en+f3",
                                 s_speech->File("b.wav"), &error) &&
                  PadWithSilence(s_speech->File("a.wav"), s_speech->File("a_lead.wav"), kLeadMs / 1000.0, &error) &&
                  PadWithSilence(s_speech->File("b.wav"), s_speech->File("b_lead.wav"), kLeadMs / 1000.0, &error);
        s_error = error;
    }
    static void TearDownTestSuite() { delete s_speech; }

    void SetUp() override {
        ASSERT_TRUE(s_ready) << s_error;
        m_a.number = "8001", m_a.password = "1111", m_a.speech = s_speech->File("a.wav");
        m_a.microphone = s_speech->File("a_lead.wav");
        m_b.number = "8002", m_b.password = "2222", m_b.speech = s_speech->File("b.wav");
        m_b.microphone = s_speech->File("b_lead.wav");
    }

    void StartServer(RelayImpairment impairment = {}) {
        ASSERT_TRUE(m_server.Start(kEchoNumber, impairment, kWaitMs)) << m_server.process.Output();
    }


    // Logs the party on with only this audio codec offered; the microphone plays the party's
    // file (its own unless given), once or over and over. A file microphone hears no speaker,
    // and both ends here talk at once all the time, which an echo canceller must treat as
    // double talk: these calls measure the link with the microphone's processing off (its own
    // test is tests/audio/echo_canceller_test.cpp). ORV_E2E_ECHO_CANCEL=1 turns it on, for figures.
    void StartClient(Party& party, int codec, const std::string& microphone = {}, bool loop = false) {
        std::ofstream(party.home->File("orvcli.cfg")) << "[Audio]\nCodec0=" << codec << "\nEchoCancel="
                                                      << (std::getenv("ORV_E2E_ECHO_CANCEL") ? 1 : 0) << "\n";
        const std::string device = "wav:in=" + (microphone.empty() ? party.microphone : microphone) +
                                   ",out=" + party.Heard() + (loop ? ",loop=1" : "");
        ASSERT_TRUE(StartClientProcess(party.process, party.home->Path(), m_server.address, party.number,
                                       party.password, {"--audio-device", device}, kWaitMs))
            << party.process.Output();
        ASSERT_TRUE(LogOnClientProcess(party.process, kWaitMs, &party.endpoint)) << party.process.Output();
    }

    // The caller calls, the called side answers, both talk for the length of the speech
    // and a margin, then the caller hangs up and both end (files complete).
    void Talk(Party& caller, Party* called, const std::string& number) {
        ASSERT_TRUE(caller.process.WriteLine("call " + number));
        if (called != nullptr) {
            ASSERT_TRUE(called->process.WaitForText("view=incoming", kWaitMs)) << called->process.Output();
            ASSERT_TRUE(called->process.WriteLine("answer"));
            ASSERT_TRUE(called->process.WaitForText("view=talking", kWaitMs)) << called->process.Output();
        }
        ASSERT_TRUE(caller.process.WaitForText("view=talking", kWaitMs)) << caller.process.Output();
        std::this_thread::sleep_for(std::chrono::milliseconds(SpeechMs() + 2500));
        ASSERT_TRUE(caller.process.WriteLine("hangup"));
        ASSERT_TRUE(caller.process.WaitForText("view=ended", kWaitMs)) << caller.process.Output();
        if (called != nullptr) {
            ASSERT_TRUE(called->process.WaitForText("view=ended", kWaitMs)) << called->process.Output();
        }
        Quit(caller);
        if (called != nullptr) Quit(*called);
    }

    static void Quit(Party& party) {
        ASSERT_TRUE(party.process.WriteLine("quit"));
        int status = -1;
        ASSERT_TRUE(party.process.WaitExit(kWaitMs, &status));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "exit status " << status;
    }

    static long SpeechMs() {
        const auto a = ReadSpeech8k(s_speech->File("a_lead.wav")), b = ReadSpeech8k(s_speech->File("b_lead.wav"));
        return static_cast<long>(std::max(a.size(), b.size()) / 8);
    }

    // How well what `listener` recorded matches `speaker`'s speech; printed for the report.
    // The delay is from the speaker's microphone to the listener's speaker: on the echo call
    // (one process) the round trip; between two ends it also holds how much earlier the
    // speaker's media opened than the listener's (a few ms over the loopback).
    static SpeechMatch Heard(const Party& listener, const std::string& speech, const std::string& what) {
        std::string error;
        const auto recording = ReadSpeech8k(listener.Heard(), &error);
        EXPECT_FALSE(recording.empty()) << listener.Heard() << ": " << error;
        SpeechMatch m = MatchSpeech(ReadSpeech8k(speech), recording, kLeadMs + 3000);
        m.delayMs -= kLeadMs;
        std::printf("%s: mouth-to-ear delay %.1f ms, correlation %.3f, envelope %.3f (%d segments)\n",
                    what.c_str(), m.delayMs, m.correlation, m.envelope, m.segments);
        ::testing::Test::RecordProperty(what + " delay ms", std::to_string(static_cast<int>(m.delayMs)));
        ::testing::Test::RecordProperty(what + " correlation", std::to_string(m.correlation));
        return m;
    }

    // Every audio packet a client sent is RTP of this codec, numbered and timed without a
    // gap from its first packet, with its sender's EndpointID as SSRC.
    void CheckWire(int codec, const std::vector<std::uint32_t>& endpoints) {
        std::map<std::uint16_t, std::vector<MediaHeader>> bySource;
        for (const RelayedDatagram& d : m_server.audioRelay.FromClients()) {
            if (IsProbe(d.bytes.data(), d.bytes.size())) continue;
            if (d.bytes.size() == 27 && d.bytes[0] == 0x09 && d.bytes[1] == 0x0A) continue; // channel announcement
            MediaHeader header;
            ASSERT_TRUE(UnpackMediaHeader(d.bytes.data(), d.bytes.size(), header));
            EXPECT_EQ(header.versionByte, 0x80);
            EXPECT_EQ(header.payloadType, kPayloadType[codec]);
            bySource[d.clientPort].push_back(header);
        }
        ASSERT_EQ(bySource.size(), endpoints.size());
        for (const auto& [port, headers] : bySource) {
            SCOPED_TRACE("from port " + std::to_string(port));
            ASSERT_GT(headers.size(), 100u);
            EXPECT_NE(std::find(endpoints.begin(), endpoints.end(), headers[0].ssrc), endpoints.end());
            EXPECT_EQ(headers[0].sequence, 0);
            for (std::size_t i = 1; i < headers.size(); ++i) {
                EXPECT_EQ(headers[i].ssrc, headers[0].ssrc);
                EXPECT_EQ(static_cast<std::uint16_t>(headers[i].sequence - headers[i - 1].sequence), 1) << i;
                EXPECT_EQ(headers[i].timestamp - headers[i - 1].timestamp, 240u) << i;
            }
        }
    }

    static TestFolder* s_speech;
    static bool s_ready;
    static std::string s_error;

    RelayedServer m_server;
    Party m_a, m_b;
};

TestFolder* AudioE2eTest::s_speech = nullptr;
bool AudioE2eTest::s_ready = false;
std::string AudioE2eTest::s_error;

class AudioCodecE2eTest : public AudioE2eTest, public ::testing::WithParamInterface<int> {};

TEST_P(AudioCodecE2eTest, EachSideHearsThePeerAndTheWireCarriesRtp) {
    const int codec = GetParam();
    if (codec == 3 && !CanOpenG7231()) GTEST_SKIP() << "no G.723.1 coder on this machine";
    StartServer();
    StartClient(m_a, codec);
    StartClient(m_b, codec);
    Talk(m_a, &m_b, m_b.number);
    const std::string name = "codec " + std::to_string(codec);
    const SpeechMatch bHearsA = Heard(m_b, m_a.speech, name + " caller to called");
    const SpeechMatch aHearsB = Heard(m_a, m_b.speech, name + " called to caller");
    EXPECT_GT(bHearsA.correlation, kFloor[codec]);
    EXPECT_GT(aHearsB.correlation, kFloor[codec]);
    // What each side recorded is the peer, not itself.
    EXPECT_LT(Heard(m_a, m_a.speech, name + " caller's own voice").correlation, 0.4);
    CheckWire(codec, {m_a.endpoint, m_b.endpoint});
}

INSTANTIATE_TEST_SUITE_P(Codecs, AudioCodecE2eTest, ::testing::Values(1, 2, 3, 4));

TEST_F(AudioE2eTest, TheEchoNumberReturnsTheCallersOwnSpeech) {
    StartServer();
    StartClient(m_a, 1);
    Talk(m_a, nullptr, kEchoNumber);
    const SpeechMatch own = Heard(m_a, m_a.speech, "echo");
    EXPECT_GT(own.correlation, kFloor[1]);
    CheckWire(1, {m_a.endpoint});
}

// Where the party's speaker ran dry, from its log: on a loaded machine the player itself can
// come late, and the device then plays silence that no lost packet caused.
std::vector<std::pair<long, long>> DryStretches(const Party& party) {
    std::vector<std::pair<long, long>> dry;
    std::ifstream log(party.home->File("orvcli.log"));
    std::string line;
    while (std::getline(log, line)) {
        const std::size_t at = line.find("Playback ran dry at sample ");
        unsigned long long from = 0, length = 0;
        if (at != std::string::npos &&
            std::sscanf(line.c_str() + at, "Playback ran dry at sample %llu for %llu samples", &from, &length) == 2) {
            dry.emplace_back(static_cast<long>(from), static_cast<long>(from + length));
        }
    }
    return dry;
}

// The longest run of exact zeros (in samples) with sound 10 ms either side of it: a lost
// packet played as silence inside speech. Runs the device reported as running dry are left out.
long LongestSilenceInsideSpeech(const std::vector<float>& heard, const std::vector<std::pair<long, long>>& dry) {
    auto loud = [&](long from) {
        if (from < 0 || from + 80 > static_cast<long>(heard.size())) return false;
        double energy = 0;
        for (long i = from; i < from + 80; ++i) energy += static_cast<double>(heard[i]) * heard[i];
        return std::sqrt(energy / 80) > 0.01;
    };
    auto ranDry = [&](long from, long to) {
        for (const auto& [dryFrom, dryTo] : dry) {
            if (from < dryTo && dryFrom < to) return true;
        }
        return false;
    };
    long longest = 0;
    for (long i = 0, start = -1; i < static_cast<long>(heard.size()); ++i) {
        if (heard[i] == 0.0F) {
            if (start < 0) start = i;
        } else if (start >= 0) {
            if (loud(start - 80) && loud(i) && !ranDry(start, i)) longest = std::max(longest, i - start);
            start = -1;
        }
    }
    return longest;
}

class LossyAudioE2eTest : public AudioE2eTest, public ::testing::WithParamInterface<int> {};

TEST_P(LossyAudioE2eTest, TenPercentLossAndReorderingStillCarryTheSpeech) {
    const int codec = GetParam();
    if (codec == 3 && !CanOpenG7231()) GTEST_SKIP() << "no G.723.1 coder on this machine";
    RelayImpairment lossy;
    lossy.loss = 0.10;
    lossy.burst = 0.01;
    lossy.reorder = 0.05;
    lossy.seed = 20261208;
    StartServer(lossy);
    StartClient(m_a, codec);
    StartClient(m_b, codec);
    Talk(m_a, &m_b, m_b.number);
    const std::string name = "lossy codec " + std::to_string(codec);
    const SpeechMatch bHearsA = Heard(m_b, m_a.speech, name + " caller to called");
    const SpeechMatch aHearsB = Heard(m_a, m_b.speech, name + " called to caller");
    std::printf("relay: %llu dropped, %llu held back, %llu forwarded\n",
                static_cast<unsigned long long>(m_server.audioRelay.Dropped()),
                static_cast<unsigned long long>(m_server.audioRelay.Reordered()),
                static_cast<unsigned long long>(m_server.audioRelay.Forwarded()));
    EXPECT_GT(bHearsA.correlation, kLossyFloor[codec]);
    EXPECT_GT(aHearsB.correlation, kLossyFloor[codec]);
    if (codec == 1) {
        // Every lost packet has a stand-in: no silence longer than 1 ms inside the speech.
        const auto aDry = DryStretches(m_a), bDry = DryStretches(m_b);
        std::printf("the speakers ran dry %zu and %zu times (a loaded machine)\n", aDry.size(), bDry.size());
        EXPECT_LE(LongestSilenceInsideSpeech(ReadSpeech8k(m_a.Heard()), aDry), 8);
        EXPECT_LE(LongestSilenceInsideSpeech(ReadSpeech8k(m_b.Heard()), bDry), 8);
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, LossyAudioE2eTest, ::testing::Values(1, 3, 4));

// The median delay of the points in [fromMs, toMs); NaN without points.
double MedianDelay(const std::vector<DelayPoint>& track, double fromMs, double toMs) {
    std::vector<double> delays;
    for (const DelayPoint& p : track) {
        if (p.atMs >= fromMs && p.atMs < toMs) delays.push_back(p.delayMs);
    }
    if (delays.empty()) return NAN;
    std::nth_element(delays.begin(), delays.begin() + static_cast<long>(delays.size() / 2), delays.end());
    return delays[delays.size() / 2];
}

// A network that stalls now and then: the relay holds everything for 150 ms, then lets it
// all go at once. The playout buffer rides out the gap and the burst, and within 5 s the
// mouth-to-ear delay (here the round trip of an echo call) is back to where it was, give or
// take 10 ms. The test talks for 13 s with one stall; ORV_STALL_CALL_SECONDS=120 runs a two-minute
// call with a stall every 15 s.
TEST_F(AudioE2eTest, AfterEachNetworkStallTheDelayComesBackWithinFiveSeconds) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizer slows the clients' real-time threads far more than a stall does; the
    // delay is judged in the plain build (and to the millisecond on the simulated clock).
    GTEST_SKIP() << "a real-time delay measurement, not meaningful under a sanitizer";
#endif
    const char* asked = std::getenv("ORV_STALL_CALL_SECONDS");
    const int seconds = std::clamp(asked != nullptr ? std::atoi(asked) : 13, 13, 600);
    constexpr int kFirstStallMs = 5000, kStallEveryMs = 15000, kSettleMs = 5000;
    StartServer();
    StartClient(m_a, 1, m_a.speech, true); // speech without pauses, over and over
    ASSERT_TRUE(m_a.process.WriteLine(std::string("call ") + kEchoNumber));
    ASSERT_TRUE(m_a.process.WaitForText("view=talking", kWaitMs)) << m_a.process.Output();
    const auto talking = std::chrono::steady_clock::now();
    std::vector<int> stalls;
    for (int at = kFirstStallMs; at + kSettleMs + 2000 <= seconds * 1000; at += kStallEveryMs) {
        std::this_thread::sleep_until(talking + std::chrono::milliseconds(at));
        m_server.audioRelay.Stall(std::chrono::milliseconds(150));
        stalls.push_back(at);
    }
    std::this_thread::sleep_until(talking + std::chrono::seconds(seconds));
    ASSERT_TRUE(m_a.process.WriteLine("hangup"));
    ASSERT_TRUE(m_a.process.WaitForText("view=ended", kWaitMs)) << m_a.process.Output();
    Quit(m_a);

    const std::vector<float> once = ReadSpeech8k(m_a.speech);
    ASSERT_FALSE(once.empty());
    std::vector<float> said;
    while (said.size() < static_cast<std::size_t>(seconds + 5) * 8000) said.insert(said.end(), once.begin(), once.end());
    const std::vector<DelayPoint> track = TrackDelay(said, ReadSpeech8k(m_a.Heard()), 250, 1500);
    ASSERT_GT(track.size(), static_cast<std::size_t>(seconds * 2)) << "too little of the speech came back";
    // A loaded machine stalls the processes themselves now and then; the buffer gives that
    // delay back as well, so 5 s on the delay may be below where it was: what counts is that
    // it is not above it by more than 10 ms (the median of the next 2 s). When the machine
    // starved the client so that its speaker ran dry, the buffer rightly keeps more delay for
    // the lateness it saw, and only the stall's own extra must be gone (within two blocks).
    const std::size_t starved = DryStretches(m_a).size();
    const double margin = starved == 0 ? 10.0 : 60.0;
    if (starved != 0) std::printf("the speaker ran dry %zu times: the machine starved the client\n", starved);
    for (const int at : stalls) {
        SCOPED_TRACE("stall at " + std::to_string(at) + " ms");
        const double before = MedianDelay(track, at - 3000, at - 250);
        const double settled = MedianDelay(track, at + kSettleMs, at + kSettleMs + 2000);
        double worst = before;
        for (const DelayPoint& p : track) {
            if (p.atMs >= at && p.atMs < at + kSettleMs) worst = std::max(worst, p.delayMs);
        }
        std::printf("stall at %d ms: delay %.1f ms before, up to %.1f ms after, %.1f ms 5 s on\n", at, before,
                    worst, settled);
        ASSERT_FALSE(std::isnan(before) || std::isnan(settled)) << "too little speech came back around the stall";
        EXPECT_LE(settled, before + margin);
    }
    EXPECT_EQ(m_server.audioRelay.Stalls(), stalls.size());
}

} // namespace
} // namespace orv::test
