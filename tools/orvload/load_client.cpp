#include "tools/orvload/load_client.h"

#include "server/talk_packets.h"
#include "server/user_packets.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/packet_header.h"
#include "wire/password_digest.h"

#include <algorithm>

namespace orv {

namespace {

// Logon latencies kept for the percentiles; a storm beyond this is counted, not kept.
constexpr std::size_t kMaxLatencies = 4000000;

// The answer body "result byte, then a 32-bit value"; false (counted as junk) when short.
bool ReadAnswer(const std::uint8_t* body, std::size_t size, std::uint8_t* result, std::uint32_t* value) {
    ByteReader r(body, size);
    *result = r.U8();
    *value = r.U32LE();
    return r.Ok();
}

std::vector<std::uint8_t> EndpointPacket(std::uint16_t type, std::uint32_t seq, std::uint32_t endpoint) {
    ByteWriter w = StartPacket(type, seq);
    w.U32LE(endpoint);
    return FinishPacket(w);
}

} // namespace

LoadClients::LoadClients(std::size_t count, std::uint64_t firstNumber, const std::string& password, SendFunction send,
                         ScheduleFunction schedule)
    : m_clients(count), m_firstNumber(firstNumber), m_password(password), m_send(std::move(send)),
      m_schedule(std::move(schedule)), m_firstLogonMs(count, -1.0) {}

std::string LoadClients::NumberOf(std::size_t i) const { return std::to_string(m_firstNumber + i); }

void LoadClients::Schedule(std::size_t i, std::int64_t due) { m_schedule(i, due, ++m_clients[i].timerToken); }

void LoadClients::SetState(std::size_t i, LoadClientState state) {
    LoadClient& c = m_clients[i];
    if (c.state == LoadClientState::Registered) --m_registered;
    if (state == LoadClientState::Registered) ++m_registered;
    c.state = state;
    if (state != LoadClientState::Registered) SetKeptAlive(i, false);
}

void LoadClients::SetKeptAlive(std::size_t i, bool kept) {
    LoadClient& c = m_clients[i];
    if (c.keptAlive == kept) return;
    c.keptAlive = kept;
    if (kept) ++m_keptAlive;
    else --m_keptAlive;
}

void LoadClients::StartLogon(std::size_t i, std::int64_t now) {
    LoadClient& c = m_clients[i];
    c.endpoint = 0;
    c.keepAliveAwaited = false;
    c.logonStartUs = now;
    SetState(i, LoadClientState::LoggingIn);
    SendLogin(i, now);
}

void LoadClients::SendLogin(std::size_t i, std::int64_t now) {
    LoadClient& c = m_clients[i];
    const std::string number = NumberOf(i);
    ByteWriter w = StartPacket(kPktLogin, ++c.seq);
    w.Text(number, kNumberField);
    w.Text(PasswordDigest(number, m_password), kPasswordField);
    w.Text("00000000", kBindInfoField);
    w.U8(kClientKind);
    w.U16LE(0); // no local addresses
    m_send(i, FinishPacket(w));
    ++m_counters.loginsSent;
    Schedule(i, now + kLoadResendUs);
}

void LoadClients::SendKeepAlive(std::size_t i, std::int64_t now) {
    LoadClient& c = m_clients[i];
    c.keepAliveAwaited = true;
    m_send(i, EndpointPacket(kPktKeepAlive, ++c.seq, c.endpoint));
    ++m_counters.keepAlivesSent;
    Schedule(i, now + kLoadResendUs);
}

void LoadClients::OnDeadline(std::size_t i, std::uint32_t token, std::int64_t now) {
    LoadClient& c = m_clients[i];
    if (token != c.timerToken) return;
    if (c.state == LoadClientState::LoggingIn) {
        ++m_counters.loginResends;
        SendLogin(i, now);
    } else if (c.state == LoadClientState::Registered) {
        if (c.keepAliveAwaited) ++m_counters.keepAlivesLost;
        SendKeepAlive(i, now);
    }
}

void LoadClients::OnPayload(std::size_t i, const std::uint8_t* data, std::size_t size, std::int64_t now) {
    Packet p;
    if (ParsePacket(data, size, &p) != PacketError::None) {
        ++m_counters.junk;
        return;
    }
    LoadClient& c = m_clients[i];
    const bool answersLatest = p.header.seqNum == c.seq;
    if (p.header.type == kPktLogin && answersLatest && c.state == LoadClientState::LoggingIn) {
        OnLoginAnswer(i, p.body, p.bodySize, now);
    } else if (p.header.type == kPktKeepAlive && answersLatest && c.keepAliveAwaited) {
        OnKeepAliveAnswer(i, p.body, p.bodySize, now);
    } else if (p.header.type == kPktWantRelogon && p.bodySize == 0 && c.state == LoadClientState::Registered) {
        ++m_counters.relogonDemands;
        StartLogon(i, now);
    } else if (p.header.type == kPktNatDetect && c.endpoint != 0) {
        ++m_counters.natDetects;
        m_send(i, EndpointPacket(kPktNatDetect, p.header.seqNum, c.endpoint));
    } else if (p.header.type == kPktLogout && c.state == LoadClientState::Registered) {
        // Logged on elsewhere: the real client tells its user and stays off line.
        ++m_counters.logoutsReceived;
        c.endpoint = 0;
        ++c.timerToken;
        SetState(i, LoadClientState::LoggedOut);
    } else if (p.header.type == kPktTalkEstablish && m_onEstablish) {
        m_onEstablish(i, p, now);
    } else {
        ++m_counters.otherPackets;
    }
}

void LoadClients::OnLoginAnswer(std::size_t i, const std::uint8_t* body, std::size_t size, std::int64_t now) {
    std::uint8_t result = 0;
    std::uint32_t value = 0;
    if (!ReadAnswer(body, size, &result, &value)) {
        ++m_counters.junk;
        return;
    }
    LoadClient& c = m_clients[i];
    if (result != 0) {
        ++m_counters.loginsRefused;
        ++c.timerToken;
        SetState(i, LoadClientState::Refused);
        return;
    }
    ++m_counters.loginsAccepted;
    const double latency = static_cast<double>(now - c.logonStartUs) / 1000.0;
    if (!c.firstLogonDone) {
        c.firstLogonDone = true;
        m_firstLogonMs[i] = latency;
    }
    if (m_allLogonMs.size() < kMaxLatencies) m_allLogonMs.push_back(latency);
    c.endpoint = value;
    SetState(i, LoadClientState::Registered);
    SendKeepAlive(i, now); // the first keep-alive goes at once
}

void LoadClients::OnKeepAliveAnswer(std::size_t i, const std::uint8_t* body, std::size_t size, std::int64_t now) {
    std::uint8_t result = 0;
    std::uint32_t ttlSeconds = 0;
    if (!ReadAnswer(body, size, &result, &ttlSeconds)) {
        ++m_counters.junk;
        return;
    }
    LoadClient& c = m_clients[i];
    c.keepAliveAwaited = false;
    if (result != 0) {
        ++m_counters.otherPackets; // a refusal: the client keeps its period and waits
        Schedule(i, now + kLoadResendUs);
        return;
    }
    ++m_counters.keepAlivesAnswered;
    SetKeptAlive(i, true);
    // The period only ever shrinks to a third of the TTL, as the client keeps it.
    const std::uint32_t third = ttlSeconds * 1000u / 3u;
    if (c.periodMs == 0 || c.periodMs > third) c.periodMs = third;
    Schedule(i, now + std::max<std::int64_t>(c.periodMs, 1000) * 1000);
}

} // namespace orv
