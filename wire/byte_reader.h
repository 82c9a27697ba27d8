// Bounded reading of a packet body or a stored record. The reader never reads past its end:
// a read that does not fit fails, returns zero (or empty), and leaves the reader failed, so a
// parser may read every field and check Ok() once at the end.
#pragma once

#include "wire/byte_order.h"
#include "wire/text_field.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace orv {

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(data ? size : 0) {}

    bool Ok() const { return m_ok; }
    std::size_t Remaining() const { return m_ok ? m_size - m_pos : 0; }
    bool Has(std::size_t n) const { return m_ok && n <= m_size - m_pos; }

    std::uint8_t U8() { return Take(1) ? m_data[m_pos - 1] : 0; }
    std::uint16_t U16LE() { return Take(2) ? GetU16LE(m_data + m_pos - 2) : 0; }
    std::uint16_t U16BE() { return Take(2) ? GetU16BE(m_data + m_pos - 2) : 0; }
    std::uint32_t U32LE() { return Take(4) ? GetU32LE(m_data + m_pos - 4) : 0; }
    std::uint32_t U32BE() { return Take(4) ? GetU32BE(m_data + m_pos - 4) : 0; }
    std::int32_t I32LE() { return static_cast<std::int32_t>(U32LE()); }

    // A NUL-padded text field of fieldSize bytes, at most fieldSize - 1 characters (see
    // GetTextField): the field a writer always ends with a zero byte.
    std::string Text(std::size_t fieldSize) {
        return fieldSize != 0 && Take(fieldSize) ? GetTextField(m_data + m_pos - fieldSize, fieldSize) : std::string();
    }
    // A text field that may be filled to its last byte: up to the first zero byte, or the
    // whole field when there is none. Never reads beyond the field.
    std::string TextFull(std::size_t fieldSize) {
        if (!Take(fieldSize)) return {};
        const char* text = reinterpret_cast<const char*>(m_data + m_pos - fieldSize);
        return std::string(text, strnlen(text, fieldSize));
    }
    // The next n bytes in place, or nullptr when fewer are left.
    const std::uint8_t* Bytes(std::size_t n) { return Take(n) ? m_data + m_pos - n : nullptr; }
    void Skip(std::size_t n) { Take(n); }

private:
    bool Take(std::size_t n) {
        if (!Has(n)) {
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

} // namespace orv
