#include "handset/serial_memory.h"

namespace orv::handset {
namespace {

using namespace handsetsys;

constexpr int kClockBit = 4;
constexpr int kDataInBit = 6;
constexpr std::uint8_t kDataOutMask = 0x80;

class MemoryBus {
public:
    MemoryBus(const DeviceRegisters& regs, std::uint8_t control) : m_regs(regs), m_control(control) {}

    void Select(bool on) const {
        m_regs.Write(kRegControl, static_cast<std::uint8_t>(on ? m_control | 1 : m_control & ~1));
    }
    void Clock(bool high) const { m_regs.SetPortBit(kClockBit, high); }
    void Data(bool high) const { m_regs.SetPortBit(kDataInBit, high); }
    void SendBit(bool bit) const {
        Clock(false);
        Data(bit);
        Clock(true);
    }
    // Most significant bit first.
    void SendBits(std::uint32_t value, int count) const {
        for (int i = count - 1; i >= 0; --i)
            SendBit(((value >> i) & 1u) != 0);
    }
    int DataOut() const {
        std::uint8_t port = 0;
        m_regs.Read(kRegPort, &port);
        return (port & kDataOutMask) ? 1 : 0;
    }
    // Write enable (opcode 00, address 11xxxx) or disable (00, 00xxxx), ten bits in all.
    void WriteEnable(bool enable) const {
        Select(true);
        SendBits(enable ? 0x260u : 0x200u, 10);
        Clock(false);
        Select(false);
    }

private:
    const DeviceRegisters& m_regs;
    std::uint8_t m_control;
};

constexpr std::uint32_t kReadCode = 0x6;  // start bit, 10
constexpr std::uint32_t kWriteCode = 0x5; // start bit, 01

} // namespace

bool ReadMemoryWord(const DeviceRegisters& regs, int address, std::uint16_t* word) {
    std::uint8_t control = 0;
    if (address < 0 || address >= kMemoryWords || !regs.Read(kRegControl, &control))
        return false;
    const MemoryBus bus(regs, control);
    bus.Select(true);
    bus.SendBits(kReadCode, 3);
    bus.SendBits(static_cast<std::uint32_t>(address), 6);
    bus.Clock(false);
    bus.Data(false);
    std::uint16_t value = 0;
    for (int i = 0; i < 16; ++i) {
        bus.Clock(true);
        bus.Clock(false);
        value = static_cast<std::uint16_t>((value << 1) | bus.DataOut());
    }
    bus.Select(false);
    *word = value;
    return true;
}

bool WriteMemoryWord(const DeviceRegisters& regs, int address, std::uint16_t value) {
    std::uint8_t control = 0;
    if (address < 0 || address >= kMemoryWords || !regs.Read(kRegControl, &control))
        return false;
    const MemoryBus bus(regs, control);
    bus.WriteEnable(true);
    bus.Select(true);
    bus.SendBits(kWriteCode, 3);
    bus.SendBits(static_cast<std::uint32_t>(address), 6);
    bus.SendBits(value, 16);
    bus.Clock(false);
    bus.Data(false);
    bus.Select(false);
    bus.Clock(true);
    for (int i = 0; i < 4; ++i) {
        bus.Clock(false);
        bus.Select(true);
        bus.Clock(true);
    }
    bus.Clock(false);
    for (int poll = 0; poll < kWriteReadyPolls && bus.DataOut() == 0; ++poll) {
    }
    bus.Select(false);
    bus.WriteEnable(false);
    return true;
}

} // namespace orv::handset
