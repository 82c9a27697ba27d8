// Register access through the driver's entry point: one transfer block per access, each
// access tried up to three times until the driver reports success.
#pragma once

#include "handset/handsetsys_abi.h"

#include <cstdint>

namespace orv::handset {

class DeviceRegisters {
public:
    explicit DeviceRegisters(handsetsys::EntryPoint entry) : m_entry(entry) {}

    bool Read(std::uint16_t reg, std::uint8_t* value) const;
    bool Write(std::uint16_t reg, std::uint8_t value) const;
    // Makes one port line an output and drives it high or low (read port and direction,
    // write the direction with the bit set, write the port).
    bool SetPortBit(int bit, bool high) const;
    // All keypad rows and the memory clock high and outputs; bits 4 and 6 outputs, bit 7
    // (memory data out) an input, bits 0 to 3 and 5 as they were.
    void InitPort() const;

    static constexpr int kTries = 3;

private:
    bool Transfer(std::uint16_t reg, bool read, std::uint8_t* data) const;
    handsetsys::EntryPoint m_entry;
};

} // namespace orv::handset
