// A conference end to end: orvserver and four orvcli processes with file sound devices. The
// chairman opens a room and invites three members, who answer; each speaks its own sentence
// (the speakers take turns, the last to join first) and records what it hears. One member
// sends a test-pattern video: the chairman asks for it (and for nobody else's) and decodes it
// into the slot of that member. Then the
// chairman sends 31 digits to a seat, kicks one member and leaves, which ends the room for
// everyone; every member keeps a conference record. The members use different codecs (two
// G.711 laws and G.729), so the mixer decodes and encodes each in its own.
//
// What each member heard must be the other three and never itself: every other speaker is
// found in the recording (segment correlation, speech_match.h), the recording follows the
// mix of the three speakers placed where they were found (correlation of the whole
// recording with that mix, segment by segment), and the member's own sentence is not in it. Measured:
// mix 0.93-0.95 for the G.711 members, 0.8 for the G.729 member; a speaker 0.7-1.0;
// the own voice 0.05-0.2 (chance matches of other speech). The floors keep room for a
// loaded machine.
#include "tests/e2e/service_processes.h"
#include "tests/e2e/speech_files.h"
#include "tests/e2e/speech_match.h"
#include "tests/server/test_folder.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace orv::test {
namespace {

constexpr int kWaitMs = 20000;
constexpr int kMembers = 4;
constexpr double kMixFloor[] = {0.6, 0.6, 0.6, 0.45}; // the last member hears in G.729
constexpr double kSpeakerFloor = 0.45;
constexpr double kOwnCeiling = 0.35;
constexpr int kVideoSender = 1; // the one member with a camera

struct Member {
    const char* number = "";
    const char* password = "";
    int codec = 0;
    const char* sentence = "";
    const char* voice = "";
    double leadSeconds = 0; // silence before the sentence, from the member's media opening
    std::string speech, microphone;
    std::unique_ptr<TestFolder> home = std::make_unique<TestFolder>();
    ChildProcess process;
    std::uint32_t endpoint = 0;
    std::string Heard() const { return home->File("heard.wav"); }
};

class ConferenceE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        const struct {
            const char *number, *password;
            int codec;
            const char *sentence, *voice;
            double lead;
        } kSetup[kMembers] = {{"8001", "1111", 1, "One two three, this is the chairman.", "en", 8.0},
                              {"8002", "2222", 2, "Good morning from the second seat.", "en+f3", 5.8},
                              {"8003", "3333", 1, "Seven eight nine, third member here.", "en+m3", 3.6},
                              {"8004", "4444", 4, "Hello all, the last one joins now.", "en+f4", 1.4}};
        for (int i = 0; i < kMembers; ++i) {
            Member& m = m_members[i];
            m.number = kSetup[i].number, m.password = kSetup[i].password, m.codec = kSetup[i].codec;
            m.sentence = kSetup[i].sentence, m.voice = kSetup[i].voice, m.leadSeconds = kSetup[i].lead;
        }
        std::string error;
        for (Member& m : m_members) {
            m.speech = m_speech.File(std::string(m.number) + ".wav");
            m.microphone = m_speech.File(std::string(m.number) + "_mic.wav");
            ASSERT_TRUE(MakeSpeechFile(m.sentence, m.voice, m.speech, &error) &&
                        PadWithSilence(m.speech, m.microphone, m.leadSeconds, &error))
                << error;
        }
    }

    void StartAll() {
        ASSERT_TRUE(StartServerProcess(m_server, m_serverHome.Path(), {}, kWaitMs, &m_address)) << m_server.Output();
        ASSERT_TRUE(m_server.WriteLine("adduser 8004 4444"));
        ASSERT_TRUE(m_server.WaitForLine("ADMIN ok adduser", kWaitMs)) << m_server.Output();
        for (int i = 0; i < kMembers; ++i) {
            Member& m = m_members[i];
            std::ofstream cfg(m.home->File("orvcli.cfg"));
            cfg << "[Audio]\nCodec0=" << m.codec << "\n";
            std::vector<std::string> args = {"--audio-device", "wav:in=" + m.microphone + ",out=" + m.Heard(),
                                             "--video-codec", "1"};
            if (i == kVideoSender) {
                // A small, slow test pattern: the conference's video without much load.
                cfg << "[Video]\nVideoQual=1\nFrameRate=5\nVideoFormat=1\nFlowRate=64\n";
                args.insert(args.end(), {"--video-device", "ORV Test Pattern Camera"});
            }
            cfg.close();
            ASSERT_TRUE(StartClientProcess(m.process, m.home->Path(), m_address, m.number, m.password, args, kWaitMs))
                << m.process.Output();
            ASSERT_TRUE(LogOnClientProcess(m.process, kWaitMs, &m.endpoint)) << m.process.Output();
        }
    }

    static void Expect(Member& m, const std::string& text, std::string* line = nullptr) {
        ASSERT_TRUE(m.process.WaitForText(text, kWaitMs, line)) << m.number << " waits for " << text << "\n"
                                                                 << m.process.Output();
    }

    static long MicrophoneMs(const Member& m) { return static_cast<long>(ReadSpeech8k(m.microphone).size() / 8); }

    // The figures of one listener; printed for the report.
    void CheckHeard(int listener) {
        const Member& me = m_members[listener];
        std::string error;
        const std::vector<float> recording = ReadSpeech8k(me.Heard(), &error);
        ASSERT_GT(recording.size(), 8000u) << me.Heard() << ": " << error;
        std::vector<float> mix(recording.size(), 0.0f);
        for (int other = 0; other < kMembers; ++other) {
            const std::vector<float> speech = ReadSpeech8k(m_members[other].speech);
            const SpeechMatch found = MatchSpeech(speech, recording, 15000);
            std::printf("%s hears %s: correlation %.3f at %.0f ms (%d segments)\n", me.number,
                        m_members[other].number, found.correlation, found.delayMs, found.segments);
            if (other == listener) {
                EXPECT_LT(found.correlation, kOwnCeiling) << me.number << " hears itself";
                continue;
            }
            EXPECT_GT(found.correlation, kSpeakerFloor) << me.number << " does not hear " << m_members[other].number;
            const auto at = static_cast<std::size_t>(found.delayMs * 8);
            for (std::size_t i = 0; i < speech.size() && at + i < mix.size(); ++i) mix[at + i] += speech[i];
        }
        // The mix against the recording, segment by segment (a loaded machine's playback
        // slips a block now and then, which a whole-recording correlation would punish).
        const double correlation = MatchSpeech(mix, recording, 1000).correlation;
        std::printf("%s (codec %d): recording against the mix of the other three: %.3f\n", me.number, me.codec,
                    correlation);
        RecordProperty(std::string(me.number) + " mix correlation", std::to_string(correlation));
        EXPECT_GT(correlation, kMixFloor[listener]) << me.number;
    }

    TestFolder m_speech;
    TestFolder m_serverHome;
    ChildProcess m_server;
    std::string m_address;
    Member m_members[kMembers];
};

