// A fuzz input read as a script of steps: an op byte, a length (one byte, or two little-endian
// bytes) and that many bytes, the length cut to what is left of the input.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace orv {

struct FuzzStep {
    std::uint8_t op = 0;
    std::size_t size = 0;
    const std::uint8_t* bytes = nullptr;
};

class StepScript {
public:
    enum class Length { OneByte = 1, TwoBytes = 2 };

    StepScript(const std::uint8_t* data, std::size_t size, Length length = Length::OneByte)
        : m_data(data), m_size(size), m_lengthBytes(static_cast<std::size_t>(length)) {}

    // The next step; none when the op and its length no longer fit.
    std::optional<FuzzStep> Next() {
        const std::size_t head = 1 + m_lengthBytes;
        if (m_pos + head > m_size) return std::nullopt;
        std::size_t length = m_data[m_pos + 1];
        if (m_lengthBytes == 2) length |= static_cast<std::size_t>(m_data[m_pos + 2]) << 8;
        FuzzStep step;
        step.op = m_data[m_pos];
        step.size = std::min<std::size_t>(length, m_size - m_pos - head);
        step.bytes = m_data + m_pos + head;
        m_pos += head + step.size;
        return step;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_lengthBytes;
    std::size_t m_pos = 0;
};

} // namespace orv
