// Cuts a fuzz input into datagrams: each is a 16-bit big-endian length and that many bytes
// (cut short at the end of the input).
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv {

class DatagramSplit {
public:
    DatagramSplit(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Next(const std::uint8_t*& datagram, std::size_t& length) {
        if (m_size < 2) return false;
        std::size_t wanted = static_cast<std::size_t>((m_data[0] << 8) | m_data[1]);
        m_data += 2;
        m_size -= 2;
        length = wanted < m_size ? wanted : m_size;
        datagram = m_data;
        m_data += length;
        m_size -= length;
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace orv
