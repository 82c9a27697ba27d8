// Friends, the address list file and the service options.
//
// Commands (replies are printed at once; events marked * come later from the server and can
// be waited for):
//   friends                          friend ... per entry, then friends count= groups=
//   friend-add NAME NUMBER [group=G] [phone=P] [mobile=M] [email=E]
//   friend-set NAME [name=N] [number=O] [group=G] [phone=P] [mobile=M] [email=E]
//   friend-del NAME
//   import FILE [replace]            import_loaded count= (TEXT 151), then import_committed
//                                    sent= ; a name already listed is skipped unless replace
//   export FILE                      export_done count= (TEXT 148) or export_failed (TEXT 147)
//   forward-get                      forward_info ... or forward_unknown
//   forward-set [offline=N] [busy=N] [noanswer=N] [always=N]
//   password OLD NEW
//   support                          support_entry index= number= text= per entry, support count=
//   offline-calls                    offline_call caller= called= time= conference= per
//                                    record, offline_calls count=
// Events:
//   * friend_stored id= name= group= number= phone= mobile= email= status= online=
//   * friend_set_failed ... (TEXT 90)   * friend_deleted id=   * friend_delete_failed (TEXT 91)
//   * friend_status id= name= number= online=0|1 status= state=
//   * forward_info flag= offline= busy= noanswer= always=   * forward_set result= value= (TEXT)
//   * password_set result= value= (TEXT)   * offline_calls_arrived count=
//   import_failed line= (TEXT 149/155/156), import_refused (TEXT 152/153)
#include "cli/cli_commands.h"
#include "client/core/friends_core.h"
#include "client/data/call_record_list.h"
#include "client/userserver/user_serv_handler.h"
#include "wire/password_digest.h"

