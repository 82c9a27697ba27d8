// The handset's 64-word serial memory (16-bit words, 6 address bits), bit-banged through the
// port lines: chip select = control register bit 0, clock = port bit 4, data to the memory =
// port bit 6, data from the memory = port bit 7. The caller holds the key-scan lock.
#pragma once

#include "handset/device_registers.h"

#include <cstdint>

namespace orv::handset {

constexpr int kMemoryWords = 64;

// False only when the first control-register read fails (later bus errors go unnoticed, as
// the memory gives no acknowledgement); an address outside 0..63 is refused as well.
bool ReadMemoryWord(const DeviceRegisters& regs, int address, std::uint16_t* word);
bool WriteMemoryWord(const DeviceRegisters& regs, int address, std::uint16_t value);

// Reads of the data line while the memory finishes a write.
constexpr int kWriteReadyPolls = 100;

} // namespace orv::handset
