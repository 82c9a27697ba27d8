#include "client/core/friends_core.h"

#include "client/data/call_record_list.h"
#include "client/friends/friend_messages.h"
#include "client/friends/friend_store.h"
#include "client/friends/text_format.h"
#include "client/core/client_core.h"
#include "client/userserver/user_serv_handler.h"

namespace orv {

namespace {

constexpr int kTextDuplicateName = 28;
constexpr int kTextSetFailed = 90;
constexpr int kTextDeleteFailed = 91;
constexpr int kTextEmptyName = 134;
constexpr int kTextForwardSet = 112;
constexpr int kTextForwardFailed = 113;
constexpr int kTextPasswordSet = 114;
constexpr int kTextPasswordFailed = 115;
constexpr int kTextBindSetting = 351;
constexpr int kTextUnbindSetting = 352;
constexpr int kTextSuccess = 353;
constexpr int kTextFail = 354;
constexpr char kUnbindOption = '0';
} // namespace

int FriendsCore::StatusText(std::uint8_t status) {
    switch (status) {
    case kFriendOnline: return 24;
    case 2: return 26;
    case 3: return 27;
    default: return 25;
    }
}

FriendsCore::FriendsCore(ClientCore& core) : m_core(core) {
    CUserServHandler& handler = Handler();
    const HWND window = core.Window();
    handler.SetFriendListWindow(window);
    handler.SetForwardWindow(window);
    handler.SetPasswordWindow(window);
    core.AddMessageSink([this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
}

CUserServHandler& FriendsCore::Handler() const { return *m_core.UserServ(); }

std::string FriendsCore::Text(int number) const { return m_core.Texts().Text(number); }

std::vector<FriendEntry> FriendsCore::Friends(std::vector<std::string>* groups) const {
    std::vector<FriendEntry> entries;
    Handler().Friends().GetFriends(&entries, groups);
    return entries;
}

std::optional<FriendEntry> FriendsCore::FindByName(const std::string& name) const {
    for (const FriendEntry& e : Friends())
        if (e.record.friendName == name) return e;
    return std::nullopt;
}

int FriendsCore::SetFriend(const FriendEntry& entry) {
    FriendEntry toSend = entry;
    CutToFields(&toSend.record);
    if (toSend.record.friendName.empty()) return kTextEmptyName;
    for (const FriendEntry& e : Friends())
        if (e.record.friendName == toSend.record.friendName && e.record.recordId != toSend.record.recordId)
            return kTextDuplicateName;
    return Handler().DoSetFriendInfo(&toSend) != 0 ? 0 : -1;
}

bool FriendsCore::DeleteFriend(std::uint32_t recordId) { return Handler().DoDelFriendInfo(recordId) != 0; }

AddressListResult FriendsCore::Export(const std::string& path) const {
    return ExportAddressList(path, Friends(), m_core.Texts());
}

AddressListResult FriendsCore::Import(const std::string& path) const { return ImportAddressList(path, m_core.Texts()); }

CommitResult FriendsCore::CommitImport(const std::vector<FriendRecord>& pending, const DuplicateQuestion& ask) {
    CUserServHandler& handler = Handler();
    return CommitAddressList(pending, Friends(), handler.GetUserNumber(), m_core.Texts(), ask,
                             [&handler](const FriendEntry& entry) {
                                 FriendEntry copy = entry;
                                 handler.DoSetFriendInfo(&copy);
                             });
}

CoreEvent FriendsCore::EntryEvent(const std::string& name, const FriendEntry& e) {
    const FriendRecord& r = e.record;
    return {name,
            {{"id", std::to_string(r.recordId)}, {"name", r.friendName}, {"group", r.group}, {"number", r.netPhone},
             {"phone", r.phone}, {"mobile", r.mobile}, {"email", r.email}, {"status", std::to_string(e.status)},
             {"online", e.status == kFriendOnline ? "1" : "0"}},
            "",
            ""};
}

CoreEvent FriendsCore::ForwardEvent(const ForwardRecord& r) {
    return {"forward_info",
            {{"flag", std::to_string(r.flag)}, {"offline", r.offline}, {"busy", r.busy}, {"noanswer", r.noAnswer},
             {"always", r.always}},
            "",
            ""};
}

bool FriendsCore::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_FRIEND_STATUS:
        OnFriendStatus(static_cast<std::uint32_t>(wParam), static_cast<std::uint8_t>(lParam));
        return true;
    case WM_FRIEND_ENTRY: OnFriendEntry(wParam, lParam); return true;
    case WM_FRIEND_DELETED: OnFriendDeleted(wParam, lParam); return true;
    case WM_FORWARD_RESULT:
        OnResult("forward_set", kTextForwardSet, kTextForwardFailed, wParam, lParam);
        return true;
    case WM_PASSWORD_RESULT:
        OnResult("password_set", kTextPasswordSet, kTextPasswordFailed, wParam, lParam);
        return true;
    case WM_BIND_RESULT: OnBindResult(wParam, lParam); return true;
    case WM_OPTIONS_CHANGED:
        OnOptionsChanged();
        return false; // a plain "show again": other parts may want it too
    default: return false;
    }
}

void FriendsCore::OnFriendEntry(WPARAM result, LPARAM lParam) {
    std::unique_ptr<FriendEntry> entry = TakeFriendEntry(lParam); // ours from here on
    if (!entry) return;
    if (result == 0) {
        m_core.Emit(EntryEvent("friend_stored", *entry));
        return;
    }
    CoreEvent event = EntryEvent("friend_set_failed", *entry);
    event.text = Text(kTextSetFailed);
    m_core.Emit(event);
}

void FriendsCore::OnFriendDeleted(WPARAM result, LPARAM recordId) {
    if (result == 0) {
        m_core.Emit({"friend_deleted", {{"id", std::to_string(static_cast<std::uint32_t>(recordId))}}, "", ""});
    } else {
        m_core.Emit({"friend_delete_failed", {}, "", Text(kTextDeleteFailed)});
    }
}

void FriendsCore::OnFriendStatus(std::uint32_t recordId, std::uint8_t status) {
    std::string name, number;
    for (const FriendEntry& e : Friends()) {
        if (e.record.recordId == recordId) {
            name = e.record.friendName;
            number = e.record.netPhone;
        }
    }
    m_core.Emit({"friend_status",
                 {{"id", std::to_string(recordId)}, {"name", name}, {"number", number},
                  {"online", status == kFriendOnline ? "1" : "0"}, {"status", std::to_string(status)},
                  {"state", Text(StatusText(status))}},
                 "",
                 ""});
}

void FriendsCore::OnOptionsChanged() {
    ForwardRecord forward;
    if (Handler().GetForwardInfo(&forward) && m_lastForward != forward) {
        m_lastForward = forward;
        m_core.Emit(ForwardEvent(forward));
    }
    CallRecordList* records = m_core.Records();
    const int offline = records ? records->CountUnseen(kOfflineCall) : 0;
    if (offline != m_lastOfflineCount) {
        m_lastOfflineCount = offline;
        m_core.Emit({"offline_calls_arrived", {{"count", std::to_string(offline)}}, "", ""});
    }
}

void FriendsCore::OnResult(const char* name, int success, int failure, WPARAM result, LPARAM value) {
    m_core.Emit({name,
                 {{"result", std::to_string(result)}, {"value", std::to_string(static_cast<std::int32_t>(value))}},
                 "",
                 Text(result == 0 ? success : failure)});
}

void FriendsCore::OnBindResult(WPARAM result, LPARAM option) {
    const char c = static_cast<char>(option);
    const std::string outcome = Text(result == 0 ? kTextSuccess : kTextFail);
    const std::string text = FillText(Text(c == kUnbindOption ? kTextUnbindSetting : kTextBindSetting), {outcome});
    m_core.Emit({"bind_set", {{"result", std::to_string(result)}, {"option", std::string(1, c)}}, "", text});
}

} // namespace orv
