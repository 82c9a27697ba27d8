// One simulated client of the user server, as the real client behaves towards it: a logon
// resent every 5 s until answered, a keep-alive at once after the logon and then at a third
// of the server's TTL (resent every 5 s while unanswered), the echo of every NAT detect,
// a new logon when the server demands one, and silence after the server logged it out.
// The conversation is kept apart from the sockets: packets go out through a send function,
// and the one pending deadline of each client through a schedule function.
#pragma once

#include "tools/orvload/load_stats.h"
#include "wire/packet_header.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// Times are microseconds of a steady clock.
constexpr std::int64_t kLoadResendUs = 5000000;

enum class LoadClientState : std::uint8_t { Waiting, LoggingIn, Registered, LoggedOut, Refused };

struct LoadClient {
    LoadClientState state = LoadClientState::Waiting;
    bool keepAliveAwaited = false;
    bool keptAlive = false;         // a keep-alive of the current registration was answered
    bool firstLogonDone = false;
    std::uint32_t endpoint = 0;
    std::uint32_t seq = 0;          // sequence number of the latest request
    std::uint32_t periodMs = 0;     // keep-alive period; 0 until the server told its TTL
    std::int64_t logonStartUs = 0;  // first attempt of the current logon
    std::uint32_t timerToken = 0;   // the current deadline; older ones are stale
};

class LoadClients {
public:
    using SendFunction = std::function<void(std::size_t client, const std::vector<std::uint8_t>& payload)>;
    using ScheduleFunction = std::function<void(std::size_t client, std::int64_t due, std::uint32_t token)>;

    LoadClients(std::size_t count, std::uint64_t firstNumber, const std::string& password, SendFunction send,
                ScheduleFunction schedule);

    // Talk establish notices (answers to calls) go to this handler.
    using EstablishHandler = std::function<void(std::size_t client, const Packet& p, std::int64_t now)>;
    void SetEstablishHandler(EstablishHandler handler) { m_onEstablish = std::move(handler); }

    void StartLogon(std::size_t i, std::int64_t now);
    // A datagram's payload (already decoded from the link's wire form) for client i.
    void OnPayload(std::size_t i, const std::uint8_t* data, std::size_t size, std::int64_t now);
    // Client i's deadline came; token tells whether it is still the current one.
    void OnDeadline(std::size_t i, std::uint32_t token, std::int64_t now);

    const LoadClient& Client(std::size_t i) const { return m_clients[i]; }
    std::size_t Size() const { return m_clients.size(); }
    LoadCounters& Counters() { return m_counters; }
    std::size_t Registered() const { return m_registered; }
    std::size_t KeptAlive() const { return m_keptAlive; }
    // Latency of each client's first logon (ms, -1 when it has none yet), in client order.
    const std::vector<double>& FirstLogonMs() const { return m_firstLogonMs; }
    const std::vector<double>& AllLogonMs() const { return m_allLogonMs; }

private:
    void SendLogin(std::size_t i, std::int64_t now);
    void SendKeepAlive(std::size_t i, std::int64_t now);
    void Schedule(std::size_t i, std::int64_t due);
    void SetState(std::size_t i, LoadClientState state);
    void SetKeptAlive(std::size_t i, bool kept);
    void OnLoginAnswer(std::size_t i, const std::uint8_t* body, std::size_t size, std::int64_t now);
    void OnKeepAliveAnswer(std::size_t i, const std::uint8_t* body, std::size_t size, std::int64_t now);
    std::string NumberOf(std::size_t i) const;

    std::vector<LoadClient> m_clients;
    std::uint64_t m_firstNumber;
    std::string m_password;
    SendFunction m_send;
    ScheduleFunction m_schedule;
    EstablishHandler m_onEstablish;
    LoadCounters m_counters;
    std::size_t m_registered = 0;
    std::size_t m_keptAlive = 0;
    std::vector<double> m_firstLogonMs;
    std::vector<double> m_allLogonMs;
};

} // namespace orv
