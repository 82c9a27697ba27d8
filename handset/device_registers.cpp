#include "handset/device_registers.h"

#include <cstring>
#include <initializer_list>

namespace orv::handset {

bool DeviceRegisters::Transfer(std::uint16_t reg, bool read, std::uint8_t* data) const {
    if (!m_entry)
        return false;
    // Every byte the device does not use is zero, so nothing stale reaches the driver.
    handsetsys::TransferBlock block;
    std::memset(&block, 0, sizeof block);
    block.kind = handsetsys::kTransferKind;
    block.reg = reg;
    block.length = 1;
    block.read = read ? 1 : 0;
    block.writeMark = read ? 0 : handsetsys::kWriteMark;
    block.count = 1;
    block.data = data;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (m_entry(handsetsys::kOpTransfer, 0, reinterpret_cast<std::uintptr_t>(&block)) != 0)
            return true;
    }
    return false;
}

bool DeviceRegisters::Read(std::uint16_t reg, std::uint8_t* value) const {
    std::uint8_t data = 0;
    if (!Transfer(reg, true, &data))
        return false;
    *value = data;
    return true;
}

bool DeviceRegisters::Write(std::uint16_t reg, std::uint8_t value) const {
    std::uint8_t data = value;
    return Transfer(reg, false, &data);
}

bool DeviceRegisters::SetPortBit(int bit, bool high) const {
    std::uint8_t port = 0;
    std::uint8_t direction = 0;
    if (!Read(handsetsys::kRegPort, &port) || !Read(handsetsys::kRegDirection, &direction))
        return false;
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    if (!Write(handsetsys::kRegDirection, static_cast<std::uint8_t>(direction | mask)))
        return false;
    return Write(handsetsys::kRegPort, static_cast<std::uint8_t>(high ? port | mask : port & ~mask));
}

void DeviceRegisters::InitPort() const {
    for (int bit : {0, 1, 2, 3, 4})
        SetPortBit(bit, true);
    std::uint8_t port = 0;
    Read(handsetsys::kRegPort, &port);
    std::uint8_t direction = 0;
    if (Read(handsetsys::kRegDirection, &direction))
        Write(handsetsys::kRegDirection, static_cast<std::uint8_t>((direction & 0x2F) | 0x50));
}

} // namespace orv::handset
