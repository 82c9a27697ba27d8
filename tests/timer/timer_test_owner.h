// A timer owner that behaves like a message handler: resends under fresh sequence numbers
// and records every callback.
#pragma once

#include "client/net/timer_manager.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orv::test {

// A packet with the server header: PktType, PktLen, SeqNum little-endian, then the body.
inline std::vector<std::uint8_t> MakePacket(std::uint16_t type, std::uint32_t seq, const std::string& body = "") {
    std::vector<std::uint8_t> p(kPacketHeaderSize + body.size());
    WritePacketHeader(p.data(), {type, static_cast<std::uint16_t>(p.size()), seq});
    std::copy(body.begin(), body.end(), p.begin() + kPacketHeaderSize);
    return p;
}

inline std::uint32_t SeqOf(const std::vector<std::uint8_t>& p) {
    TimerEntry e;
    e.packet = p;
    return e.SeqNum();
}

class RecordingOwner : public CTimerOwner {
public:
    struct Send {
        std::uint32_t seq;
        std::uint16_t type;
        std::uint32_t tick;
    };

    explicit RecordingOwner(std::function<std::uint32_t()> clock) : m_clock(std::move(clock)) {}

    bool TakeUse() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!alive) return false;
        ++uses;
        return true;
    }
    void GiveBackUse() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        --uses;
    }
    void ReSendData(TimerEntry& entry) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        entry.SetSeqNum(nextSeq++);
        sends.push_back({entry.SeqNum(), entry.PktType(), m_clock()});
    }
    void OnMsgTimeOut(const std::uint8_t* packet, std::uint32_t length) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            timeOuts.emplace_back(packet, packet + length);
            timeOutTicks.push_back(m_clock());
        }
        if (onTimeOut) onTimeOut();
    }
    void OnTimer() override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            timerTicks.push_back(m_clock());
        }
        if (onTimer) onTimer();
    }
    void OnChannelTimer() override { CallTimer(0); }
    void OnAudioProbeTimer() override { CallTimer(1); }
    void OnVideoProbeTimer() override { CallTimer(2); }

    std::vector<Send> Sends() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return sends;
    }
    std::vector<std::vector<std::uint8_t>> TimeOuts() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return timeOuts;
    }

    bool alive = true;
    int uses = 0;
    std::uint32_t nextSeq = 100;
    std::vector<Send> sends;
    std::vector<std::vector<std::uint8_t>> timeOuts;
    std::vector<std::uint32_t> timeOutTicks;
    std::vector<std::uint32_t> timerTicks;
    int callTimers[3] = {0, 0, 0};
    std::function<void()> onTimeOut, onTimer, onCallTimer;

private:
    void CallTimer(int which) {
        ++callTimers[which];
        if (onCallTimer) onCallTimer();
    }
    std::function<std::uint32_t()> m_clock;
    std::mutex m_mutex;
};

} // namespace orv::test
