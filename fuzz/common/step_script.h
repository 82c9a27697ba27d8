// A fuzz input read as a script of steps: an op byte, a length byte and that many bytes,
// the length cut to what is left of the input.
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
    StepScript(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // The next step; none when fewer than two bytes are left.
    std::optional<FuzzStep> Next() {
        if (m_pos + 2 > m_size) return std::nullopt;
        FuzzStep step;
        step.op = m_data[m_pos];
        step.size = std::min<std::size_t>(m_data[m_pos + 1], m_size - m_pos - 2);
        step.bytes = m_data + m_pos + 2;
        m_pos += 2 + step.size;
        return step;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace orv
