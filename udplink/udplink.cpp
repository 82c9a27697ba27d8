// The C exports of libudplink.
#include "udplink/udplink.h"

#include "linkcommon/socket_address.h"
#include "udplink/udp_link.h"

namespace orv {
namespace {

constexpr UINT kSocketMessage = WM_USER + 1;

LinkLibrary<UdpLink>& Library() {
    // Never destroyed: links and the hidden window may outlive static destruction.
    static auto* library = new LinkLibrary<UdpLink>(kUdpNotifyMsgName, kSocketMessage, FD_READ | FD_WRITE | FD_CLOSE);
    return *library;
}

void OnSocket(int fd, std::uint16_t condition, std::uint16_t error) {
    if (Ref<UdpLink> link = Library().FindBySocket(fd)) link->OnSocket(condition, error);
}

} // namespace
} // namespace orv

using namespace orv;

ORV_LINK_API int UdpInit(HWND window) { return static_cast<int>(Library().Init(window, OnSocket)); }

ORV_LINK_API void UdpUninit() { Library().Uninit(); }

ORV_LINK_API LinkHandle UdpCreate(const char* localAddress, std::uint16_t localPort, std::uint32_t linkFlags) {
    std::uint32_t address = 0;
    if (!Library().Ready() || !ParseBindAddress(localAddress, &address)) return 0;
    const int fd = OpenBoundSocket(false, address, localPort);
    if (fd < 0) return 0;
    const LinkHandle handle = Library().links.Add(Ref<UdpLink>::Adopt(new UdpLink(Library(), fd, linkFlags)));
    Library().MapSocket(fd, handle);
    if (Ref<UdpLink> link = Library().links.Find(handle)) link->Announce();
    return handle;
}

ORV_LINK_API int UdpSendTo(LinkHandle link, const void* data, std::uint32_t length, const char* address,
                           std::uint16_t port, std::uint32_t sendFlags) {
    std::uint32_t destination = 0;
    Ref<UdpLink> target = Library().links.Find(link);
    if (!target || !NetworkOrderOfDottedQuad(address, &destination)) return 0;
    return target->Queue(static_cast<const std::uint8_t*>(data), length, destination, port, sendFlags) ? 1 : 0;
}

ORV_LINK_API int UdpSetReceiveBuffer(LinkHandle link, std::uint32_t bytes) {
    Ref<UdpLink> target = Library().links.Find(link);
    if (!target || bytes > 0x7FFFFFFF) return 0;
    return target->SetReceiveBuffer(static_cast<int>(bytes));
}

ORV_LINK_API int UdpClose(LinkHandle link) {
    Ref<UdpLink> target = Library().links.Remove(link);
    if (!target) return 0;
    target->Close();
    return 1;
}
