// Messages posted to the friend-list window about the friend store. An entry passed in
// lParam is allocated by the sender and belongs to the window, which takes it back with
// TakeFriendEntry; a sender without a window frees it at once (see PostFriendEntry).
#pragma once

#include "client/friends/friend_record.h"
#include "platform/types.h"

#include <memory>

namespace orv {

// wParam RecordID, lParam status: a friend's on-line status changed.
constexpr UINT WM_FRIEND_STATUS = WM_USER + 1;
// wParam 0 or the failure result (255), lParam an allocated FriendEntry: a record was
// fetched or stored (0), or a change was refused (255, a copy of the entry to be stored).
constexpr UINT WM_FRIEND_ENTRY = WM_USER + 2;
// wParam 0 and lParam RecordID: a record was deleted; wParam 255 and lParam 0: refused.
constexpr UINT WM_FRIEND_DELETED = WM_USER + 3;

// Hands an entry over as an lParam; the receiver must take it back exactly once.
inline LPARAM FriendEntryToLParam(std::unique_ptr<FriendEntry> entry) {
    return reinterpret_cast<LPARAM>(entry.release());
}
inline std::unique_ptr<FriendEntry> TakeFriendEntry(LPARAM lParam) {
    return std::unique_ptr<FriendEntry>(reinterpret_cast<FriendEntry*>(lParam));
}

// Posts WM_FRIEND_ENTRY with a new copy of entry to window. With no window (0), or when the
// post fails, nothing is posted and the copy is freed here. True when posted.
bool PostFriendEntry(HWND window, WPARAM result, const FriendEntry& entry);

} // namespace orv
