// What the handset library and its driver library agree on: the driver's one entry point,
// its operations, the register transfer block, the device registers and the notices the
// driver posts to the bound window.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv::handsetsys {

constexpr const char* kLibraryName = "libhandsetsys.so";
constexpr const char* kEntryName = "handsetsysCall";

// int handsetsysCall(operation, first, second): non-zero = success.
using EntryPoint = int (*)(std::uint32_t operation, std::uintptr_t first, std::uintptr_t second);

enum Operation : std::uint32_t {
    kOpOpen = 0,          // first: module handle; second: int* receiving the product id, or 0
    kOpClose = 1,
    kOpTransfer = 2,      // second: TransferBlock*
    kOpNotifyWindow = 16, // first: window to post arrival and removal to
    kOpStopNotify = 17,
    kOpDeviceChange = 18, // first/second: a system device-change message's parameters
};

// One register read or write (20 bytes).
struct TransferBlock {
    std::uint8_t kind;        // 4
    std::uint8_t reserved1;   // 0
    std::uint16_t zero;       // 0
    std::uint16_t reg;        // register number
    std::uint16_t length;     // 1
    std::uint8_t read;        // 1 = read, 0 = write
    std::uint8_t writeMark;   // 0x55 for a write, 0 for a read
    std::uint8_t reserved2[2];
    std::uint32_t count;      // 1
    std::uint8_t* data;       // the data byte (pointer stored at offset 16 of the block)
};
constexpr std::uint8_t kTransferKind = 4;
constexpr std::uint8_t kWriteMark = 0x55;

// Device registers.
constexpr std::uint16_t kRegControl = 0;    // bit 0: serial-memory chip select
constexpr std::uint16_t kRegPort = 18;      // rows 0,1,3,4 (active low); 4 also memory clock;
                                            // 6 ringer / memory data in; 7 lamp / memory data out
constexpr std::uint16_t kRegDirection = 19; // 1 = output
constexpr std::uint16_t kRegColumns = 192;  // keypad columns, low 5 bits, active low
constexpr std::uint16_t kRegStatus = 193;   // bit 7: hook switch, 1 = off hook

// Posted by the driver to the notified window.
constexpr std::uint32_t kMsgArrived = 0x590;
constexpr std::uint32_t kMsgRemoved = 0x591;
constexpr std::uint32_t kMsgDeviceChange = 0x0219;

} // namespace orv::handsetsys

static_assert(offsetof(orv::handsetsys::TransferBlock, reg) == 4);
static_assert(offsetof(orv::handsetsys::TransferBlock, read) == 8);
static_assert(offsetof(orv::handsetsys::TransferBlock, count) == 12);
static_assert(offsetof(orv::handsetsys::TransferBlock, data) == 16);
