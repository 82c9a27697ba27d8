#include "server/user_server.h"

#include "platform/tick.h"
#include "server/server_log.h"
#include "server/conference_requests.h"
#include "server/talk_requests.h"

#include <algorithm>

namespace orv {

std::string LogSafe(const std::string& text) {
    std::string safe = text;
    for (char& c : safe) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    }
    return safe;
}

UserServer::UserServer(SubscriberDb& db, const UserServerConfig& config, SendFunction send,
                       FriendLists::BeforeLoad beforeFriendLoad)
    : m_db(db), m_config(config), m_send(std::move(send)), m_sessions(config.ttlSeconds * 1000),
      m_friends(
          db, m_sessions, [this](const auto& packet, const auto& address, auto port) { Send(packet, address, port); },
          [this] { return NextSeq(); }, std::move(beforeFriendLoad)),
      m_options(db, [this](const auto& packet, const auto& address, auto port) { Send(packet, address, port); }) {}

void UserServer::SetPublicAddress(std::uint32_t address, std::uint16_t port) {
    m_config.publicAddress = address;
    m_config.publicPort = port;
}

void UserServer::Send(const std::vector<std::uint8_t>& packet, const std::string& address, std::uint16_t port) {
    m_send(packet, address, port);
}

void UserServer::OnDatagram(const std::uint8_t* data, std::size_t size, const std::string& address,
                            std::uint16_t port, std::uint32_t now) {
    Packet p;
    const From from{address, port};
    switch (ParsePacket(data, size, &p)) {
    case PacketError::TooShort:
        m_dropLog.Write(now, "drop %zu-byte datagram from %s:%u: shorter than a header", size,
                        address.c_str(), port);
        return;
    case PacketError::LengthMismatch:
        m_dropLog.Write(now, "drop datagram from %s:%u: length field %u, datagram %zu bytes",
                        address.c_str(), port, p.header.length, size);
        return;
    case PacketError::None:
        break;
    }
    switch (p.header.type) {
    case kPktQuerySvrIPPort: OnQuerySvrIPPort(p, from, now); break;
    case kPktLogin: OnLogin(p, from, now); break;
    case kPktKeepAlive: OnKeepAlive(p, from, now); break;
    case kPktNatDetect: OnNatEcho(p, from, now); break;
    case kPktLogout: OnLogout(p, from, now); break;
    case kPktCustomInfo: OnCustomInfo(p, from, now); break;
    case kPktTalkRequest:
        if (m_talk != nullptr) m_talk->OnTalkRequest(p, address, port, now);
        break;
    case kPktCallForward:
        if (m_talk != nullptr) m_talk->OnCallForward(p, address, port, now);
        break;
    case kPktConfRequest:
        if (m_conf != nullptr) m_conf->OnConfRequest(p, address, port, now);
        break;
    case kPktConfInvite:
        if (m_conf != nullptr) m_conf->OnConfInvite(p, address, port, now);
        break;
    default:
        if (FriendService::Serves(p.header.type) || OptionsService::Serves(p.header.type)) {
            OnSessionRequest(p, from, now);
        } else if (OptionsService::ServesAnyone(p.header.type)) {
            m_options.OnAnyoneRequest(p, address, port);
        } else {
            m_dropLog.Write(now, "drop packet type 0x%04x from %s:%u: not served here",
                            p.header.type, address.c_str(), port);
        }
        break;
    }
    ReportOffLine(now);
}

void UserServer::OnSessionRequest(const Packet& p, const From& from, std::uint32_t now) {
    Session s;
    if (!m_sessions.FindLiveByAddress(from.address, from.port, now, &s)) {
        m_dropLog.Write(now, "drop request 0x%04x from %s:%u: not registered", p.header.type,
                        from.address.c_str(), from.port);
    } else if (FriendService::Serves(p.header.type)) {
        m_friends.OnRequest(p, s, now);
    } else {
        m_options.OnRequest(p, s);
    }
}

void UserServer::ReportOffLine(std::uint32_t now) {
    for (const std::string& number : m_sessions.TakeWentOffLine()) {
        Session live;
        if (!m_sessions.FindLiveByNumber(number, now, &live)) m_friends.OnOffLine(number, now);
    }
}

bool UserServer::ExpireNumber(const std::string& number, std::uint32_t now) {
    const bool expired = m_sessions.Expire(number, now);
    ReportOffLine(now);
    return expired;
}

void UserServer::OnQuerySvrIPPort(const Packet& p, const From& from, std::uint32_t now) {
    if (p.bodySize != 0) {
        m_dropLog.Write(now, "drop QuerySvrIPPort from %s:%u: %zu unexpected body bytes",
                        from.address.c_str(), from.port, p.bodySize);
        return;
    }
    Send(BuildServerAddress(p.header.seqNum, m_config.publicAddress, m_config.publicPort), from.address, from.port);
}

