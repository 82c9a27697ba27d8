#include "handsetsys/memory_chip.h"

namespace orv::handsetsys {

bool MemoryChip::Update(bool select, bool clock, bool dataIn) {
    bool programmed = false;
    if (!select) {
        if (m_select && m_phase == Phase::WriteLoaded && m_writeEnabled) {
            m_words[static_cast<std::size_t>(m_address)] = static_cast<std::uint16_t>(m_shift);
            m_busyPolls = kProgramPolls;
            programmed = true;
        }
        m_phase = Phase::Idle;
    } else if (!m_select) {
        m_phase = Phase::WaitStart;
        m_out = true;
    } else if (clock && !m_clock) {
        OnRisingEdge(dataIn);
    }
    m_select = select;
    m_clock = clock;
    return programmed;
}

void MemoryChip::OnRisingEdge(bool dataIn) {
    switch (m_phase) {
    case Phase::WaitStart:
        if (dataIn) {
            m_phase = Phase::Command;
            m_bits = 0;
            m_shift = 0;
        }
        break;
    case Phase::Command:
        m_shift = (m_shift << 1) | (dataIn ? 1u : 0u);
        if (++m_bits == 8)
            OnCommand();
        break;
    case Phase::ReadOut:
        m_out = ((m_words[static_cast<std::size_t>(m_address)] >> (15 - m_bits)) & 1u) != 0;
        if (++m_bits == 16) { // a longer read goes on with the next word
            m_bits = 0;
            m_address = (m_address + 1) % kWords;
        }
        break;
    case Phase::WriteData:
        m_shift = (m_shift << 1) | (dataIn ? 1u : 0u);
        if (++m_bits == 16)
            m_phase = Phase::WriteLoaded;
        break;
    default: break;
    }
}

void MemoryChip::OnCommand() {
    const std::uint32_t opcode = (m_shift >> 6) & 3u;
    m_address = static_cast<int>(m_shift & 63u);
    m_bits = 0;
    m_shift = 0;
    switch (opcode) {
    case 2: // read: a dummy 0, then the word
        m_phase = Phase::ReadOut;
        m_out = false;
        break;
    case 1: m_phase = Phase::WriteData; break;
    case 0:
        if ((m_address >> 4) == 3)
            m_writeEnabled = true;
        else if ((m_address >> 4) == 0)
            m_writeEnabled = false;
        m_phase = Phase::Ignore;
        break;
    default: m_phase = Phase::Ignore; break; // erase and the all-word commands are not needed
    }
}

bool MemoryChip::DataOut() {
    if (!m_select)
        return true;
    if (m_phase == Phase::WaitStart && m_busyPolls > 0) {
        --m_busyPolls;
        return false;
    }
    return m_phase == Phase::ReadOut ? m_out : true;
}

} // namespace orv::handsetsys
