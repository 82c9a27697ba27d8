// The process-wide friend list: entries in arrival order, at most one per RecordID, and the
// group names, which always begin with the default group. Written on the network thread
// (answers, pushes) and read on the user-interface thread; every operation holds the lock
// for its whole run and readers get copies.
#pragma once

#include "client/friends/friend_record.h"
#include "client/friends/peer_block.h"
#include "platform/thread.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class TextTable;

class FriendStore {
public:
    // texts gives the default group's name (245) and the number kinds of LookupPeer; it must
    // outlive the store.
    explicit FriendStore(const TextTable& texts);

    // Stores the entry (its text fields cut to their sizes), replacing an entry with the
    // same RecordID in its place; a group name not yet listed joins the group list.
    void AddFriend(const FriendEntry& entry);
    // False when no entry has that RecordID.
    bool RemoveFriend(std::uint32_t recordId);
    // False (and nothing changes) when no entry has that RecordID.
    bool SetFriendStatus(std::uint32_t recordId, std::uint8_t status);
    // Removes every entry; the group list goes back to the default group alone.
    void ClearFriends();
    // A consistent copy of the entries and the group names.
    void GetFriends(std::vector<FriendEntry>* entries, std::vector<std::string>* groups) const;
    // Fills the name, kind and extension of a peer block from its dialled text.
    void LookupPeer(PeerBlock* peer) const;

private:
    std::string DefaultGroup() const;

    const TextTable& m_texts;
    mutable CriticalSection m_lock;
    std::vector<FriendEntry> m_entries;
    // The groups after the default one, whose name is read from the texts when asked for,
    // so a text table filled or switched to another language later still shows it right.
    std::vector<std::string> m_groups;
};

} // namespace orv
