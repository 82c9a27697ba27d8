// AccountCore: the account dialog's behaviour for every front-end: balance query and refill
// at the account server, with the events and texts the dialog shows. The user-server
// handler is asked for the account server the first time; its handler is kept for later
// requests. Lives on the core's thread.
//
// Events: account_balance value= balance=          (the query answered)
//         account_query_failed reason= (TEXT 140 + ", " + reason text)
//         refill_done value= balance= (TEXT 142)   refill_failed reason= (TEXT 141 + ...)
//         account_failed code= (TEXT 139)          the account server could not be reached
//         refill_refused (TEXT 144 or 145)         the card number or password did not pass
#pragma once

#include "platform/message.h"

#include <optional>
#include <string>
#include <utility>

namespace orv {

class AcctServHandler;
class ClientCore;
struct AccountAnswer;

class AccountCore {
public:
    explicit AccountCore(ClientCore& core); // core must have started and outlive this object
    ~AccountCore();
    AccountCore(const AccountCore&) = delete;
    AccountCore& operator=(const AccountCore&) = delete;

    // False when nothing could be sent (not logged on).
    bool Query();
    // False when the input did not pass (a refill_refused event says why) or nothing could
    // be sent.
    bool Refill(const std::string& card, const std::string& cardPassword);

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnHandlerReady();
    void OnAnswer(bool query, const AccountAnswer& answer);
    // The handler, asked for when there is none yet: false when a request to the user
    // server went out instead (the handler comes with its answer).
    bool EnsureHandler();
    std::string Text(int number) const;

    ClientCore& m_core;
    AcctServHandler* m_handler = nullptr; // with a use of ours
    // A refill asked for before the handler was there: sent when it comes.
    std::optional<std::pair<std::string, std::string>> m_pendingFill;
};

} // namespace orv
