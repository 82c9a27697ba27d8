// Binding a datagram link to a port: a fixed port is tried once; with none, the system's
// choice is learned first (the link library binds by number) and tried again a few times,
// as another program may take a probed port before the link binds it.
#pragma once

#include "linkcommon/link_event.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orv {

// A port on address that was free a moment ago; 0 when none could be found.
using FreePortFunction = std::function<std::uint16_t(const std::string& address)>;

// The link on address:fixedPort, or on a free port when fixedPort is 0, created with the
// link flags; 0 when it cannot be bound. *port is the port bound.
LinkHandle BindUdpLink(const std::string& address, std::uint16_t fixedPort, std::uint32_t flags,
                       const FreePortFunction& freePort, std::uint16_t* port);

} // namespace orv
