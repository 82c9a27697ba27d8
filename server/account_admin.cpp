#include "server/account_admin.h"

#include "server/account_db.h"
#include "server/subscriber_db.h"
#include "server/user_server.h"

#include <charconv>

namespace orv {

const char* const kAccountAdminHelp =
    "  addcard CARD PASSWORD VALUE     add a refill card (digits and '*') worth VALUE hundredths\n"
    "  cards                           list the refill cards and who used them\n"
    "  setbalance NUMBER VALUE         set a subscriber's balance in hundredths\n"
    "  balance NUMBER                  show a subscriber's balance in hundredths\n";

namespace {

struct CommandInfo {
    const char* name;
    std::size_t arguments;
};
constexpr CommandInfo kCommands[] = {{"addcard", 3}, {"cards", 0}, {"setbalance", 2}, {"balance", 1}};

std::string Fail(const std::string& command, const std::string& message, bool* ok) {
    *ok = false;
    return "ADMIN error " + command + ": " + message;
}

bool ParseValue(const std::string& text, long long* value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return !text.empty() && ec == std::errc() && ptr == end && *value >= 0 && *value <= kMaxBalance;
}

} // namespace

bool IsAccountCommand(const std::string& word) {
    for (const CommandInfo& c : kCommands) {
        if (word == c.name) return true;
    }
    return false;
}

std::vector<std::string> RunAccountCommand(const std::vector<std::string>& words, SubscriberDb& db, bool* ok) {
    *ok = true;
    const std::string& cmd = words.at(0);
    for (const CommandInfo& c : kCommands) {
        if (cmd == c.name && words.size() != c.arguments + 1)
            return {Fail(cmd, "expects " + std::to_string(c.arguments) + " arguments", ok)};
    }
    AccountDb accounts(db);
    if (!accounts.Prepare()) return {Fail(cmd, accounts.LastError(), ok)};
    long long value = 0;
    if (cmd == "addcard") {
        if (!ParseValue(words[3], &value)) return {Fail(cmd, "VALUE must be 1.." + std::to_string(kMaxBalance), ok)};
        if (!accounts.AddCard(words[1], words[2], value)) return {Fail(cmd, accounts.LastError(), ok)};
        return {"ADMIN ok addcard " + words[1]};
    }
    if (cmd == "cards") {
        std::vector<RefillCard> cards;
        if (!accounts.ListCards(&cards)) return {Fail(cmd, accounts.LastError(), ok)};
        std::vector<std::string> lines;
        for (const RefillCard& c : cards) {
            lines.push_back("CARD card=" + LogSafe(c.card) + " value=" + std::to_string(c.value) +
                            " used_by=" + LogSafe(c.usedBy) + " used_at=" + std::to_string(c.usedAt));
        }
        lines.push_back("ADMIN ok cards " + std::to_string(cards.size()));
        return lines;
    }
    const std::string& number = words[1];
    Subscriber s;
    if (!db.Find(number, &s)) return {Fail(cmd, "no subscriber " + LogSafe(number), ok)};
    if (cmd == "setbalance") {
        if (!ParseValue(words[2], &value)) return {Fail(cmd, "VALUE must be 0.." + std::to_string(kMaxBalance), ok)};
        if (!accounts.SetBalance(number, value)) return {Fail(cmd, accounts.LastError(), ok)};
        return {"ADMIN ok setbalance " + number};
    }
    if (!accounts.GetBalance(number, &value)) return {Fail(cmd, accounts.LastError(), ok)};
    return {"BALANCE number=" + number + " value=" + std::to_string(value), "ADMIN ok balance " + number};
}

} // namespace orv