std::int32_t UserServer::CheckLogon(const std::string& number, const std::string& digest,
                                    const std::string& bindInfo, const From& from, std::uint32_t now) {
    // A barred source learns nothing about the password, right or wrong.
    if (m_guard.SourceBarred(from.address, now)) return kReasonLocked;
    Subscriber s;
    if (!m_db.Find(number, &s)) {
        if (m_db.LastError().empty()) {
            m_guard.SourceFailed(from.address, now);
            return kReasonUnknownNumber;
        }
        // Not the client's fault: no answer, so its resend asks again.
        ServerLog("subscriber lookup failed: %s", m_db.LastError().c_str());
        return kLogonUnanswered;
    }
    if (s.state != SubscriberState::Active) return kReasonNotActive;
    if (s.wrongPasswords >= kWrongPasswordLimit && m_guard.NumberBarred(number, now)) return kReasonLocked;
    if (digest != s.digest) {
        m_guard.SourceFailed(from.address, now);
        const int count = m_db.RecordWrongPassword(number);
        if (count >= kWrongPasswordLimit) m_guard.LockNumber(number, now);
        m_dropLog.Write(now, "login %s: wrong password (%d in a row)", number.c_str(), count);
        return kReasonWrongPassword;
    }
    m_guard.SourceSucceeded(from.address);
    if (s.wrongPasswords != 0) m_db.ResetWrongPasswords(number);
    // The right password is not enough for an account bound to a handset.
    if (s.bindOption == kBindOptionHandset && (s.bindValue.empty() || bindInfo != s.bindValue))
        return kReasonWrongHandset;
    return 0;
}

void UserServer::OnLogin(const Packet& p, const From& from, std::uint32_t now) {
    LoginRequest request;
    if (!ParseLoginRequest(p.body, p.bodySize, &request)) {
        m_dropLog.Write(now, "drop login from %s:%u: malformed %zu-byte body",
                        from.address.c_str(), from.port, p.bodySize);
        return;
    }
    std::int32_t reason = request.clientKind == kClientKind ? 0 : kReasonBadClientKind;
    if (reason == 0) reason = IsValidNumber(request.number) ? CheckLogon(request.number, request.digest, request.bindInfo, from, now)
                                                           : kReasonUnknownNumber;
    if (reason == kLogonUnanswered) return;
    if (reason != 0) {
        m_dropLog.Write(now, "login %s from %s:%u: refused, reason %d",
                        LogSafe(request.number).c_str(), from.address.c_str(), from.port, reason);
        Send(BuildFailure(kPktLogin, p.header.seqNum, reason), from.address, from.port);
        return;
    }
    const SessionTable::LogonResult result = m_sessions.Register(request.number, from.address, from.port, now, request.bindInfo);
    ServerLog("login %s from %s:%u, endpoint %u, bind %s, %zu local addresses", request.number.c_str(),
              from.address.c_str(), from.port, result.endpoint, LogSafe(request.bindInfo).c_str(),
              request.localAddresses.size());
    Send(BuildSuccess(kPktLogin, p.header.seqNum, result.endpoint), from.address, from.port);
    ++m_counts.logons;
    m_options.OnLogon(request.number);
    m_friends.OnLogon(request.number, now);
    if (result.displacedOther) {
        const Session& old = result.displaced;
        ServerLog("logout endpoint %u of %s at %s:%u: logged on elsewhere", old.endpoint, old.number.c_str(),
                  old.address.c_str(), old.port);
        Send(BuildLogoutNotice(NextSeq(), old.endpoint, kLogoutElsewhere), old.address, old.port);
    }
}

void UserServer::OnKeepAlive(const Packet& p, const From& from, std::uint32_t now) {
    std::uint32_t endpoint = 0;
    if (!ParseEndpointBody(p.body, p.bodySize, &endpoint)) {
        m_dropLog.Write(now, "drop keep-alive from %s:%u: %zu-byte body", from.address.c_str(),
                        from.port, p.bodySize);
        return;
    }
    Session s;
    switch (m_sessions.KeepAlive(endpoint, from.address, from.port, now, &s)) {
    case KeepAliveVerdict::Alive:
        Send(BuildSuccess(kPktKeepAlive, p.header.seqNum, m_config.ttlSeconds), from.address, from.port);
        ++m_counts.keepAlives;
        break;
    case KeepAliveVerdict::Expired:
    case KeepAliveVerdict::Unknown:
        m_dropLog.Write(
            now, "keep-alive of %s endpoint %u from %s:%u: registration expired, demand re-logon",
            s.number.empty() ? "unknown" : s.number.c_str(), endpoint, from.address.c_str(),
            from.port);
        Send(BuildHeaderOnly(kPktWantRelogon, NextSeq()), from.address, from.port);
        ++m_counts.relogonDemands;
        break;
    case KeepAliveVerdict::Quiet:
        m_dropLog.Write(now, "keep-alive of expired endpoint %u: re-logon already demanded",
                        endpoint);
        break;
    case KeepAliveVerdict::Displaced:
        Send(BuildLogoutNotice(NextSeq(), endpoint, kLogoutElsewhere), from.address, from.port);
        break;
    case KeepAliveVerdict::WrongSender:
        m_dropLog.Write(now, "drop keep-alive for endpoint %u from %s:%u: registered elsewhere",
                        endpoint, from.address.c_str(), from.port);
        break;
    }
}

