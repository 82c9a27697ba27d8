// A host's two media links (audio, then video) on the datagram link library: a datagram that
// arrives on them goes to the host's media part with its sender, and what that part sends
// goes out on the link of its medium. The talk and conference hosts use them alike.
#pragma once

#include "linkcommon/link_event.h"
#include "platform/tick.h"
#include "server/talk_calls.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

using MediaLinks = LinkHandle[2];

// The index of the link an event came on (0 audio, 1 video); -1 when it is on neither.
int MediaLinkIndex(const MediaLinks& links, LinkHandle link);

// The sender and the bytes of a received datagram (the link event's detail); false when it
// cannot be delivered (no detail, an address that does not parse, a length without data).
bool ReadMediaDatagram(const void* detail, MediaAddress* from, const std::uint8_t** data, std::size_t* size);

// Hands a datagram that came on one of the links to media->OnDatagram (nothing without
// media); false when the event is not on these links.
template <class Media>
bool DeliverMediaDatagram(const MediaLinks& links, const LinkEvent& event, const void* detail, Media* media) {
    const int medium = MediaLinkIndex(links, event.link);
    if (event.link == 0 || medium < 0) return false;
    MediaAddress from;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (event.code == kLinkEventData && media != nullptr && ReadMediaDatagram(detail, &from, &data, &size)) {
        media->OnDatagram(static_cast<Medium>(medium), data, size, from, GetTickCount());
    }
    return true;
}

// Sends on the link of the medium; a failure is logged under the name given.
void SendMediaDatagram(const MediaLinks& links, Medium medium, const std::vector<std::uint8_t>& datagram,
                       const MediaAddress& to, const char* name);

} // namespace orv
