// The virtual handset at the register level: keypad matrix (rows driven low on port bits
// 0, 1, 3, 4; four columns read active low from bits 0..3 of register 192, bit 4 low), hook switch (register 193 bit 7),
// ringer and lamp lines (port bits 6 and 7 as outputs), and the serial memory on the control
// register's chip select and port bits 4 (clock), 6 (data in) and 7 (data out, an input).
//
// Keys pressed from outside are latched and take effect at the next read of the status
// register, which is where a key scan begins, so keys pressed together are seen by the same
// scan. A key can be held until released, or for a number of reads of its row.
//
// Threads: every member is guarded by one mutex; the driver entry point (the library's
// threads) and the control server (its own thread) call in concurrently.
#pragma once

#include "handset/handsetsys_abi.h"
#include "handsetsys/memory_chip.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orv::handsetsys {

constexpr int kDefaultProductId = 45585;
constexpr int kHoldUntilReleased = -1;

// Where a key sits in the matrix: the port bit that drives its row, the column bit it pulls.
struct KeyPosition {
    int rowBit = 0;
    int columnBit = 0;
};
// Keys are named by the code the common layout reports: "0".."9", "*", "#", "k30", "k40",
// "k50", "k60", or by what they do in the client: "dial" (k40), "redial" (k50), "erase" (k60).
bool FindKey(const std::string& name, KeyPosition* position);

struct HandsetLines {
    bool plugged = false;
    bool open = false;
    bool offHook = false;
    bool ringer = false;
    bool lamp = false;
    int productId = 0;
    int heldKeys = 0;
    std::uint32_t rejectedBlocks = 0; // transfer blocks refused as malformed
};

class VirtualHandset {
public:
    // Called (with the handset's lock released) when a word was programmed.
    using MemoryWritten = std::function<void(const MemoryChip::Words&)>;
    explicit VirtualHandset(MemoryWritten onWrite = {}) : m_onWrite(std::move(onWrite)) {}

    // Driver side.
    bool Open(int* productId);
    void Close();
    bool Transfer(TransferBlock* block);

    // Control side.
    void SetPlugged(bool plugged);
    void SetOffHook(bool offHook);
    void SetProductId(int productId) { std::lock_guard<std::mutex> l(m_lock); m_productId = productId; }
    // Presses keys together; reads = kHoldUntilReleased or the row reads each stays down.
    // False (nothing pressed) when more than kMaxHeldKeys would be down or waiting.
    bool Press(const std::vector<KeyPosition>& keys, int reads);
    static constexpr std::size_t kMaxHeldKeys = 16;
    void ReleaseAll();
    // Waits until no key is held or pending (a scan took them all); false at the deadline.
    bool WaitKeysTaken(int timeoutMs);
    // The next `count` transfers fail, as a disturbed bus would.
    void FailTransfers(int count) { std::lock_guard<std::mutex> l(m_lock); m_failures = count; }
    HandsetLines Lines() const;
    MemoryChip::Words Memory() const;
    void LoadMemory(const MemoryChip::Words& words);
    // Programs a word directly (the factory's writer, not the bus).
    void PokeMemory(int address, std::uint16_t value);

private:
    struct HeldKey {
        KeyPosition position;
        int readsLeft = kHoldUntilReleased;
    };
    std::uint8_t ReadLocked(std::uint16_t reg);
    void WriteLocked(std::uint16_t reg, std::uint8_t value, bool* programmed);
    std::uint8_t ColumnsLocked();

    mutable std::mutex m_lock;
    std::condition_variable m_keysChanged;
    MemoryWritten m_onWrite;
    bool m_plugged = false;
    bool m_open = false;
    bool m_offHook = false;
    int m_productId = kDefaultProductId;
    std::uint8_t m_control = 0;
    std::uint8_t m_port = 0xFF;
    std::uint8_t m_direction = 0;
    std::vector<HeldKey> m_keys;
    std::vector<HeldKey> m_pendingKeys;
    int m_failures = 0;
    std::uint32_t m_rejected = 0;
    MemoryChip m_chip;
};

} // namespace orv::handsetsys
