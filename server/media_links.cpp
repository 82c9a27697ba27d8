#include "server/media_links.h"

#include "server/server_log.h"
#include "udplink/udplink.h"
#include "wire/ipv4_text.h"

#include <cstring>

namespace orv {

int MediaLinkIndex(const MediaLinks& links, LinkHandle link) {
    for (int medium = 0; medium < 2; ++medium) {
        if (links[medium] == link) return medium;
    }
    return -1;
}

bool ReadMediaDatagram(const void* detail, MediaAddress* from, const std::uint8_t** data, std::size_t* size) {
    if (detail == nullptr) return false;
    const auto* info = static_cast<const UdpRecvInfo*>(detail);
    char text[sizeof info->address + 1] = {};
    std::memcpy(text, info->address, sizeof info->address);
    from->port = info->port;
    if (!ParseDottedQuad(text, &from->ip) || (info->data == nullptr && info->length != 0)) return false;
    *data = info->data;
    *size = info->length;
    return true;
}

void SendMediaDatagram(const MediaLinks& links, Medium medium, const std::vector<std::uint8_t>& datagram,
                       const MediaAddress& to, const char* name) {
    const LinkHandle link = links[static_cast<int>(medium)];
    if (UdpSendTo(link, datagram.data(), static_cast<std::uint32_t>(datagram.size()), DottedQuad(to.ip).c_str(),
                  to.port, 0) == 0) {
        ServerLog("%s: cannot send %zu bytes to %s:%u", name, datagram.size(), DottedQuad(to.ip).c_str(), to.port);
    }
}

} // namespace orv
