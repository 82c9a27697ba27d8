// MD5 message digest (RFC 1321), our own code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

class Md5 {
public:
    Md5();
    void Update(const void* data, std::size_t size);
    // Finishes the digest; the object must not be updated afterwards.
    std::array<std::uint8_t, 16> Final();

    static std::array<std::uint8_t, 16> Digest(const std::string& text);
    static std::string HexDigest(const std::string& text); // 32 lower-case hex digits

private:
    void Transform(const std::uint8_t* block);
    std::uint32_t m_state[4];
    std::uint64_t m_length = 0; // bytes hashed so far
    std::uint8_t m_buffer[64];
    std::size_t m_buffered = 0;
};

} // namespace orv
