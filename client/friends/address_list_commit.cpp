#include "client/friends/address_list_commit.h"

#include "client/friends/text_format.h"
#include "client/text/text_table.h"

#include <optional>
#include <set>

namespace orv {

namespace {

constexpr int kTextInvalidData = 152;
constexpr int kTextDuplicateInFile = 153;

bool FitsAsNumber(const std::string& text) {
    if (text.size() >= kFriendNumberField) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '*')) return false;
    return true;
}

CommitResult Refused(int textNumber, const TextTable& texts, const std::vector<std::string>& args) {
    CommitResult result;
    result.status = CommitStatus::kRefused;
    result.textNumber = textNumber;
    result.message = FillText(texts.Text(textNumber), args);
    return result;
}

const FriendEntry* FindByName(const std::vector<FriendEntry>& stored, const std::string& name) {
    for (const FriendEntry& e : stored)
        if (e.record.friendName == name) return &e;
    return nullptr;
}

} // namespace

bool IsValidImportRecord(const FriendRecord& r) {
    return !r.friendName.empty() && r.friendName.size() < kFriendNameField && r.group.size() < kFriendNameField &&
           r.email.size() < kFriendNumberField && r.friendName.find('\0') == std::string::npos &&
           FitsAsNumber(r.netPhone) && FitsAsNumber(r.phone) && FitsAsNumber(r.mobile);
}

CommitResult CommitAddressList(const std::vector<FriendRecord>& pending, const std::vector<FriendEntry>& stored,
                               const std::string& ownNumber, const TextTable& texts,
                               const DuplicateQuestion& askDuplicate, const FriendSender& send) {
    std::set<std::string> names;
    for (const FriendRecord& r : pending)
        if (!names.insert(r.friendName).second) return Refused(kTextDuplicateInFile, texts, {r.friendName});
    for (const FriendRecord& r : pending)
        if (!IsValidImportRecord(r)) return Refused(kTextInvalidData, texts, {});

    CommitResult result;
    std::optional<DuplicateAction> forAll;
    for (const FriendRecord& r : pending) {
        FriendEntry entry;
        entry.record = r;
        entry.record.recordId = 0;
        if (const FriendEntry* same = FindByName(stored, r.friendName)) {
            DuplicateAction action;
            if (forAll) {
                action = *forAll;
            } else {
                const DuplicateChoice choice = askDuplicate(r.friendName);
                action = choice.action;
                if (choice.applyToAll && action != DuplicateAction::kStop) forAll = action;
            }
            if (action == DuplicateAction::kStop) {
                result.status = CommitStatus::kStopped;
                return result;
            }
            if (action == DuplicateAction::kIgnore) continue;
            entry.record.recordId = same->record.recordId;
            entry.status = same->status;
        }
        entry.record.userId = ownNumber;
        CutToFields(&entry.record);
        send(entry);
        ++result.sent;
    }
    return result;
}

} // namespace orv
