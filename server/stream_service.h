// A service on its own listening stream link beside the talk server. The stream link
// library reports every link's events to one window, the talk host's; it offers each event
// to its stream services first.
#pragma once

#include "linkcommon/link_event.h"

#include <cstdint>

namespace orv {

class StreamService {
public:
    virtual ~StreamService() = default;
    // True when the event was for one of the service's links (then it is taken).
    virtual bool OnTcpEvent(const LinkEvent* event, const void* detail) = 0;
    // The housekeeping pass, about once a second.
    virtual void OnTimer(std::uint32_t now) = 0;
};

} // namespace orv
