// The people invited into the conference and not yet seen in a seat: 128-byte address-book
// entries (the number first, as NUL-terminated text), in the order they were invited. The
// user-server handler adds one with each invitation and takes it out when the invitation is
// refused; the conference window takes a member's entry out when the member shows up.
// Bounded (an invitation needs a free seat, and the list is emptied when the room ends).
#pragma once

#include "platform/thread.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>

namespace orv {

constexpr std::size_t kInvitedEntrySize = 128;
using InvitedEntry = std::array<std::uint8_t, kInvitedEntrySize>;

class ConfInvitedList {
public:
    static constexpr std::size_t kMostEntries = 64;

    // Appends a copy; the oldest entry goes when the list is full.
    void Add(const InvitedEntry& entry);
    // The first entry whose number equals number is copied out and removed.
    bool Take(const std::string& number, InvitedEntry* entry);
    void Clear();
    std::size_t Size() const;

    // An entry that holds only the number.
    static InvitedEntry ForNumber(const std::string& number);
    static std::string NumberOf(const InvitedEntry& entry);

private:
    mutable CriticalSection m_lock;
    std::deque<InvitedEntry> m_entries;
};

} // namespace orv
