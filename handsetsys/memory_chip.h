// A 93C46-style serial memory: 64 words of 16 bits behind chip select, clock, data in and
// data out. Commands start with a 1 bit, then two opcode bits and six address bits, all taken
// on rising clock edges while selected: read (10) shifts a 0 and then the word out, most
// significant bit first, one bit per rising edge; write (01) takes 16 data bits and programs
// them when the chip is deselected, if writes are enabled; 00 with address 11xxxx enables
// writes, 00xxxx disables them. While it programs, a selected chip shows 0 on data out, then 1.
#pragma once

#include <array>
#include <cstdint>

namespace orv::handsetsys {

class MemoryChip {
public:
    static constexpr int kWords = 64;
    using Words = std::array<std::uint16_t, kWords>;

    MemoryChip() { m_words.fill(0xFFFF); }

    // The line levels after a register write; returns true when a word was programmed.
    bool Update(bool select, bool clock, bool dataIn);
    // The data-out level; each look while the chip is busy programming brings it nearer done.
    bool DataOut();

    const Words& Contents() const { return m_words; }
    void Load(const Words& words) { m_words = words; }
    bool WritesEnabled() const { return m_writeEnabled; }

    // Looks at data out that a write keeps the chip busy for (the clock toggles after the
    // write look at the port too, so the last few fall into the writer's ready poll).
    static constexpr int kProgramPolls = 12;

private:
    enum class Phase { Idle, WaitStart, Command, ReadOut, WriteData, WriteLoaded, Ignore };
    void OnRisingEdge(bool dataIn);
    void OnCommand();

    Words m_words{};
    Phase m_phase = Phase::Idle;
    bool m_select = false;
    bool m_clock = false;
    bool m_writeEnabled = false;
    bool m_out = true;
    int m_bits = 0;
    std::uint32_t m_shift = 0;
    int m_address = 0;
    int m_busyPolls = 0;
};

} // namespace orv::handsetsys
