// The C exports of libtcplink.
#include "tcplink/tcplink.h"

#include "linkcommon/socket_address.h"
#include "platform/system.h"
#include "tcplink/tcp_link.h"

#include <cerrno>

namespace orv {
namespace {

constexpr UINT kSocketMessage = WM_USER + 2;

LinkLibrary<TcpLink>& Library() {
    // Never destroyed: links and the hidden window may outlive static destruction.
    static auto* library = new LinkLibrary<TcpLink>(kTcpNotifyMsgName, kSocketMessage,
                                                    FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
    return *library;
}

void OnSocket(int fd, std::uint16_t condition, std::uint16_t error) {
    if (Ref<TcpLink> link = Library().FindBySocket(fd)) link->OnSocket(condition, error);
}

} // namespace
} // namespace orv

using namespace orv;

ORV_LINK_API int TcpInit(HWND window) { return static_cast<int>(Library().Init(window, OnSocket)); }

ORV_LINK_API void TcpUninit() { Library().Uninit(); }

ORV_LINK_API LinkHandle TcpCreate(const char* localAddress, std::uint16_t localPort) {
    std::uint32_t address = 0;
    if (!Library().Ready() || !ParseBindAddress(localAddress, &address)) return 0;
    const int fd = OpenBoundSocket(true, address, localPort);
    if (fd < 0) return 0;
    const LinkHandle handle =
        Library().links.Add(Ref<TcpLink>::Adopt(new TcpLink(Library(), fd, TcpLink::kCreated, address, localPort)));
    Library().MapSocket(fd, handle);
    if (Ref<TcpLink> link = Library().links.Find(handle)) link->Announce();
    return handle;
}

ORV_LINK_API int TcpConnect(LinkHandle link, const char* host, std::uint16_t port) {
    Ref<TcpLink> target = Library().links.Find(link);
    if (!target || !target->IsCreatedState()) return 0;
    std::uint32_t address = 0;
    if (host == nullptr || !ResolveIPv4(host, &address)) {
        errno = EINVAL;
        return 0;
    }
    return target->Connect(address, port) ? 1 : 0;
}

ORV_LINK_API int TcpListen(LinkHandle link, int backlog) {
    Ref<TcpLink> target = Library().links.Find(link);
    return target && target->Listen(backlog) ? 1 : 0;
}

ORV_LINK_API int TcpIsConnect(LinkHandle link) {
    Ref<TcpLink> target = Library().links.Find(link);
    return target && target->IsConnected() ? 1 : 0;
}

ORV_LINK_API int TcpSend(LinkHandle link, const void* data, std::uint32_t length, std::uint32_t sendFlags) {
    Ref<TcpLink> target = Library().links.Find(link);
    return target && target->Send(static_cast<const std::uint8_t*>(data), length, sendFlags) ? 1 : 0;
}

ORV_LINK_API int TcpDisconnect(LinkHandle link) {
    Ref<TcpLink> target = Library().links.Find(link);
    return target && target->Disconnect() ? 1 : 0;
}

ORV_LINK_API int TcpClose(LinkHandle link) {
    Ref<TcpLink> target = Library().links.Remove(link);
    if (!target) return 0;
    target->Close();
    return 1;
}

ORV_LINK_API int TcpGetLinkAddr(LinkHandle link, int which, std::uint32_t* address, std::uint16_t* port) {
    Ref<TcpLink> target = Library().links.Find(link);
    return target && target->GetAddress(which, address, port) ? 1 : 0;
}
