// What the account dialog shows, shared by every front-end: the balance text, the check of
// a card number before a refill, and the texts of the account server's reasons.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

class TextTable;

// "%d.%02d RMB" from hundredths: 12345 -> "123.45 RMB", 5 -> "0.05 RMB", -150 -> "-1.50 RMB"
// (the whole part truncated toward zero; a value between -1 and 0 shows as "0.xx").
std::string FormatBalance(std::int32_t hundredths);

// Digits and '*' only, at least one character.
bool IsLegalCardNumber(const std::string& card);

// The text of a refusal reason in the account context ("" for a reason without one).
std::string AccountReasonText(std::int32_t reason, const TextTable& texts);

// The dialog's check of a refill: 0 when the request may go, else the text number to show
// (144 "Illegal refill card number", 145 "Invalid password").
int CheckRefillInput(const std::string& card, const std::string& cardPassword);

} // namespace orv
