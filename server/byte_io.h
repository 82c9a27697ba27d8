// Bounded little-endian reading and writing for the server's packets. The reader never
// reads past its end: a read that does not fit fails and leaves the reader failed, so a
// parser may read every field and check Ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace orv {

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Ok() const { return m_ok; }
    std::size_t Remaining() const { return m_ok ? m_size - m_pos : 0; }

    std::uint8_t U8() {
        std::uint8_t v = 0;
        if (Take(1)) v = m_data[m_pos - 1];
        return v;
    }
    std::uint16_t U16() {
        if (!Take(2)) return 0;
        const std::uint8_t* p = m_data + m_pos - 2;
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
    std::uint32_t U32() {
        if (!Take(4)) return 0;
        const std::uint8_t* p = m_data + m_pos - 4;
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
    // A NUL-padded text field of fieldSize bytes: the text ends at the first zero byte and
    // is never longer than fieldSize - 1 characters, whatever the sender put there.
    std::string Text(std::size_t fieldSize) {
        if (fieldSize == 0 || !Take(fieldSize)) return {};
        const char* p = reinterpret_cast<const char*>(m_data + m_pos - fieldSize);
        std::size_t n = 0;
        while (n < fieldSize - 1 && p[n] != '\0') ++n;
        return std::string(p, n);
    }
    void Skip(std::size_t n) { Take(n); }

private:
    bool Take(std::size_t n) {
        if (!m_ok || n > m_size - m_pos) {
            m_ok = false;
            return false;
        }
        m_pos += n;
        return true;
    }
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

class ByteWriter {
public:
    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    // Cut to fieldSize - 1 characters and NUL-padded, so the field always ends with a zero.
    void Text(const std::string& text, std::size_t fieldSize) {
        if (fieldSize == 0) return;
        const std::size_t n = text.size() < fieldSize ? text.size() : fieldSize - 1;
        m_bytes.insert(m_bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
        m_bytes.insert(m_bytes.end(), fieldSize - n, 0);
    }
    void Bytes(const std::uint8_t* data, std::size_t size) { m_bytes.insert(m_bytes.end(), data, data + size); }

    std::vector<std::uint8_t>& Get() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace orv
