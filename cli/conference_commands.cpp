// Conferences: conf-open, conf-invite, conf-video, conf-kick, conf-dtmf, conf-leave,
// conf-members, conf-log. An invitation rings like a call and is answered with "answer".
#include "cli/cli_commands.h"

#include <charconv>

namespace orv {

namespace {

// Runs a command on the conference controls; its refusal becomes an error event.
void WithConference(CliContext& c, const std::string& line, const std::function<bool(ConferenceControl&, std::string*)>& run) {
    if (c.conference == nullptr) return c.Error(line, "the core has not started");
    std::string error;
    if (!run(*c.conference, &error)) c.Error(line, error);
}

bool ParseSeat(const std::string& word, int* seat) {
    return std::from_chars(word.data(), word.data() + word.size(), *seat).ec == std::errc() && word.size() == 1 &&
           *seat >= 0 && *seat < kConfSeats;
}

} // namespace

void AddConferenceCommands(CliCommandTable& table) {
    table["conf-open"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        WithConference(c, line, [](ConferenceControl& conf, std::string* e) { return conf.Request(e); });
    };
    table["conf-invite"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        if (words.size() != 2) return c.Error(line, "conf-invite needs a number");
        WithConference(c, line, [&](ConferenceControl& conf, std::string* e) { return conf.Invite(words[1], e); });
    };
    table["conf-video"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        int seat = 0;
        if (words.size() != 3 || !ParseSeat(words[1], &seat) || (words[2] != "on" && words[2] != "off"))
            return c.Error(line, "conf-video needs a seat (0-3) and on or off");
        WithConference(c, line, [&](ConferenceControl& conf, std::string* e) {
            return words[2] == "on" ? conf.VideoOn(seat, e) : conf.VideoOff(seat, e);
        });
    };
    table["conf-kick"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        int seat = 0;
        if (words.size() != 2 || !ParseSeat(words[1], &seat)) return c.Error(line, "conf-kick needs a seat (0-3)");
        WithConference(c, line, [&](ConferenceControl& conf, std::string* e) { return conf.Kick(seat, e); });
    };
    table["conf-dtmf"] = [](CliContext& c, const std::vector<std::string>& words, const std::string& line) {
        int seat = 0;
        if (words.size() != 3 || !ParseSeat(words[1], &seat))
            return c.Error(line, "conf-dtmf needs a seat (0-3) and digits");
        WithConference(c, line, [&](ConferenceControl& conf, std::string* e) { return conf.Digits(seat, words[2], e); });
    };
    table["conf-leave"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        WithConference(c, line, [](ConferenceControl& conf, std::string* e) { return conf.Leave(e); });
    };
    table["conf-members"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        if (c.conference == nullptr) return c.Error(line, "the core has not started");
        const std::vector<ConfMemberRow> rows = c.conference->Rows();
        for (const ConfMemberRow& r : rows) {
            c.print({"conf_row",
                     {{"seat", std::to_string(r.channel)}, {"number", r.number}, {"endpoint", std::to_string(r.endpoint)},
                      {"video", r.showingVideo ? "1" : "0"}, {"name", r.name}},
                     "", ""});
        }
        c.print({"conf_rows", {{"count", std::to_string(rows.size())}}, "", ""});
    };
    table["conf-log"] = [](CliContext& c, const std::vector<std::string>&, const std::string& line) {
        if (c.conference == nullptr) return c.Error(line, "the core has not started");
        const auto lines = c.conference->LogLines();
        for (const std::string& text : lines) c.print({"conf_log", {{"line", text}}, "", ""});
        c.print({"conf_logs", {{"count", std::to_string(lines.size())}}, "", ""});
    };
}

} // namespace orv
