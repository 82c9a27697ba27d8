#include "handsetsys/virtual_handset.h"

#include <algorithm>
#include <chrono>

namespace orv::handsetsys {
namespace {

struct NamedKey {
    const char* name;
    KeyPosition position;
};
// Rows on port bits 0, 1, 3, 4; columns on bits 0..3 of the column register.
constexpr NamedKey kKeys[] = {
    {"1", {0, 0}}, {"2", {0, 1}}, {"3", {0, 2}}, {"k40", {0, 3}}, {"dial", {0, 3}},
    {"4", {1, 0}}, {"5", {1, 1}}, {"6", {1, 2}}, {"k50", {1, 3}}, {"redial", {1, 3}},
    {"7", {3, 0}}, {"8", {3, 1}}, {"9", {3, 2}}, {"k30", {3, 3}},
    {"*", {4, 0}}, {"0", {4, 1}}, {"#", {4, 2}}, {"k60", {4, 3}}, {"erase", {4, 3}},
};

bool ValidBlock(const TransferBlock& b) {
    return b.kind == kTransferKind && b.reserved1 == 0 && b.zero == 0 && b.length == 1 && b.count == 1 &&
           b.reserved2[0] == 0 && b.reserved2[1] == 0 && b.data != nullptr &&
           ((b.read == 1 && b.writeMark == 0) || (b.read == 0 && b.writeMark == kWriteMark));
}

} // namespace

bool FindKey(const std::string& name, KeyPosition* position) {
    for (const NamedKey& key : kKeys) {
        if (name == key.name) {
            *position = key.position;
            return true;
        }
    }
    return false;
}

bool VirtualHandset::Open(int* productId) {
    std::lock_guard<std::mutex> l(m_lock);
    if (!m_plugged)
        return false;
    m_open = true;
    if (productId)
        *productId = m_productId;
    return true;
}

void VirtualHandset::Close() {
    std::lock_guard<std::mutex> l(m_lock);
    m_open = false;
}

bool VirtualHandset::Transfer(TransferBlock* block) {
    bool programmed = false;
    MemoryChip::Words words;
    {
        std::lock_guard<std::mutex> l(m_lock);
        if (!block || !ValidBlock(*block)) {
            ++m_rejected;
            return false;
        }
        if (!m_open || !m_plugged)
            return false;
        if (m_failures > 0) {
            --m_failures;
            return false;
        }
        if (block->read)
            *block->data = ReadLocked(block->reg);
        else
            WriteLocked(block->reg, *block->data, &programmed);
        if (programmed)
            words = m_chip.Contents();
    }
    if (programmed && m_onWrite)
        m_onWrite(words);
    return true;
}

std::uint8_t VirtualHandset::ReadLocked(std::uint16_t reg) {
    switch (reg) {
    case kRegControl: return m_control;
    case kRegDirection: return m_direction;
    case kRegPort: {
        // Outputs read back what is driven; inputs float high, bit 7 follows the memory.
        std::uint8_t pins = 0xFF;
        if (!(m_direction & 0x80) && !m_chip.DataOut())
            pins = static_cast<std::uint8_t>(pins & ~0x80);
        return static_cast<std::uint8_t>((m_port & m_direction) | (pins & ~m_direction));
    }
    case kRegColumns: return ColumnsLocked();
    case kRegStatus:
        if (!m_pendingKeys.empty()) {
            m_keys.insert(m_keys.end(), m_pendingKeys.begin(), m_pendingKeys.end());
            m_pendingKeys.clear();
        }
        return m_offHook ? 0x80 : 0x00;
    default: return 0xFF;
    }
}

std::uint8_t VirtualHandset::ColumnsLocked() {
    std::uint8_t columns = 0x0F; // four column lines pulled up; the fifth input reads low
    bool released = false;
    for (HeldKey& key : m_keys) {
        const auto rowMask = static_cast<std::uint8_t>(1u << key.position.rowBit);
        if (!(m_direction & rowMask) || (m_port & rowMask))
            continue; // the row is not driven low
        columns = static_cast<std::uint8_t>(columns & ~(1u << key.position.columnBit));
        if (key.readsLeft > 0 && --key.readsLeft == 0)
            released = true;
    }
    if (released) {
        std::erase_if(m_keys, [](const HeldKey& k) { return k.readsLeft == 0; });
        m_keysChanged.notify_all();
    }
    return columns;
}

void VirtualHandset::WriteLocked(std::uint16_t reg, std::uint8_t value, bool* programmed) {
    switch (reg) {
    case kRegControl: m_control = value; break;
    case kRegPort: m_port = value; break;
    case kRegDirection: m_direction = value; break;
    default: return; // the inputs and unknown registers ignore writes
    }
    const auto line = [this](int bit) {
        const auto mask = static_cast<std::uint8_t>(1u << bit);
        return !(m_direction & mask) || (m_port & mask); // an input floats high
    };
    *programmed = m_chip.Update((m_control & 1) != 0, line(4), line(6));
}

void VirtualHandset::SetPlugged(bool plugged) {
    std::lock_guard<std::mutex> l(m_lock);
    m_plugged = plugged;
    if (!plugged)
        m_open = false;
}

void VirtualHandset::SetOffHook(bool offHook) {
    std::lock_guard<std::mutex> l(m_lock);
    m_offHook = offHook;
}

bool VirtualHandset::Press(const std::vector<KeyPosition>& keys, int reads) {
    std::lock_guard<std::mutex> l(m_lock);
    if (m_keys.size() + m_pendingKeys.size() + keys.size() > kMaxHeldKeys)
        return false;
    for (const KeyPosition& position : keys)
        m_pendingKeys.push_back(HeldKey{position, reads > 0 ? reads : kHoldUntilReleased});
    return true;
}

void VirtualHandset::ReleaseAll() {
    std::lock_guard<std::mutex> l(m_lock);
    m_keys.clear();
    m_pendingKeys.clear();
    m_keysChanged.notify_all();
}

bool VirtualHandset::WaitKeysTaken(int timeoutMs) {
    std::unique_lock<std::mutex> l(m_lock);
    return m_keysChanged.wait_for(l, std::chrono::milliseconds(timeoutMs),
                                  [this] { return m_keys.empty() && m_pendingKeys.empty(); });
}

HandsetLines VirtualHandset::Lines() const {
    std::lock_guard<std::mutex> l(m_lock);
    HandsetLines lines;
    lines.plugged = m_plugged;
    lines.open = m_open;
    lines.offHook = m_offHook;
    lines.ringer = m_plugged && (m_direction & 0x40) && (m_port & 0x40);
    lines.lamp = m_plugged && (m_direction & 0x80) && (m_port & 0x80);
    lines.productId = m_productId;
    lines.heldKeys = static_cast<int>(m_keys.size() + m_pendingKeys.size());
    lines.rejectedBlocks = m_rejected;
    return lines;
}

MemoryChip::Words VirtualHandset::Memory() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_chip.Contents();
}

void VirtualHandset::LoadMemory(const MemoryChip::Words& words) {
    std::lock_guard<std::mutex> l(m_lock);
    m_chip.Load(words);
}

void VirtualHandset::PokeMemory(int address, std::uint16_t value) {
    MemoryChip::Words words;
    {
        std::lock_guard<std::mutex> l(m_lock);
        if (address < 0 || address >= MemoryChip::kWords)
            return;
        words = m_chip.Contents();
        words[static_cast<std::size_t>(address)] = value;
        m_chip.Load(words);
    }
    if (m_onWrite)
        m_onWrite(words);
}

} // namespace orv::handsetsys