void UserServer::OnNatEcho(const Packet& p, const From& from, std::uint32_t now) {
    std::uint32_t endpoint = 0;
    Session s;
    if (!ParseEndpointBody(p.body, p.bodySize, &endpoint)) {
        m_dropLog.Write(now, "drop NAT echo from %s:%u: %zu-byte body", from.address.c_str(),
                        from.port, p.bodySize);
    } else if (!m_sessions.Find(endpoint, &s) || s.natSeq != p.header.seqNum || s.natSeq == 0) {
        m_dropLog.Write(now, "drop NAT echo of endpoint %u from %s:%u: no such detect", endpoint,
                        from.address.c_str(), from.port);
    } else if (s.address != from.address || s.port != from.port) {
        m_dropLog.Write(now, "NAT echo of endpoint %u came from %s:%u, registered at %s:%u",
                        endpoint, from.address.c_str(), from.port, s.address.c_str(), s.port);
    } else {
        ++m_counts.natEchoes; // routine: counted, and the count logged once a minute
    }
}

void UserServer::OnLogout(const Packet& p, const From& from, std::uint32_t now) {
    std::uint32_t endpoint = 0;
    std::uint32_t code = 0;
    if (!ParseLogoutBody(p.body, p.bodySize, &endpoint, &code)) {
        m_dropLog.Write(now, "drop logout from %s:%u: %zu-byte body", from.address.c_str(),
                        from.port, p.bodySize);
    } else if (m_sessions.Logout(endpoint, from.address, from.port)) {
        ServerLog("logout endpoint %u from %s:%u", endpoint, from.address.c_str(), from.port);
    } else {
        m_dropLog.Write(now, "drop logout of endpoint %u from %s:%u: not registered there",
                        endpoint, from.address.c_str(), from.port);
    }
}

void UserServer::OnCustomInfo(const Packet& p, const From& from, std::uint32_t now) {
    Session s;
    Subscriber subscriber;
    if (p.bodySize != 0) {
        m_dropLog.Write(now,
                        "drop custom information request from %s:%u: %zu unexpected body bytes",
                        from.address.c_str(), from.port, p.bodySize);
    } else if (!m_sessions.FindLiveByAddress(from.address, from.port, now, &s)) {
        m_dropLog.Write(now, "drop custom information request from %s:%u: not registered",
                        from.address.c_str(), from.port);
    } else if (!m_db.Find(s.number, &subscriber)) {
        m_dropLog.Write(now, "drop custom information request of %s: subscriber gone",
                        s.number.c_str());
    } else {
        Send(BuildCustomInfo(p.header.seqNum, subscriber.custom), from.address, from.port);
    }
}

namespace {
// The smallest NAT detect round, and how often the count of NAT echoes is logged.
constexpr std::size_t kNatRoundMinimum = 10;
constexpr std::uint32_t kEchoCountMs = 60000;
} // namespace

void UserServer::OnTimer(std::uint32_t now) {
    m_guard.Sweep(now);
    m_sessions.Sweep(now);
    ReportOffLine(now);
    m_friends.Lists().Collect();
    SendNatDetects(now);
    if (!m_echoCountStarted) {
        m_echoCountStarted = true;
        m_echoCountSince = now;
    } else if (TickDiff(now, m_echoCountSince) >= static_cast<std::int32_t>(kEchoCountMs)) {
        if (m_counts.natEchoes != m_echoesLogged) {
            ServerLog("NAT echoes: %llu in the last %d s",
                      static_cast<unsigned long long>(m_counts.natEchoes - m_echoesLogged),
                      TickDiff(now, m_echoCountSince) / 1000);
        }
        m_echoesLogged = m_counts.natEchoes;
        m_echoCountSince = now;
    }
}

void UserServer::SendNatDetects(std::uint32_t now) {
    if (m_config.natIntervalMs == 0) return;
    // The time since the last round, between 100 ms and a second, sets this round's share.
    const std::int32_t elapsed = m_natRoundStarted ? std::clamp(TickDiff(now, m_lastNatRound), 100, 1000) : 1000;
    m_natRoundStarted = true;
    m_lastNatRound = now;
    const std::size_t share = 2 * m_sessions.Size() * static_cast<std::size_t>(elapsed) / m_config.natIntervalMs;
    const auto due = m_sessions.TakeNatDetectsDue(now, m_config.natIntervalMs, [this] { return NextSeq(); },
                                                  std::max(share, kNatRoundMinimum));
    for (const Session& s : due) Send(BuildNatDetect(s.natSeq), s.address, s.port);
    m_counts.natDetects += due.size();
}

} // namespace orv
