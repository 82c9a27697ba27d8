#include "client/video/capture/frame_rate_limiter.h"

namespace orv {

namespace {

constexpr std::uint32_t kMeasureSpanMs = 3000;

// The process-wide limiter state; guarded by the render filter's frame lock.
struct LimiterState {
    std::uint16_t frameCount = 0;
    std::uint32_t measureStart = 0; // 0 = no measurement started
    std::uint16_t measuredRate = 0;
    std::uint16_t passRun = 0;
    std::uint16_t dropRun = 0;
    std::uint16_t dropsToDo = 0;
    std::uint16_t passesDone = 0;
};

LimiterState g_limiter;

} // namespace

bool FrameRateLimiterPass(std::uint16_t targetRate, std::uint32_t nowTick) {
    LimiterState& s = g_limiter;
    if (targetRate == 0) return false;

    ++s.frameCount;
    if (s.measureStart == 0) {
        s.measureStart = nowTick != 0 ? nowTick : 1;
    } else {
        const std::uint32_t elapsed = nowTick - s.measureStart; // unsigned: wrap-around safe
        if (elapsed > kMeasureSpanMs) {
            s.measureStart = nowTick != 0 ? nowTick : 1;
            s.measuredRate = static_cast<std::uint16_t>(s.frameCount * 1000.0 / elapsed + 0.5);
            s.frameCount = 0;
        }
    }

    const std::uint16_t measured = s.measuredRate;
    if (measured <= targetRate) {
        s.passRun = 0;
        return true;
    }
    const std::uint16_t excess = static_cast<std::uint16_t>(measured - targetRate);
    if (targetRate > excess) {
        s.passRun = static_cast<std::uint16_t>(targetRate / excess);
        s.dropRun = 1;
    } else {
        s.passRun = 1;
        s.dropRun = static_cast<std::uint16_t>(excess / targetRate);
    }
    if (s.dropsToDo > 0) {
        --s.dropsToDo;
        return false;
    }
    if (++s.passesDone >= s.passRun) {
        s.dropsToDo = s.dropRun;
        s.passesDone = 0;
    }
    return true;
}

void ResetFrameRateLimiter() {
    g_limiter = LimiterState{};
}

} // namespace orv
