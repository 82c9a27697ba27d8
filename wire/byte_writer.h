// Building a packet or record field by field into a growing buffer, with the byte order in
// every name.
#pragma once

#include "wire/byte_order.h"
#include "wire/text_field.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace orv {

class ByteWriter {
public:
    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void U16LE(std::uint16_t v) { PutU16LE(Grow(2), v); }
    void U16BE(std::uint16_t v) { PutU16BE(Grow(2), v); }
    void U32LE(std::uint32_t v) { PutU32LE(Grow(4), v); }
    void U32BE(std::uint32_t v) { PutU32BE(Grow(4), v); }
    // A NUL-padded text field of fieldSize bytes (see PutTextField).
    void Text(std::string_view text, std::size_t fieldSize) { PutTextField(Grow(fieldSize), fieldSize, text); }
    void Bytes(const std::uint8_t* data, std::size_t size) { m_bytes.insert(m_bytes.end(), data, data + size); }

    std::vector<std::uint8_t>& Get() { return m_bytes; }

private:
    std::uint8_t* Grow(std::size_t n) {
        m_bytes.resize(m_bytes.size() + n);
        return m_bytes.data() + m_bytes.size() - n;
    }
    std::vector<std::uint8_t> m_bytes;
};

} // namespace orv
