// Committing the records read from an address list file: checks of the whole pending list,
// then one set-record request per record, asking what to do when a stored friend has the
// same name.
#pragma once

#include "client/friends/friend_record.h"

#include <functional>
#include <string>
#include <vector>

namespace orv {

class TextTable;

enum class DuplicateAction { kReplace, kIgnore, kStop };

struct DuplicateChoice {
    DuplicateAction action = DuplicateAction::kStop; // kStop: the warning was closed
    bool applyToAll = false;                         // the choice holds for the rest of the list
};

// Asked with the duplicate name (text 154 in the window).
using DuplicateQuestion = std::function<DuplicateChoice(const std::string& name)>;
// Sends one record as a set-record request.
using FriendSender = std::function<void(const FriendEntry& entry)>;

enum class CommitStatus {
    kDone,    // every record was sent or skipped
    kStopped, // the warning was closed: records sent before stay sent
    kRefused, // the pending list failed its checks; nothing was sent (message says why)
};

struct CommitResult {
    CommitStatus status = CommitStatus::kDone;
    int textNumber = 0;  // 152 or 153 when refused
    std::string message;
    int sent = 0;
};

// A pending record the address book can store: a name, field texts that fit, and number
// fields of digits and "*" only.
bool IsValidImportRecord(const FriendRecord& record);

CommitResult CommitAddressList(const std::vector<FriendRecord>& pending, const std::vector<FriendEntry>& stored,
                               const std::string& ownNumber, const TextTable& texts,
                               const DuplicateQuestion& askDuplicate, const FriendSender& send);

} // namespace orv
