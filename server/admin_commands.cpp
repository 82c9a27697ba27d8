#include "server/admin_commands.h"

#include "server/options_db.h"
#include "server/subscriber_db.h"
#include "server/subscriber_import.h"
#include "server/user_server.h"

#include <charconv>
#include <sstream>

namespace orv {

const char* const kAdminHelp =
    "  adduser NUMBER PASSWORD         add a subscriber (active)\n"
    "  deluser NUMBER                  remove a subscriber\n"
    "  passwd NUMBER PASSWORD          set a new password (also unlocks)\n"
    "  setstate NUMBER active|inactive set the state; active also unlocks after 30 wrong passwords\n"
    "  setcustom NUMBER ID NAME URL    set the custom information (NAME and URL without blanks)\n"
    "  list                            list the subscribers\n"
    "  import FILE                     add many subscribers in one go, a line \"NUMBER PASSWORD\n"
    "                                  [active|inactive]\" each; any bad line adds none\n"
    "  addsupport NUMBER TEXT          add a support entry offered to every client (TEXT without\n"
    "                                  blanks; \"Chinese|English\" gives both languages)\n"
    "  clearsupport                    remove every support entry\n"
    "  support                         list the support entries\n"
    "  expire NUMBER                   expire the number's registration (running server only)\n"
    "  sessions                        list the registrations (running server only)\n"
    "  stats                           count the registrations and what the server did since\n"
    "                                  it started (running server only)\n";

namespace {

const char* StatusName(SessionStatus status) {
    switch (status) {
    case SessionStatus::Live: return "live";
    case SessionStatus::Expired: return "expired";
    case SessionStatus::Displaced: return "displaced";
    case SessionStatus::Superseded: return "superseded";
    }
    return "?";
}

struct CommandInfo {
    const char* name;
    std::size_t arguments;
};

constexpr CommandInfo kCommands[] = {
    {"adduser", 2}, {"deluser", 1}, {"passwd", 2}, {"setstate", 2},
    {"setcustom", 4}, {"list", 0}, {"expire", 1}, {"sessions", 0},
    {"addsupport", 2}, {"clearsupport", 0}, {"support", 0}, {"import", 1}, {"stats", 0},
};

const CommandInfo* FindCommand(const std::string& word) {
    for (const CommandInfo& c : kCommands) {
        if (word == c.name) return &c;
    }
    return nullptr;
}

std::string Fail(const std::string& command, const std::string& message, bool* ok) {
    *ok = false;
    return "ADMIN error " + command + ": " + message;
}

bool ParseU32(const std::string& text, std::uint32_t* value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && !text.empty();
}

std::vector<std::string> SupportCommand(const std::vector<std::string>& words, SubscriberDb& db, bool* ok) {
    const std::string& cmd = words[0];
    OptionsDb options(db);
    std::vector<SupportEntry> entries;
    if (!options.GetSupport(&entries)) return {Fail(cmd, options.LastError(), ok)};
    if (cmd == "support") {
        std::vector<std::string> lines;
        for (const SupportEntry& e : entries) {
            lines.push_back("SUPPORT number=" + LogSafe(e.number) + " text=" + LogSafe(e.text));
        }
        lines.push_back("ADMIN ok support " + std::to_string(entries.size()));
        return lines;
    }
    if (cmd == "addsupport") {
        // The entry's two fields hold 31 bytes each on the wire.
        if (words[1].size() > 31 || words[2].size() > 31) return {Fail(cmd, "NUMBER and TEXT take 31 bytes each", ok)};
        entries.push_back({words[1], words[2]});
    } else {
        entries.clear();
    }
    if (!options.SetSupport(entries)) return {Fail(cmd, options.LastError(), ok)};
    return {"ADMIN ok " + cmd + " " + std::to_string(entries.size())};
}

std::string StatsLine(UserServer& server) {
    const auto all = server.Sessions().Snapshot();
    std::size_t live = 0;
    for (const Session& s : all) live += s.status == SessionStatus::Live ? 1 : 0;
    const UserServer::Counts& c = server.Stats();
    return "ADMIN ok stats registrations=" + std::to_string(all.size()) + " live=" + std::to_string(live) +
           " logons=" + std::to_string(c.logons) + " keepalives=" + std::to_string(c.keepAlives) +
           " relogon_demands=" + std::to_string(c.relogonDemands) + " nat_detects=" + std::to_string(c.natDetects) +
           " nat_echoes=" + std::to_string(c.natEchoes);
}

} // namespace

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

bool IsAdminCommand(const std::string& word) { return FindCommand(word) != nullptr; }

std::vector<std::string> RunAdminCommand(const std::vector<std::string>& words, SubscriberDb& db,
                                         UserServer* server, std::uint32_t now, bool* ok) {
    *ok = true;
    if (words.empty()) return {Fail("", "empty command", ok)};
    const std::string& cmd = words[0];
    const CommandInfo* info = FindCommand(cmd);
    if (info == nullptr) return {Fail(LogSafe(cmd), "unknown command", ok)};
    if (words.size() != info->arguments + 1) {
        return {Fail(cmd, "expects " + std::to_string(info->arguments) + " arguments", ok)};
    }
    const std::string number = words.size() > 1 ? words[1] : std::string();
    const std::string done = "ADMIN ok " + cmd + (number.empty() ? "" : " " + number);
    bool changed = true;

    if (cmd == "adduser") {
        changed = db.Add(number, words[2]);
    } else if (cmd == "deluser") {
        changed = db.Remove(number);
    } else if (cmd == "passwd") {
        changed = db.SetPassword(number, words[2]);
    } else if (cmd == "setstate") {
        SubscriberState state;
        if (!ParseStateName(words[2], &state)) return {Fail(cmd, "state must be active or inactive", ok)};
        changed = db.SetState(number, state);
    } else if (cmd == "setcustom") {
        CustomInfo custom;
        if (!ParseU32(words[2], &custom.id)) return {Fail(cmd, "ID must be a number", ok)};
        custom.name = words[3];
        custom.url = words[4];
        changed = db.SetCustomInfo(number, custom);
    } else if (cmd == "list") {
        std::vector<Subscriber> all;
        if (!db.List(&all)) return {Fail(cmd, db.LastError(), ok)};
        std::vector<std::string> lines;
        for (const Subscriber& s : all) {
            lines.push_back("USER number=" + LogSafe(s.number) + " state=" + StateName(s.state) +
                            " wrong=" + std::to_string(s.wrongPasswords) + " custom_id=" +
                            std::to_string(s.custom.id) + " name=" + LogSafe(s.custom.name) + " url=" +
                            LogSafe(s.custom.url));
        }
        lines.push_back(done + " " + std::to_string(all.size()));
        return lines;
    } else if (cmd == "import") {
        std::string error;
        const long long added = ImportSubscribers(db, words[1], &error);
        if (added < 0) return {Fail(cmd, error, ok)};
        return {"ADMIN ok import " + std::to_string(added)};
    } else if (cmd == "addsupport" || cmd == "clearsupport" || cmd == "support") {
        return SupportCommand(words, db, ok);
    } else if (server == nullptr) {
        return {Fail(cmd, "needs the running server: give it as a line on the server's standard input", ok)};
    } else if (cmd == "expire") {
        if (!server->ExpireNumber(number, now)) return {Fail(cmd, "no live registration of " + LogSafe(number), ok)};
    } else if (cmd == "sessions") {
        std::vector<std::string> lines;
        const auto all = server->Sessions().Snapshot();
        for (const Session& s : all) {
            lines.push_back("SESSION number=" + s.number + " endpoint=" + std::to_string(s.endpoint) +
                            " address=" + s.address + ":" + std::to_string(s.port) + " status=" +
                            StatusName(s.status));
        }
        lines.push_back(done + " " + std::to_string(all.size()));
        return lines;
    } else if (cmd == "stats") {
        return {StatsLine(*server)};
    }
    if (!changed) return {Fail(cmd, db.LastError(), ok)};
    return {done};
}

} // namespace orv
