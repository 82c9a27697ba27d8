#include "client/ui/talk_clock.h"

#include <cstdio>

namespace orv {

std::string FormatDuration(std::uint32_t ms) {
    const std::uint32_t seconds = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof(text), "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

void TalkClock::TalkStarted(std::uint32_t now) {
    talking_ = true;
    talkStart_ = now;
    showLast_ = false;
}

void TalkClock::CallEnded(std::uint32_t now) {
    if (!talking_) return;
    talking_ = false;
    // Tick differences are taken unsigned, so a tick that wrapped during the call still
    // gives the right length.
    lastTalkMs_ = now - talkStart_;
    endedAt_ = now;
    showLast_ = true;
}

bool TalkClock::ShowingLastTalkTime(std::uint32_t now) const {
    return showLast_ && now - endedAt_ < kLastTalkTimeMs;
}

std::uint32_t TalkClock::LastTalkTimeLeft(std::uint32_t now) const {
    return ShowingLastTalkTime(now) ? kLastTalkTimeMs - (now - endedAt_) : 0;
}

std::string TalkClock::Text(std::uint32_t now, const std::tm& local) const {
    if (talking_) return FormatDuration(now - talkStart_);
    if (ShowingLastTalkTime(now)) return FormatDuration(lastTalkMs_);
    char text[32];
    std::snprintf(text, sizeof(text), "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

} // namespace orv
