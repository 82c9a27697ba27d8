// Local IPv4 addresses and host-name lookup.
#include "platform/system.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>

namespace orv {

std::vector<LocalAddress> LocalIPv4Addresses() {
    std::vector<LocalAddress> found, loopback;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return found;
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !(it->ifa_flags & IFF_UP))
            continue;
        LocalAddress a{};
        a.address = reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr;
        a.mask = it->ifa_netmask ? reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr : 0xFFFFFFFFu;
        a.interfaceName = it->ifa_name ? it->ifa_name : "";
        ((it->ifa_flags & IFF_LOOPBACK) ? loopback : found).push_back(std::move(a));
    }
    freeifaddrs(list);
    found.insert(found.end(), loopback.begin(), loopback.end());
    return found;
}

bool ResolveIPv4(const std::string& name, std::uint32_t* address) {
    if (name.empty() || !address)
        return false;
    in_addr parsed{};
    if (inet_pton(AF_INET, name.c_str(), &parsed) == 1) {
        *address = parsed.s_addr;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &result) != 0 || !result)
        return false;
    *address = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(result);
    return true;
}

} // namespace orv
