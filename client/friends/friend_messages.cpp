#include "client/friends/friend_messages.h"

#include "platform/message.h"

namespace orv {

bool PostFriendEntry(HWND window, WPARAM result, const FriendEntry& entry) {
    if (window == 0) return false;
    const LPARAM copy = FriendEntryToLParam(std::make_unique<FriendEntry>(entry));
    if (PostMessage(window, WM_FRIEND_ENTRY, result, copy)) return true;
    TakeFriendEntry(copy); // not delivered: ours to free
    return false;
}

} // namespace orv
