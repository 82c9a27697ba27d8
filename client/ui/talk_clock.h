// The time area's text: the local clock, the talk time while a call talks, and the last
// talk time for 5 s after such a call ended. Times come as millisecond ticks from the
// caller, so the rules run the same on any clock.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace orv {

// How long the last talk time stays after the call ended.
constexpr std::uint32_t kLastTalkTimeMs = 5000;

class TalkClock {
public:
    // A talk started at tick `now`: the talk time is shown from now on, and a last talk
    // time still showing is dropped.
    void TalkStarted(std::uint32_t now);
    // The call ended at tick `now`: when it talked, its talk time stays for 5 s.
    void CallEnded(std::uint32_t now);

    bool Talking() const { return talking_; }
    bool ShowingLastTalkTime(std::uint32_t now) const;
    // Milliseconds until the last talk time goes (0 when it is not shown).
    std::uint32_t LastTalkTimeLeft(std::uint32_t now) const;

    // "hh:mm:ss": the talk time while talking, the last talk time for 5 s after a talk,
    // else the local time `local`.
    std::string Text(std::uint32_t now, const std::tm& local) const;

private:
    bool talking_ = false;
    std::uint32_t talkStart_ = 0;
    bool showLast_ = false;
    std::uint32_t lastTalkMs_ = 0;
    std::uint32_t endedAt_ = 0;
};

// Hours, minutes and seconds of a duration, "%02d:%02d:%02d".
std::string FormatDuration(std::uint32_t ms);

} // namespace orv