namespace orv {

namespace {

// Puts the fields into a friend record; false (with the unknown key) for a key it lacks.
bool ApplyFriendFields(const std::vector<std::pair<std::string, std::string>>& fields, FriendRecord* r,
                       std::string* bad) {
    for (const auto& [key, value] : fields) {
        if (key == "name") r->friendName = value;
        else if (key == "number") r->netPhone = value;
        else if (key == "group") r->group = value;
        else if (key == "phone") r->phone = value;
        else if (key == "mobile") r->mobile = value;
        else if (key == "email") r->email = value;
        else {
            *bad = key;
            return false;
        }
    }
    return true;
}

FriendsCore* Friends(CliContext& c, const std::string& line) {
    FriendsCore* friends = c.core.Friends();
    if (friends == nullptr) c.Error(line, "the core has not started");
    return friends;
}

// Sends a record and reports a refusal.
void SendFriend(CliContext& c, FriendsCore& friends, const FriendEntry& entry, const std::string& line) {
    const int refused = friends.SetFriend(entry);
    if (refused > 0) c.print({"error", {{"command", line}}, "", c.core.Texts().Text(refused)});
    if (refused < 0) c.Error(line, "not logged on");
}

void FriendsCommand(CliContext& c, const std::vector<std::string>&, const std::string& line) {
    FriendsCore* friends = Friends(c, line);
    if (!friends) return;
    std::vector<std::string> groups;
    const std::vector<FriendEntry> entries = friends->Friends(&groups);
    for (const FriendEntry& e : entries) c.print(FriendsCore::EntryEvent("friend", e));
    std::string joined;
    for (const std::string& g : groups) joined += (joined.empty() ? "" : ",") + g;
    c.print({"friends", {{"count", std::to_string(entries.size())}, {"groups", joined}}, "", ""});
}

void FriendAddCommand(CliContext& c, const std::vector<std::string>& words, const std::string& line) {
    FriendsCore* friends = Friends(c, line);
    if (!friends) return;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string bad;
    FriendEntry entry;
    if (words.size() < 3) return c.Error(line, "usage: friend-add NAME NUMBER [key=value...]");
    entry.record.friendName = words[1];
    entry.record.netPhone = words[2];
    if (!ParseFields(words, 3, &fields, &bad) || !ApplyFriendFields(fields, &entry.record, &bad))
        return c.Error(line, "bad field " + bad);
    SendFriend(c, *friends, entry, line);
}

void FriendSetCommand(CliContext& c, const std::vector<std::string>& words, const std::string& line) {
    FriendsCore* friends = Friends(c, line);
    if (!friends) return;
    if (words.size() < 2) return c.Error(line, "usage: friend-set NAME key=value...");
    std::optional<FriendEntry> entry = friends->FindByName(words[1]);
    if (!entry) return c.Error(line, "no friend named " + words[1]);
    std::vector<std::pair<std::string, std::string>> fields;
    std::string bad;
    if (!ParseFields(words, 2, &fields, &bad) || !ApplyFriendFields(fields, &entry->record, &bad))
        return c.Error(line, "bad field " + bad);
    SendFriend(c, *friends, *entry, line);
}

void FriendDelCommand(CliContext& c, const std::vector<std::string>& words, const std::string& line) {
    FriendsCore* friends = Friends(c, line);
    if (!friends) return;
    if (words.size() != 2) return c.Error(line, "usage: friend-del NAME");
    std::optional<FriendEntry> entry = friends->FindByName(words[1]);
    if (!entry) return c.Error(line, "no friend named " + words[1]);
    if (!friends->DeleteFriend(entry->record.recordId)) c.Error(line, "not logged on");
}

void ImportCommand(CliContext& c, const std::vector<std::string>& words, const std::string& line) {
    FriendsCore* friends = Friends(c, line);
    if (!friends) return;
    if (words.size() < 2 || words.size() > 3 || (words.size() == 3 && words[2] != "replace"))
        return c.Error(line, "usage: import FILE [replace]");
    const AddressListResult loaded = friends->Import(words[1]);
    if (!loaded.ok) {
        c.print({"import_failed", {{"line", std::to_string(loaded.errorLine)}}, "", loaded.message});
        return;
    }
    c.print({"import_loaded", {{"count", std::to_string(loaded.records.size())}}, "", loaded.message});
    const DuplicateAction action = words.size() == 3 ? DuplicateAction::kReplace : DuplicateAction::kIgnore;
    const CommitResult result =
        friends->CommitImport(loaded.records, [action](const std::string&) { return DuplicateChoice{action, true}; });
    if (result.status == CommitStatus::kRefused) {
        c.print({"import_refused", {}, "", result.message});
        return;
    }
    c.print({"import_committed", {{"sent", std::to_string(result.sent)}}, "", ""});
}

void ExportCommand(CliContext& c, const std::vector<std::string>& words, const std::string& line) {
    FriendsCore* friends = Friends(c, line);
    if (!friends) return;
    if (words.size() != 2) return c.Error(line, "usage: export FILE");
    const AddressListResult result = friends->Export(words[1]);
    if (result.ok)
        c.print({"export_done", {{"count", std::to_string(friends->Friends().size())}}, "", result.message});
    else
        c.print({"export_failed", {}, "", result.message});
}

void ForwardGetCommand(CliContext& c, const std::vector<std::string>&, const std::string&) {
    ForwardRecord record;
    if (c.core.UserServ() && c.core.UserServ()->GetForwardInfo(&record))
        c.print(FriendsCore::ForwardEvent(record));
    else
        c.print({"forward_unknown", {}, "", ""});
}

void ForwardSetCommand(CliContext& c, const std::vector<std::string>& words, const std::string& line) {
    CUserServHandler* handler = c.core.UserServ();
    if (!handler) return;
    std::vector<std::pair<std::string, std::string>> fields;
    std::string bad;
    if (!ParseFields(words, 1, &fields, &bad)) return c.Error(line, "bad field " + bad);
    ForwardRecord record;
    handler->GetForwardInfo(&record); // unnamed numbers stay as they are
    for (const auto& [key, value] : fields) {
        if (key == "offline") record.offline = value;
        else if (key == "busy") record.busy = value;
        else if (key == "noanswer") record.noAnswer = value;
        else if (key == "always") record.always = value;
        else return c.Error(line, "bad field " + key);
    }
    record.flag = record.AllEmpty() ? 0 : 1;
    if (handler->SetForwardInfo(record) == 0) c.Error(line, "not logged on");
}

void PasswordCommand(CliContext& c, const std::vector<std::string>& words, const std::string& line) {
    CUserServHandler* handler = c.core.UserServ();
    if (!handler) return;
    if (words.size() != 3) return c.Error(line, "usage: password OLD NEW");
    const std::string number = handler->GetUserNumber();
    if (PasswordDigest(number, words[1]) != handler->GetPasswordField())
        return c.Error(line, "the old password is not the one of this logon");
    if (handler->DoSetPwd(PasswordDigest(number, words[2]).c_str()) == 0) c.Error(line, "not logged on");
}

void SupportCommand(CliContext& c, const std::vector<std::string>&, const std::string&) {
    std::vector<SupportEntry> entries;
    if (c.core.UserServ()) entries = c.core.UserServ()->GetSupportInfo();
    for (std::size_t i = 0; i < entries.size(); ++i)
        c.print({"support_entry",
                 {{"index", std::to_string(i + 1)},
                  {"number", SupportEntryNumber(entries[i])},
                  {"text", SupportEntryText(entries[i])}},
                 "", ""});
    c.print({"support", {{"count", std::to_string(entries.size())}}, "", ""});
}

void OfflineCallsCommand(CliContext& c, const std::vector<std::string>&, const std::string&) {
    std::size_t count = 0;
    if (CallRecordList* records = c.core.Records()) {
        for (const CallRecord& r : records->Records()) {
            if (r.listType != kOfflineCall) continue;
            ++count;
            c.print({"offline_call",
                     {{"caller", r.caller}, {"called", r.called}, {"time", std::to_string(r.madeTime)},
                      {"conference", std::to_string(r.conference)}},
                     "",
                     ""});
        }
    }
    c.print({"offline_calls", {{"count", std::to_string(count)}}, "", ""});
}

} // namespace

bool ParseFields(const std::vector<std::string>& words, std::size_t skip,
                 std::vector<std::pair<std::string, std::string>>* fields, std::string* bad) {
    for (std::size_t i = skip; i < words.size(); ++i) {
        const std::size_t eq = words[i].find('=');
        if (eq == std::string::npos || eq == 0) {
            *bad = words[i];
            return false;
        }
        fields->emplace_back(words[i].substr(0, eq), words[i].substr(eq + 1));
    }
    return true;
}

void AddFriendCommands(CliCommandTable& table) {
    table["friends"] = FriendsCommand;
    table["friend-add"] = FriendAddCommand;
    table["friend-set"] = FriendSetCommand;
    table["friend-del"] = FriendDelCommand;
    table["import"] = ImportCommand;
    table["export"] = ExportCommand;
    table["forward-get"] = ForwardGetCommand;
    table["forward-set"] = ForwardSetCommand;
    table["password"] = PasswordCommand;
    table["support"] = SupportCommand;
    table["offline-calls"] = OfflineCallsCommand;
}

} // namespace orv
