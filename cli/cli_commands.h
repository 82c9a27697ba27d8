// orvcli's command table: each group of commands lives in its own file and adds its
// entries here, so new commands never touch the session's loop.
#pragma once

#include "cli/cli_options.h"
#include "client/core/client_core.h"
#include "client/core/conference_control.h"
#include "client/core/video_core.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace orv {

class CliHandset;

// What a command may use: the core, the options of this run, and the event printer.
struct CliContext {
    ClientCore& core;
    const CliOptions& options;
    std::function<void(const CoreEvent&)> print;
    VideoCore* video = nullptr; // null until the core started
    CliHandset* handset = nullptr; // null without --handset
    ConferenceControl* conference = nullptr; // likewise

    // "EVENT error command=LINE text=TEXT": a command that could not be run.
    void Error(const std::string& line, const std::string& text) const {
        print({"error", {{"command", line}, {"text", text}}, "", ""});
    }
};

// words[0] is the command name; line is the whole input line (for error events).
using CliCommand = std::function<void(CliContext& context, const std::vector<std::string>& words,
                                      const std::string& line)>;
using CliCommandTable = std::map<std::string, CliCommand>;

// key=value words after the first `skip` words; false (with the bad word) for anything else.
bool ParseFields(const std::vector<std::string>& words, std::size_t skip,
                 std::vector<std::pair<std::string, std::string>>* fields, std::string* bad);

// One function a group; CliSession calls each once at construction.
void AddSessionCommands(CliCommandTable& table); // logon, logout, status
void AddFriendCommands(CliCommandTable& table);  // friends, address list, service options
void AddCallCommands(CliCommandTable& table);    // call, answer, hangup, dtmf, pause-video
void AddVideoCommands(CliCommandTable& table);   // video-stats, video-snapshot
void AddAccountCommands(CliCommandTable& table); // account, refill
void AddHandsetCommands(CliCommandTable& table); // handset, handset-number, security
void AddSettingsCommands(CliCommandTable& table); // settings, settings-set
void AddConferenceCommands(CliCommandTable& table); // conf-open, conf-invite, conf-video, conf-kick, ...

} // namespace orv
