#include "server/update_admin.h"

#include "server/update_folder.h"

#include <charconv>

namespace orv {

const char* const kUpdateAdminHelp =
    "  publish FILE VERSION [KIND]     offer FILE to clients' live update with this version (and target\n"
    "                                  folder kind, default 1: the program folder); signs again\n"
    "  updates                         list the offered files\n"
    "  update-sign [KEYFILE]           sign the offered files again, with KEYFILE's key when given\n";

namespace {

std::string Fail(const std::string& command, const std::string& message, bool* ok) {
    *ok = false;
    return "ADMIN error " + command + ": " + message;
}

bool ParseU32(const std::string& text, std::uint32_t* value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

} // namespace

bool IsUpdateCommand(const std::string& word) {
    return word == "publish" || word == "updates" || word == "update-sign";
}

std::vector<std::string> RunUpdateCommand(const std::vector<std::string>& words, const std::string& folder,
                                          const std::string& keyFile, bool* ok) {
    *ok = true;
    const std::string& cmd = words.at(0);
    std::string error;
    if (cmd == "publish") {
        std::uint32_t version = 0;
        std::uint32_t kind = 1;
        if (words.size() < 3 || words.size() > 4) return {Fail(cmd, "expects FILE VERSION [KIND]", ok)};
        if (!ParseU32(words[2], &version)) return {Fail(cmd, "VERSION must be 0..4294967295", ok)};
        if (words.size() == 4 && !ParseU32(words[3], &kind)) return {Fail(cmd, "KIND must be a number", ok)};
        UpdateFolder updates(folder, keyFile);
        if (!updates.Publish(words[1], version, kind, &error)) return {Fail(cmd, error, ok)};
        return {"ADMIN ok publish " + words[1] + " version=" + words[2]};
    }
    if (cmd == "updates") {
        if (words.size() != 1) return {Fail(cmd, "expects no arguments", ok)};
        std::vector<std::string> lines;
        const std::vector<FileRecord> files = UpdateFolder(folder, keyFile).List();
        for (const FileRecord& f : files) {
            lines.push_back("UPDATEFILE name=" + f.name + " kind=" + std::to_string(f.kind) +
                            " version=" + std::to_string(f.version));
        }
        lines.push_back("ADMIN ok updates " + std::to_string(files.size()));
        return lines;
    }
    if (words.size() > 2) return {Fail(cmd, "expects [KEYFILE]", ok)};
    UpdateFolder updates(folder, words.size() == 2 ? words[1] : keyFile);
    if (!updates.Sign(&error)) return {Fail(cmd, error, ok)};
    return {"ADMIN ok update-sign"};
}

} // namespace orv
