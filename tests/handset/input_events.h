// Input event records as a kernel input device hands them out, for the headset tests.
#pragma once

#include <linux/input.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace orv {

inline input_event Key(unsigned code, int value, unsigned type = EV_KEY) {
    input_event event{};
    event.type = static_cast<std::uint16_t>(type);
    event.code = static_cast<std::uint16_t>(code);
    event.value = value;
    return event;
}

// Writes the records at once; false when not all of them went.
inline bool WriteEvents(int fd, const std::vector<input_event>& events) {
    const auto* bytes = reinterpret_cast<const char*>(events.data());
    const std::size_t size = events.size() * sizeof(input_event);
    return write(fd, bytes, size) == static_cast<ssize_t>(size);
}

} // namespace orv
