#include "client/friends/friend_store.h"

#include "client/friends/number_match.h"
#include "client/text/text_table.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace orv {

namespace {

constexpr int kTextDefaultGroup = 245;
constexpr int kTextOrvNumber = 35;
constexpr int kTextMobile = 36;
constexpr int kTextTelephone = 37;

// Copies text into a fixed field, cut to one less than its size and zero-filled.
void PutPeerField(char* field, std::string_view text) {
    std::memset(field, 0, kPeerFieldSize);
    if (!text.empty()) std::memcpy(field, text.data(), std::min(text.size(), kPeerFieldSize - 1));
}

} // namespace

FriendStore::FriendStore(const TextTable& texts) : m_texts(texts) {}

std::string FriendStore::DefaultGroup() const { return m_texts.Text(kTextDefaultGroup); }

void FriendStore::AddFriend(const FriendEntry& entry) {
    FriendEntry cut = entry;
    CutToFields(&cut.record);
    std::lock_guard<CriticalSection> hold(m_lock);
    auto same = std::find_if(m_entries.begin(), m_entries.end(),
                             [&](const FriendEntry& e) { return e.record.recordId == cut.record.recordId; });
    if (same != m_entries.end())
        *same = cut;
    else
        m_entries.push_back(cut);
    // An empty group name is the default group, which is always listed.
    const std::string& group = cut.record.group;
    if (!group.empty() && group != DefaultGroup() &&
        std::find(m_groups.begin(), m_groups.end(), group) == m_groups.end())
        m_groups.push_back(group);
}

bool FriendStore::RemoveFriend(std::uint32_t recordId) {
    std::lock_guard<CriticalSection> hold(m_lock);
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [&](const FriendEntry& e) { return e.record.recordId == recordId; });
    if (it == m_entries.end()) return false;
    m_entries.erase(it);
    return true;
}

bool FriendStore::SetFriendStatus(std::uint32_t recordId, std::uint8_t status) {
    std::lock_guard<CriticalSection> hold(m_lock);
    for (FriendEntry& e : m_entries) {
        if (e.record.recordId == recordId) {
            e.status = status;
            return true;
        }
    }
    return false;
}

void FriendStore::ClearFriends() {
    std::lock_guard<CriticalSection> hold(m_lock);
    m_entries.clear();
    m_groups.clear();
}

void FriendStore::GetFriends(std::vector<FriendEntry>* entries, std::vector<std::string>* groups) const {
    std::lock_guard<CriticalSection> hold(m_lock);
    if (entries) *entries = m_entries;
    if (groups) {
        groups->assign(1, DefaultGroup());
        groups->insert(groups->end(), m_groups.begin(), m_groups.end());
    }
}

void FriendStore::LookupPeer(PeerBlock* peer) const {
    const std::string dialled(peer->dialled, strnlen(peer->dialled, kPeerFieldSize - 1));
    const std::string_view number = DialledNumberPart(dialled);
    PutPeerField(peer->name, "");
    PutPeerField(peer->kind, "");
    PutPeerField(peer->extension, DialledExtension(dialled));

    std::lock_guard<CriticalSection> hold(m_lock);
    for (const FriendEntry& e : m_entries) {
        int kind = 0;
        if (!number.empty() && e.record.netPhone == number)
            kind = kTextOrvNumber;
        else if (SameTelephoneNumber(number, e.record.phone))
            kind = kTextTelephone;
        else if (SameTelephoneNumber(number, e.record.mobile))
            kind = kTextMobile;
        if (kind != 0) {
            PutPeerField(peer->name, e.record.friendName);
            PutPeerField(peer->kind, m_texts.Text(kind));
            return;
        }
    }
}

} // namespace orv
