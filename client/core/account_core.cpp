#include "client/core/account_core.h"

#include "client/account/acct_serv_handler.h"
#include "client/account/account_texts.h"
#include "client/core/client_core.h"
#include "client/friends/text_format.h"
#include "client/userserver/user_serv_handler.h"

#include <memory>

namespace orv {

AccountCore::AccountCore(ClientCore& core) : m_core(core) {
    core.UserServ()->SetAccountWindow(core.Window());
    core.AddMessageSink([this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
}

AccountCore::~AccountCore() {
    if (m_handler != nullptr) {
        m_handler->SetNotifyWindow(0);
        m_handler->ReleaseUse();
    }
}

std::string AccountCore::Text(int number) const { return m_core.Texts().Text(number); }

bool AccountCore::EnsureHandler() {
    if (m_handler != nullptr) return true;
    m_handler = m_core.UserServ()->TakeAccountHandler();
    if (m_handler != nullptr) {
        m_handler->SetNotifyWindow(m_core.Window());
        return true;
    }
    m_core.UserServ()->SetAccountWindow(m_core.Window());
    m_core.UserServ()->QueryAccountServ();
    return false;
}

bool AccountCore::Query() {
    if (!EnsureHandler()) return true; // the query follows the handler
    return m_handler->DoAccountQuery() != 0;
}

bool AccountCore::Refill(const std::string& card, const std::string& cardPassword) {
    if (const int text = CheckRefillInput(card, cardPassword); text != 0) {
        m_core.Emit({"refill_refused", {}, Text(1), Text(text)});
        return false;
    }
    if (!EnsureHandler()) {
        m_pendingFill.emplace(card, cardPassword);
        return true;
    }
    return m_handler->DoAccountFill(card, cardPassword) != 0;
}

void AccountCore::OnHandlerReady() {
    if (m_handler == nullptr) {
        m_handler = m_core.UserServ()->TakeAccountHandler();
        if (m_handler == nullptr) return;
        m_handler->SetNotifyWindow(m_core.Window());
    }
    if (m_pendingFill) {
        m_handler->DoAccountFill(m_pendingFill->first, m_pendingFill->second);
        m_pendingFill.reset();
    } else {
        m_handler->DoAccountQuery();
    }
}

void AccountCore::OnAnswer(bool query, const AccountAnswer& answer) {
    const auto value = static_cast<std::int32_t>(answer.value);
    const std::string valueText = std::to_string(value);
    if (answer.result == 0) {
        const std::string balance = FormatBalance(value);
        if (query) {
            m_core.Emit({"account_balance", {{"value", valueText}, {"balance", balance}}, "", ""});
        } else {
            m_core.Emit({"refill_done", {{"value", valueText}, {"balance", balance}}, Text(1),
                         FillText(Text(142), {balance})});
        }
        return;
    }
    const std::string reason = AccountReasonText(value, m_core.Texts());
    m_core.Emit({query ? "account_query_failed" : "refill_failed", {{"reason", valueText}}, Text(1),
                 Text(query ? 140 : 141) + ", " + reason});
}

bool AccountCore::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_ACCOUNT_EVENT) return false;
    switch (static_cast<int>(wParam)) {
    case kAccountHandlerReady: OnHandlerReady(); break;
    case kAccountServerRefused:
    case kAccountLinkFailed:
    case kAccountConnectTimeout:
        m_pendingFill.reset();
        m_core.Emit({"account_failed", {{"code", std::to_string(wParam)}}, Text(1), Text(139)});
        break;
    case kAccountQueryAnswer:
    case kAccountFillAnswer: {
        std::unique_ptr<AccountAnswer> answer(reinterpret_cast<AccountAnswer*>(lParam));
        if (answer) OnAnswer(wParam == kAccountQueryAnswer, *answer);
        break;
    }
    default: break; // 4: the link closed after use; the next request opens it again
    }
    return true;
}

} // namespace orv
