// The account server's conversation: each request names the subscriber with the number and
// the password field of its logon, and is answered on the link it came on. A query answers
// the balance; a refill uses a card and answers the new balance. Reasons: -1 the database
// failed, -2 no such card (a used card is gone too), -3 a wrong logon password or card
// password, -8 the number is locked, -9 not active, -11 a malformed card number or password.
// Runs on the server's one thread; time comes in as a tick argument.
#pragma once

#include "linkcommon/link_event.h"
#include "server/account_packets.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv {

class AccountDb;
class SubscriberDb;

constexpr std::int32_t kAccountReasonNoCard = -2;
constexpr std::int32_t kAccountReasonBadRequest = -11;
// After this many wrong card passwords in a row a number's refills are refused (-8) for
// kCardGuessLockMs; a right one clears the count.
constexpr int kCardGuessLimit = 5;
constexpr std::uint32_t kCardGuessLockMs = 15 * 60 * 1000;

class AccountServer {
public:
    using SendFunction = std::function<void(LinkHandle link, const std::vector<std::uint8_t>& packet)>;
    // One machine-readable line (ACCOUNT) for the operator.
    using ReportFunction = std::function<void(const std::string& line)>;

    AccountServer(SubscriberDb& subscribers, AccountDb& accounts, SendFunction send, ReportFunction report);

    // A complete message of a link. False when it is no account request (the link is then
    // closed by the caller).
    bool OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t now);

private:
    std::int32_t CheckSubscriber(const AccountRequest& request);
    std::int32_t Refill(const AccountRequest& request, std::uint32_t now, long long* balance);
    bool CardGuessLocked(const std::string& number, std::uint32_t now);

    struct Guesses {
        int count = 0;
        std::uint32_t lockedAt = 0;
    };

    SubscriberDb& m_subscribers;
    AccountDb& m_accounts;
    SendFunction m_send;
    ReportFunction m_report;
    std::unordered_map<std::string, Guesses> m_guesses;
};

} // namespace orv