TEST_F(ConferenceE2eTest, FourMembersHearEachOtherThenKickAndChairmanLeaves) {
    StartAll();
    if (HasFatalFailure()) return;
    Member& chairman = m_members[0];
    ASSERT_TRUE(chairman.process.WriteLine("conf-open"));
    Expect(chairman, "EVENT conf_event type=14");
    for (int i = 1; i < kMembers; ++i) ASSERT_TRUE(chairman.process.WriteLine(std::string("conf-invite ") + m_members[i].number));
    for (int i = 1; i < kMembers; ++i) {
        Expect(m_members[i], "view=incoming");
        ASSERT_TRUE(m_members[i].process.WriteLine("answer"));
    }
    // The chairman asks for the video of the member that sends it, and of nobody else.
    for (int i = 1; i < kMembers; ++i) {
        Member& m = m_members[i];
        Expect(m, "EVENT conf_event type=7");
        Expect(chairman, "number=" + std::string(m.number) + " endpoint=" + std::to_string(m.endpoint) +
                             " state=connected video=" + (i == kVideoSender ? "1" : "0"));
    }
    // The chairman seat reaches every member too; nobody is shown its own seat.
    for (int i = 1; i < kMembers; ++i) Expect(m_members[i], "seat=0 number=8001");
    const auto start = std::chrono::steady_clock::now();

    // Extension digits towards seat 1 go as 15 + 15 + 1.
    const std::string digits = "1234567890123451234567890123459";
    ASSERT_TRUE(chairman.process.WriteLine("conf-dtmf 1 " + digits));
    std::string line;
    ASSERT_TRUE(m_server.WaitForText("channel=1 digits=123456789012345", kWaitMs, &line)) << m_server.Output();
    ASSERT_TRUE(m_server.WaitForText("channel=1 digits=123456789012345", kWaitMs, &line)) << m_server.Output();
    ASSERT_TRUE(m_server.WaitForText("channel=1 digits=9", kWaitMs, &line)) << m_server.Output();

    // That member's pictures reach the chairman in the slot given to its EndpointID.
    Expect(chairman, "source=" + std::to_string(m_members[kVideoSender].endpoint));

    long longest = 0;
    for (const Member& m : m_members) longest = std::max(longest, MicrophoneMs(m));
    std::this_thread::sleep_until(start + std::chrono::milliseconds(longest + 1500));

    // The chairman removes the last member: it hears why, the others see the seat go.
    ASSERT_TRUE(chairman.process.WriteLine("conf-kick 3"));
    Expect(m_members[3], "EVENT conf_event type=3 reason=11");
    for (int i = 1; i < 3; ++i) Expect(m_members[i], "seat=3 number=8004 endpoint=" + std::to_string(m_members[3].endpoint) + " state=left video=0 reason=11");
    ASSERT_TRUE(chairman.process.WriteLine("conf-members"));
    Expect(chairman, "EVENT conf_rows count=2");

    ASSERT_TRUE(chairman.process.WriteLine("conf-leave"));
    Expect(chairman, "EVENT conf_reset");
    for (int i = 1; i < 3; ++i) Expect(m_members[i], "EVENT conf_event type=3 reason=17");
    ASSERT_TRUE(m_server.WaitForText("CONF id=", kWaitMs, &line)) << m_server.Output();
    for (const char* part : {"chairman=8001 members=", "8002", "8003", "8004", " reason=17 by=chairman digits=1:"})
        EXPECT_NE(line.find(part), std::string::npos) << line;

    for (Member& m : m_members) {
        ASSERT_TRUE(m.process.WriteLine("call-records"));
        Expect(m, "conference=1 end_kind=");
        ASSERT_TRUE(m.process.WriteLine("quit"));
    }
    for (Member& m : m_members) {
        int status = -1;
        ASSERT_TRUE(m.process.WaitExit(kWaitMs, &status)) << m.process.Output();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << m.number << " exit status " << status;
    }
    for (int i = 0; i < kMembers; ++i) CheckHeard(i);
}

} // namespace
} // namespace orv::test
