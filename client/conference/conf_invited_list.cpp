#include "client/conference/conf_invited_list.h"

#include "wire/text_field.h"

#include <mutex>

namespace orv {

void ConfInvitedList::Add(const InvitedEntry& entry) {
    std::lock_guard<CriticalSection> lock(m_lock);
    if (m_entries.size() >= kMostEntries) m_entries.pop_front();
    m_entries.push_back(entry);
}

bool ConfInvitedList::Take(const std::string& number, InvitedEntry* entry) {
    std::lock_guard<CriticalSection> lock(m_lock);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (NumberOf(*it) != number) continue;
        if (entry != nullptr) *entry = *it;
        m_entries.erase(it);
        return true;
    }
    return false;
}

void ConfInvitedList::Clear() {
    std::lock_guard<CriticalSection> lock(m_lock);
    m_entries.clear();
}

std::size_t ConfInvitedList::Size() const {
    std::lock_guard<CriticalSection> lock(m_lock);
    return m_entries.size();
}

InvitedEntry ConfInvitedList::ForNumber(const std::string& number) {
    InvitedEntry e{};
    PutTextField(e.data(), 32, number);
    return e;
}

std::string ConfInvitedList::NumberOf(const InvitedEntry& entry) { return GetTextField(entry.data(), kInvitedEntrySize); }

} // namespace orv
