// CNotifyWnd: the hidden window "NotifyWnd" on the network thread to which both link
// libraries report. It maps each link handle to the handler that owns the link and hands
// every link event to that handler. The map's lock stays held while the handler's event
// code runs, so a link cannot be unregistered (and its handler released) in between.
#pragma once

#include "platform/message.h"
#include "platform/thread.h"

#include <cstdint>
#include <unordered_map>

namespace orv {

class CMsgHandler;

class CNotifyWnd : public Window {
public:
    CNotifyWnd();
    ~CNotifyWnd() override;

    bool RegisterLink(std::uint32_t link, CMsgHandler* handler);
    bool UnregisterLink(std::uint32_t link, CMsgHandler* handler);

    // The registered-message handlers; wParam points at the event block, lParam at the
    // data detail block of a data event.
    LRESULT OnTcpNotifyMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnUdpNotifyMsg(WPARAM wParam, LPARAM lParam);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The stream and the datagram library number their links independently, so one handle
    // may name a stream link and a datagram link at once: each handle maps to at most one
    // handler per socket type.
    CMsgHandler* Find(std::uint32_t link, int sockType);
    CriticalSection m_csLinks;
    std::unordered_multimap<std::uint32_t, CMsgHandler*> m_links;
    UINT m_tcpNotifyMsg;
    UINT m_udpNotifyMsg;
};

// Event block fields shared by both link libraries: event code and link handle.
struct LinkEventHead {
    std::uint32_t code;
    std::uint32_t link;
};
LinkEventHead ReadLinkEventHead(const void* event);

} // namespace orv
