#include "server/options_service.h"

#include "server/options_packets.h"
#include "server/server_log.h"
#include "server/user_server.h"

namespace orv {

namespace {

// A forwarding target: empty (not forwarded) or a number as subscribers have them.
bool IsValidForwardNumber(const std::string& number) { return number.empty() || IsValidNumber(number); }

} // namespace

OptionsService::OptionsService(SubscriberDb& db, SendFunction send)
    : m_subscribers(db), m_db(db), m_send(std::move(send)) {}

bool OptionsService::Serves(std::uint16_t type) {
    switch (type) {
    case kPktOfflineCalls:
    case kPktGetForward:
    case kPktSetForward:
    case kPktSetPassword:
    case kPktSupportInfo:
    case kPktSetBindOption:
    case kPktQueryBindOption: return true;
    default: return false;
    }
}

bool OptionsService::ServesAnyone(std::uint16_t type) {
    return type == kPktFileUpdateQuery || type == kPktAccountServer;
}

void OptionsService::OnLogon(const std::string& number) { m_delivered.erase(number); }

void OptionsService::OnRequest(const Packet& p, const Session& sender) {
    // Only the set requests carry a body.
    const bool wantsBody = p.header.type == kPktSetForward || p.header.type == kPktSetPassword ||
                           p.header.type == kPktSetBindOption;
    if (!wantsBody && p.bodySize != 0) {
        ServerLog("drop request 0x%04x of %s: %zu unexpected body bytes", p.header.type, sender.number.c_str(),
                  p.bodySize);
        return;
    }
    switch (p.header.type) {
    case kPktOfflineCalls: OnOfflineCalls(p, sender); break;
    case kPktGetForward: OnGetForward(p, sender); break;
    case kPktSetForward: OnSetForward(p, sender); break;
    case kPktSetPassword: OnSetPassword(p, sender); break;
    case kPktSupportInfo: OnSupport(p, sender); break;
    case kPktQueryBindOption: OnQueryBindOption(p, sender); break;
    case kPktSetBindOption: OnSetBindOption(p, sender); break;
    default: break;
    }
}

void OptionsService::OnAnyoneRequest(const Packet& p, const std::string& address, std::uint16_t port) {
    if (p.bodySize != 0) {
        ServerLog("drop request 0x%04x from %s:%u: %zu unexpected body bytes", p.header.type, address.c_str(), port,
                  p.bodySize);
        return;
    }
    const bool update = p.header.type == kPktFileUpdateQuery;
    const ServerAddress& server = update ? m_updateServer : m_accountServer;
    if (server.port == 0) {
        ServerLog("%s query from %s:%u refused: no such server in this service",
                  update ? "update server" : "account server", address.c_str(), port);
        m_send(BuildFailure(p.header.type, p.header.seqNum, kReasonNoService), address, port);
        return;
    }
    m_send(BuildServerAnswer(p.header.type, p.header.seqNum, update, m_updateMode, server.address, server.port),
           address, port);
}

void OptionsService::OnOfflineCalls(const Packet& p, const Session& sender) {
    auto memo = m_delivered.find(sender.number);
    if (memo != m_delivered.end() && memo->second.seq == p.header.seqNum) {
        Answer(memo->second.packet, sender);
        return;
    }
    std::vector<OfflineCall> calls;
    if (!m_db.TakeOfflineCalls(sender.number, &calls)) {
        ServerLog("offline calls of %s not readable: %s", sender.number.c_str(), m_db.LastError().c_str());
        Answer(BuildPacket(kPktOfflineCalls, p.header.seqNum, {0xFF, 0xFF}), sender); // not ready: asked again
        return;
    }
    ServerLog("offline calls of %s: %zu delivered", sender.number.c_str(), calls.size());
    Delivered& delivered = m_delivered[sender.number];
    delivered.seq = p.header.seqNum;
    delivered.packet = BuildOfflineCalls(p.header.seqNum, calls);
    Answer(delivered.packet, sender);
}

void OptionsService::OnGetForward(const Packet& p, const Session& sender) {
    ForwardSettings settings;
    if (!m_db.GetForward(sender.number, &settings)) {
        ServerLog("forwarding of %s not readable: %s", sender.number.c_str(), m_db.LastError().c_str());
        Answer(BuildFailure(kPktGetForward, p.header.seqNum, kReasonTryAgain), sender);
        return;
    }
    Answer(BuildForwardAnswer(p.header.seqNum, settings), sender);
}

void OptionsService::OnSetForward(const Packet& p, const Session& sender) {
    ForwardSettings settings;
    if (!ParseForwardBody(p.body, p.bodySize, &settings)) {
        ServerLog("drop set forwarding of %s: %zu-byte body", sender.number.c_str(), p.bodySize);
        return;
    }
    std::int32_t reason = 0;
    if (!IsValidForwardNumber(settings.offline) || !IsValidForwardNumber(settings.busy) ||
        !IsValidForwardNumber(settings.noAnswer) || !IsValidForwardNumber(settings.always)) {
        reason = kReasonBadValue;
    } else if (!m_db.SetForward(sender.number, settings)) {
        ServerLog("storing the forwarding of %s failed: %s", sender.number.c_str(), m_db.LastError().c_str());
        reason = kReasonServerError;
    }
    if (reason != 0) {
        ServerLog("set forwarding of %s refused, reason %d", sender.number.c_str(), reason);
        Answer(BuildFailure(kPktSetForward, p.header.seqNum, reason), sender);
        return;
    }
    ServerLog("set forwarding of %s: offline %s, busy %s, no answer %s, always %s", sender.number.c_str(),
              settings.offline.c_str(), settings.busy.c_str(), settings.noAnswer.c_str(), settings.always.c_str());
    Answer(BuildSuccess(kPktSetForward, p.header.seqNum, 0), sender);
}

bool OptionsService::DigestMatches(const std::string& number, const std::string& digest) {
    Subscriber s;
    return m_subscribers.Find(number, &s) && !s.digest.empty() && s.digest == digest;
}

void OptionsService::OnSetPassword(const Packet& p, const Session& sender) {
    SetPasswordRequest request;
    if (!ParseSetPasswordBody(p.body, p.bodySize, &request)) {
        ServerLog("drop set password of %s: %zu-byte body", sender.number.c_str(), p.bodySize);
        return;
    }
    std::int32_t reason = 0;
    if (request.number != sender.number || !IsValidDigest(request.newDigest)) {
        reason = kReasonBadValue;
    } else if (!DigestMatches(sender.number, request.oldDigest)) {
        reason = kReasonWrongPassword;
    } else if (!m_subscribers.SetDigest(sender.number, request.newDigest)) {
        ServerLog("storing the password of %s failed: %s", sender.number.c_str(), m_subscribers.LastError().c_str());
        reason = kReasonServerError;
    }
    if (reason != 0) {
        ServerLog("set password of %s refused, reason %d", sender.number.c_str(), reason);
        Answer(BuildFailure(kPktSetPassword, p.header.seqNum, reason), sender);
        return;
    }
    ServerLog("set password of %s", sender.number.c_str());
    Answer(BuildSuccess(kPktSetPassword, p.header.seqNum, 0), sender);
}

void OptionsService::OnSupport(const Packet& p, const Session& sender) {
    std::vector<SupportEntry> entries;
    if (!m_db.GetSupport(&entries)) {
        ServerLog("support entries not readable: %s", m_db.LastError().c_str());
        Answer(BuildPacket(kPktSupportInfo, p.header.seqNum, {0xFF, 0xFF}), sender); // not ready: asked again
        return;
    }
    Answer(BuildSupportInfo(p.header.seqNum, entries), sender);
}

void OptionsService::OnQueryBindOption(const Packet& p, const Session& sender) {
    char option = kBindOptionNone;
    if (!m_db.GetBindOption(sender.number, &option)) {
        // Unanswered: the client keeps the option unknown and its resend asks again.
        ServerLog("bind option of %s not readable: %s", sender.number.c_str(), m_db.LastError().c_str());
        return;
    }
    Answer(BuildBindOption(p.header.seqNum, option), sender);
}

void OptionsService::OnSetBindOption(const Packet& p, const Session& sender) {
    SetBindOptionRequest request;
    if (!ParseSetBindOptionBody(p.body, p.bodySize, &request)) {
        ServerLog("drop set bind option of %s: %zu-byte body", sender.number.c_str(), p.bodySize);
        return;
    }
    // Binding needs a handset: the logon that made this registration carried its value.
    const bool handset = HasHandsetBindValue(sender.bindInfo);
    const bool ok = request.number == sender.number && IsValidBindOption(request.option) &&
                    (request.option != kBindOptionHandset || handset) &&
                    DigestMatches(sender.number, request.digest) &&
                    m_db.SetBindOption(sender.number, request.option, sender.bindInfo);
    ServerLog("set bind option of %s to %s: %s", sender.number.c_str(),
              IsValidBindOption(request.option) ? std::string(1, request.option).c_str() : "?",
              ok ? "done" : "refused");
    Answer(BuildResultOnly(kPktSetBindOption, p.header.seqNum, ok ? 0 : 255), sender);
}

} // namespace orv
