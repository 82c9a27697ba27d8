// The main window's rules without drawing: keys, the talk time and the message line.
#include "client/text/language.h"
#include "client/ui/message_line.h"
#include "client/ui/number_entry.h"
#include "client/ui/talk_clock.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(NumberEntry, IdleKeysBuildTheNumberWithAToneEach) {
    NumberEntry entry;
    EXPECT_EQ(entry.Type('1', kKeyStateIdle), "IDR_WAVE1");
    EXPECT_EQ(entry.Type('2', kKeyStateIdle), "IDR_WAVE2");
    EXPECT_EQ(entry.Type('*', kKeyStateIdle), "IDR_WAVEPOUND");
    EXPECT_EQ(entry.Type('3', kKeyStateIdle), "IDR_WAVE3");
    EXPECT_EQ(entry.Number(), "12*3");
    EXPECT_EQ(entry.Backspace(kKeyStateIdle), "IDR_WAVEPOUND");
    EXPECT_EQ(entry.Number(), "12*");
    EXPECT_EQ(entry.Type('#', kKeyStateIdle), "IDR_WAVEPOUND");
    EXPECT_EQ(entry.Number(), "12*#");
    EXPECT_FALSE(entry.HasDtmf()) << "no DTMF while idle";
}

TEST(NumberEntry, OtherCharactersAreSwallowed) {
    NumberEntry entry;
    for (char c : std::string("a+ -.x")) EXPECT_EQ(entry.Type(c, kKeyStateIdle), "") << c;
    EXPECT_EQ(entry.Number(), "");
    entry.Backspace(kKeyStateIdle); // on an empty field: only the tone
    EXPECT_EQ(entry.Number(), "");
}

TEST(NumberEntry, TalkingDigitsGoToDtmfAndTheField) {
    NumberEntry entry;
    entry.SetNumber("8002");
    for (int state : {kKeyStateTalking, kKeyStateTalkingToo}) {
        EXPECT_EQ(entry.Type('5', state), "IDR_WAVE5");
        EXPECT_EQ(entry.Type('#', state), "IDR_WAVEPOUND");
    }
    EXPECT_EQ(entry.Number(), "80025#5#");
    EXPECT_EQ(entry.TakeDtmf(), "5#5#");
    EXPECT_FALSE(entry.HasDtmf());
    EXPECT_EQ(entry.Backspace(kKeyStateTalking), "IDR_WAVEPOUND");
    EXPECT_EQ(entry.Number(), "80025#5#") << "Backspace edits only when idle";
}

TEST(NumberEntry, RingingAndCallingStatesOnlyPlay) {
    NumberEntry entry;
    for (int state : {2, 3, 4, 7, 8}) {
        EXPECT_EQ(entry.Type('7', state), "IDR_WAVE7");
        EXPECT_EQ(entry.Number(), "") << state;
        EXPECT_FALSE(entry.HasDtmf()) << state;
    }
}

TEST(NumberEntry, FieldAndBufferAreBounded) {
    NumberEntry entry;
    for (int i = 0; i < 100; ++i) entry.Type('9', kKeyStateIdle);
    EXPECT_EQ(entry.Number().size(), 31u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(entry.Type('1', kKeyStateTalking), "IDR_WAVE1");
    EXPECT_EQ(entry.TakeDtmf().size(), 64u);
}

std::tm LocalTime(int h, int m, int s) {
    std::tm t{};
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
}

TEST(TalkClock, TalkTimeThenLastTalkTimeForFiveSecondsThenTheClock) {
    TalkClock clock;
    const std::tm local = LocalTime(9, 41, 7);
    EXPECT_EQ(clock.Text(1000, local), "09:41:07");
    clock.TalkStarted(1000);
    EXPECT_EQ(clock.Text(1000 + 999, local), "00:00:00");
    EXPECT_EQ(clock.Text(1000 + 65000, local), "00:01:05");
    clock.CallEnded(1000 + 65400);
    EXPECT_EQ(clock.Text(1000 + 65400, local), "00:01:05");
    EXPECT_EQ(clock.Text(1000 + 65400 + 4999, local), "00:01:05");
    EXPECT_EQ(clock.LastTalkTimeLeft(1000 + 65400 + 4000), 1000u);
    EXPECT_EQ(clock.Text(1000 + 65400 + 5000, local), "09:41:07");
}

TEST(TalkClock, CallThatNeverTalkedShowsTheClockAtOnce) {
    TalkClock clock;
    clock.CallEnded(5000);
    EXPECT_FALSE(clock.ShowingLastTalkTime(5000));
    EXPECT_EQ(clock.Text(5000, LocalTime(23, 0, 59)), "23:00:59");
}

TEST(TalkClock, NewTalkDropsTheLastTalkTimeAndTicksMayWrap) {
    TalkClock clock;
    clock.TalkStarted(0xFFFFF000u); // 4096 ms before the tick wraps
    EXPECT_EQ(clock.Text(0xFFFFF000u + 3723000u, LocalTime(0, 0, 0)), "01:02:03");
    clock.CallEnded(2000);
    EXPECT_EQ(clock.Text(2000, LocalTime(0, 0, 0)), "00:00:06");
    clock.TalkStarted(3000);
    EXPECT_FALSE(clock.ShowingLastTalkTime(3000));
    EXPECT_EQ(clock.Text(4000, LocalTime(0, 0, 0)), "00:00:01");
}

TEST(MessageLine, BriefMessagesAndVolumeTextsGoAfterTwoSeconds) {
    MessageLine line;
    EXPECT_EQ(line.Text(0, "default"), "default");
    line.ShowBriefly("Call placing timeout", 100);
    EXPECT_EQ(line.Text(2099, "default"), "Call placing timeout");
    EXPECT_EQ(line.Text(2100, "default"), "default");
    line.Show("Calling: 8002 Bob");
    line.ShowVolume("Playback Volume 50%", 3000);
    EXPECT_EQ(line.Text(4999, "default"), "Playback Volume 50%");
    EXPECT_EQ(line.Text(5000, "default"), "Calling: 8002 Bob") << "a lasting message stays";
    line.Clear();
    EXPECT_EQ(line.Text(5000, "default"), "default");
}

TEST(MessageLine, DefaultLinePrefersOfflineThenMissedThenServerText) {
    const std::string offline = "%d offline call", missed = "%d missed call";
    const std::string info = " 欢迎 | Welcome to ORV ";
    EXPECT_EQ(DefaultMessageLine(2, 5, offline, missed, info, kLanguageEnglish), "2 offline call");
    EXPECT_EQ(DefaultMessageLine(0, 5, offline, missed, info, kLanguageEnglish), "5 missed call");
    EXPECT_EQ(DefaultMessageLine(0, 0, offline, missed, info, kLanguageEnglish), "Welcome to ORV");
    EXPECT_EQ(DefaultMessageLine(0, 0, offline, missed, info, kLanguageChinese), "欢迎");
}

} // namespace
} // namespace orv
