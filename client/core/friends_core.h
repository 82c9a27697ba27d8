// FriendsCore: the friend list and the service options as both front-ends see them. It is
// the user-server handler's friend-list, forwarding and password window (the core's window,
// through a message sink), turns those messages into core events with the texts the user
// should see, and runs the address list export and import without a window.
#pragma once

#include "client/friends/address_list_commit.h"
#include "client/friends/address_list_file.h"
#include "client/friends/friend_record.h"
#include "client/userserver/option_packets.h"
#include "platform/types.h"

#include <optional>
#include <string>
#include <vector>

namespace orv {

class ClientCore;
class CUserServHandler;
struct CoreEvent;

// The status byte as the server reports it.
constexpr std::uint8_t kFriendOffline = 0;
constexpr std::uint8_t kFriendOnline = 1;

class FriendsCore {
public:
    // Registers with the core's user-server handler and message sinks; core must have
    // started and must outlive this object.
    explicit FriendsCore(ClientCore& core);

    // A consistent copy of the friend list and the group names (the default group first).
    std::vector<FriendEntry> Friends(std::vector<std::string>* groups = nullptr) const;
    // The first friend with that name.
    std::optional<FriendEntry> FindByName(const std::string& name) const;

    // Sends a new or changed record (RecordID 0 = new). 0 when sent; the number of the text
    // that says why not (134 an empty name, 28 a name another friend has); -1 when the
    // session could not send it (not registered).
    int SetFriend(const FriendEntry& entry);
    bool DeleteFriend(std::uint32_t recordId);

    AddressListResult Export(const std::string& path) const;
    AddressListResult Import(const std::string& path) const;
    // Sends the records read by Import; ask decides about names already in the list.
    CommitResult CommitImport(const std::vector<FriendRecord>& pending, const DuplicateQuestion& ask);

    // The event that describes a friend entry (name "friend" or another).
    static CoreEvent EntryEvent(const std::string& name, const FriendEntry& entry);
    static CoreEvent ForwardEvent(const ForwardRecord& record);
    // The number of the text that names a friend's status (24 "Online", 25 "Offline", ...).
    static int StatusText(std::uint8_t status);

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnFriendEntry(WPARAM result, LPARAM entry);
    void OnFriendDeleted(WPARAM result, LPARAM recordId);
    void OnFriendStatus(std::uint32_t recordId, std::uint8_t status);
    void OnOptionsChanged();
    void OnResult(const char* name, int success, int failure, WPARAM result, LPARAM value);
    void OnBindResult(WPARAM result, LPARAM option);
    std::string Text(int number) const;
    CUserServHandler& Handler() const;

    ClientCore& m_core;
    std::optional<ForwardRecord> m_lastForward; // as last reported, so only changes are told
    int m_lastOfflineCount = 0;
};

} // namespace orv
