#include "client/account/account_texts.h"

#include "client/call/call_progress.h"
#include "client/friends/text_format.h"
#include "client/text/text_table.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace orv {

std::string FormatBalance(std::int32_t hundredths) {
    char text[32];
    std::snprintf(text, sizeof(text), "%d.%02d RMB", hundredths / 100, std::abs(hundredths % 100));
    return text;
}

bool IsLegalCardNumber(const std::string& card) {
    if (card.empty()) return false;
    for (unsigned char c : card) {
        if (!std::isdigit(c) && c != '*') return false;
    }
    return true;
}

int CheckRefillInput(const std::string& card, const std::string& cardPassword) {
    if (!IsLegalCardNumber(card)) return 144;
    if (cardPassword.empty()) return 145;
    return 0;
}

std::string AccountReasonText(std::int32_t reason, const TextTable& texts) {
    switch (reason) {
    case -2: return texts.Text(146); // the card, not the number, is what does not exist here
    case -3: return texts.Text(145);
    case -10: return " " + texts.Text(19); // "%s %s" with an empty first part
    case -14: return FillText(texts.Text(40), {"", ""});
    default: break;
    }
    const ProgressText text = RefusalText(reason);
    return text.number == 0 ? std::string() : texts.Text(text.number);
}

} // namespace orv
