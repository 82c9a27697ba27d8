#include "server/account_server.h"

#include "server/account_db.h"
#include "server/server_log.h"
#include "server/subscriber_db.h"
#include "server/user_packets.h"

#include <ctime>

namespace orv {

AccountServer::AccountServer(SubscriberDb& subscribers, AccountDb& accounts, SendFunction send,
                             ReportFunction report)
    : m_subscribers(subscribers), m_accounts(accounts), m_send(std::move(send)), m_report(std::move(report)) {}

std::int32_t AccountServer::CheckSubscriber(const AccountRequest& request) {
    if (!IsValidNumber(request.number)) return kReasonWrongPassword;
    Subscriber s;
    if (!m_subscribers.Find(request.number, &s)) {
        if (!m_subscribers.LastError().empty()) {
            ServerLog("account: subscriber lookup failed: %s", m_subscribers.LastError().c_str());
            return kReasonServerError;
        }
        return kReasonWrongPassword;
    }
    if (s.state != SubscriberState::Active) return kReasonNotActive;
    if (s.wrongPasswords >= kWrongPasswordLimit) return kReasonLocked;
    if (request.digest != s.digest) {
        // Guesses here count as they do at logon.
        m_subscribers.RecordWrongPassword(request.number);
        return kReasonWrongPassword;
    }
    return 0;
}

bool AccountServer::CardGuessLocked(const std::string& number, std::uint32_t now) {
    auto it = m_guesses.find(number);
    if (it == m_guesses.end() || it->second.count < kCardGuessLimit) return false;
    if (now - it->second.lockedAt < kCardGuessLockMs) return true;
    m_guesses.erase(it);
    return false;
}

std::int32_t AccountServer::Refill(const AccountRequest& request, std::uint32_t now, long long* balance) {
    if (!IsValidCardNumber(request.card) || !IsValidCardPassword(request.cardPassword)) {
        return kAccountReasonBadRequest;
    }
    if (CardGuessLocked(request.number, now)) return kReasonLocked;
    switch (m_accounts.Refill(request.number, request.card, request.cardPassword,
                              static_cast<long long>(std::time(nullptr)), balance)) {
    case RefillOutcome::Done: m_guesses.erase(request.number); return 0;
    case RefillOutcome::NoSuchCard: return kAccountReasonNoCard;
    case RefillOutcome::WrongPassword: {
        Guesses& g = m_guesses[request.number];
        if (++g.count >= kCardGuessLimit) g.lockedAt = now;
        return kReasonWrongPassword;
    }
    case RefillOutcome::Overflow:
        ServerLog("account: refill of %s with card %s would pass the largest balance", request.number.c_str(),
                  request.card.c_str());
        return kReasonServerError;
    case RefillOutcome::Failed: break;
    }
    ServerLog("account: refill failed: %s", m_accounts.LastError().c_str());
    return kReasonServerError;
}

bool AccountServer::OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t now) {
    PacketHeader h;
    if (ReadPacketHeader(data, size, &h) && h.type == kPktStreamKeepAlive && h.length == size &&
        size == kPacketHeaderSize) {
        m_send(link, BuildHeaderOnly(kPktStreamKeepAlive, h.seqNum));
        return true;
    }
    AccountRequest request;
    if (!ParseAccountRequest(data, size, &request)) {
        ServerLog("account: drop a %zu-byte message that is no account request", size);
        return false;
    }
    const bool fill = request.type == kPktAccountFill;
    std::int32_t reason = CheckSubscriber(request);
    long long balance = 0;
    if (reason != 0) {
        // Only the subscriber's own requests are reported: anyone can send the others.
        m_send(link, BuildFailure(request.type, request.seq, reason));
        return true;
    }
    {
        if (fill) {
            reason = Refill(request, now, &balance);
        } else if (!m_accounts.GetBalance(request.number, &balance)) {
            ServerLog("account: balance of %s not readable: %s", request.number.c_str(),
                      m_accounts.LastError().c_str());
            reason = kReasonServerError;
        }
    }
    std::string line = std::string("ACCOUNT ") + (fill ? "refill" : "query") + " number=" + request.number;
    if (fill) line += " card=" + (IsValidCardNumber(request.card) ? request.card : std::string("?"));
    if (reason == 0) {
        line += " result=ok balance=" + std::to_string(balance);
        m_send(link, BuildSuccess(request.type, request.seq, static_cast<std::uint32_t>(balance)));
    } else {
        line += " result=refused reason=" + std::to_string(reason);
        m_send(link, BuildFailure(request.type, request.seq, reason));
    }
    m_report(line);
    return true;
}

} // namespace orv
