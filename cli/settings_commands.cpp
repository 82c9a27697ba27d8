// orvcli's settings commands: what the settings window's General page shows and changes.
//   settings                                   * settings server= port= autorun= language=
//                                                language_default= friends_tree=
//   settings-set [server=H] [port=P] [autorun=0|1] [language=chinese|english|japanese]
//                [language_default=0|1] [friends_tree=0|1]
//                                              * settings ... or settings_not_saved
#include "cli/cli_commands.h"
#include "client/data/client_config.h"
#include "client/text/language.h"

namespace orv {

namespace {

constexpr const char* kLanguageNames[kLanguageCount] = {"chinese", "english", "japanese"};

void PrintSettings(CliContext& c) {
    if (c.core.Config() == nullptr) return;
    ClientConfig& config = *c.core.Config();
    const int language = config.General().language;
    c.print({"settings",
             {{"server", config.UserServer().address},
              {"port", std::to_string(config.UserServer().port)},
              {"autorun", std::to_string(config.General().autoRun)},
              {"language", language >= 0 && language < kLanguageCount ? kLanguageNames[language] : "english"},
              {"language_default", config.General().languageNotSet ? "1" : "0"},
              {"friends_tree", std::to_string(config.General().friendsTree)}},
             "",
             ""});
}

// A flag value "0" or "1".
bool Flag(const std::string& value, int* out) {
    if (value != "0" && value != "1") return false;
    *out = value == "1" ? 1 : 0;
    return true;
}

void SettingsSetCommand(CliContext& c, const std::vector<std::string>& words, const std::string& line) {
    if (c.core.Config() == nullptr) return c.Error(line, "no configuration");
    ClientConfig& config = *c.core.Config();
    std::vector<std::pair<std::string, std::string>> fields;
    std::string bad;
    if (!ParseFields(words, 1, &fields, &bad)) return c.Error(line, "bad field " + bad);
    // Checked whole before anything changes.
    UserServerSettings server = config.UserServer();
    GeneralSettings general = config.General();
    for (const auto& [key, value] : fields) {
        int flag = 0;
        if (key == "server" && !value.empty() && value.size() < 256) {
            server.address = value;
        } else if (key == "port" && !value.empty() && value.size() <= 5 &&
                   value.find_first_not_of("0123456789") == std::string::npos && std::stoi(value) <= 65535) {
            server.port = std::stoi(value);
        } else if (key == "autorun" && Flag(value, &flag)) {
            general.autoRun = flag;
        } else if (key == "language_default" && Flag(value, &flag)) {
            general.languageNotSet = flag != 0;
        } else if (key == "friends_tree" && Flag(value, &flag)) {
            general.friendsTree = flag;
        } else if (key == "language") {
            int chosen = -1;
            for (int i = 0; i < kLanguageCount; ++i) {
                if (value == kLanguageNames[i]) chosen = i;
            }
            if (chosen < 0) return c.Error(line, "bad field " + key + "=" + value);
            general.language = chosen;
            general.languageNotSet = false;
        } else {
            return c.Error(line, "bad field " + key + "=" + value);
        }
    }
    config.UserServer() = server;
    config.General() = general;
    c.core.SetLanguage(general.language);
    const bool comm = config.SaveComm();
    if (!config.SaveGeneral() || !comm) return c.print({"settings_not_saved", {}, "", ""});
    PrintSettings(c);
}

} // namespace

void AddSettingsCommands(CliCommandTable& table) {
    table["settings"] = [](CliContext& c, const std::vector<std::string>&, const std::string&) { PrintSettings(c); };
    table["settings-set"] = SettingsSetCommand;
}

} // namespace orv
