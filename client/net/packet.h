// Server packet framing: the 8-byte little-endian header every server packet starts with,
// and bounds-checked little-endian readers and writers for packet bodies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace orv {

constexpr std::size_t kPacketHeaderSize = 8;

struct PacketHeader {
    std::uint16_t type = 0;   // PktType: family in the high byte
    std::uint16_t length = 0; // PktLen: whole packet, header included
    std::uint32_t seqNum = 0; // SeqNum chosen by the sender
};

inline void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Writes the header into the first 8 bytes of packet (which must hold at least 8 bytes).
inline void WritePacketHeader(std::uint8_t* packet, const PacketHeader& h) {
    PutU16(packet, h.type);
    PutU16(packet + 2, h.length);
    PutU32(packet + 4, h.seqNum);
}
// Reads the header; false when fewer than 8 bytes are there.
inline bool ReadPacketHeader(const std::uint8_t* packet, std::size_t size, PacketHeader* h) {
    if (packet == nullptr || size < kPacketHeaderSize) return false;
    h->type = GetU16(packet);
    h->length = GetU16(packet + 2);
    h->seqNum = GetU32(packet + 4);
    return true;
}
inline void SetPacketSeqNum(std::uint8_t* packet, std::uint32_t seqNum) { PutU32(packet + 4, seqNum); }

// Reads fields one after another from a body; every read checks the remaining length, and
// a failed read leaves the reader failed (ok() false) so a caller can check once at the end.
class BodyReader {
public:
    BodyReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(data ? size : 0) {}
    bool ok() const { return m_ok; }
    std::size_t remaining() const { return m_size - m_pos; }
    bool Has(std::size_t n) const { return m_ok && remaining() >= n; }

    std::uint8_t U8() { return Has(1) ? m_data[m_pos++] : Fail<std::uint8_t>(); }
    std::uint16_t U16() { return Has(2) ? Take(2, GetU16(m_data + m_pos)) : Fail<std::uint16_t>(); }
    std::uint32_t U32() { return Has(4) ? Take(4, GetU32(m_data + m_pos)) : Fail<std::uint32_t>(); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    // A fixed text field of n bytes: the text up to the first NUL, never beyond the field.
    std::string Text(std::size_t n) {
        if (!Has(n)) return Fail<std::string>();
        const char* s = reinterpret_cast<const char*>(m_data + m_pos);
        m_pos += n;
        return std::string(s, strnlen(s, n));
    }
    const std::uint8_t* Bytes(std::size_t n) {
        if (!Has(n)) return Fail<const std::uint8_t*>();
        const std::uint8_t* p = m_data + m_pos;
        m_pos += n;
        return p;
    }

private:
    template <typename T> T Take(std::size_t n, T v) { m_pos += n; return v; }
    template <typename T> T Fail() { m_ok = false; return T{}; }
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

// Copies text into a fixed NUL-padded field of n bytes, cut to n - 1 characters.
inline void PutTextField(std::uint8_t* field, std::size_t n, const char* text) {
    std::memset(field, 0, n);
    if (text != nullptr && n > 0) std::memcpy(field, text, strnlen(text, n - 1));
}

} // namespace orv
