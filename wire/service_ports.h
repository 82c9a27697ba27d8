// The ports the service listens on unless told otherwise; the client offers the same.
#pragma once

#include <cstdint>

namespace orv {

// The user server's UDP port.
constexpr std::uint16_t kDefaultUserServerPort = 17001;

} // namespace orv
