// A listening stream link of the account or update server and the links it accepted: each
// complete message goes to the service's function, which answers on the link. A frame that
// announces more than the service's longest request, a message the service refuses, a link
// idle for too long, or one more link than the bound allows is closed. Closing happens on a
// posted message, outside the link's own event.
#pragma once

#include "platform/message.h"
#include "server/stream_service.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv {

struct StreamListenerLimits {
    std::size_t longestRequest = 0; // bytes of the longest message a client may send
    std::uint32_t idleMs = 10 * 60 * 1000;
    std::size_t maxLinks = 1024;
};

class StreamListener : public StreamService {
public:
    // False: the message was no request of the service; the link is closed.
    using MessageFunction = std::function<bool(LinkHandle link, const std::uint8_t* data, std::size_t size,
                                               std::uint32_t now)>;

    StreamListener(std::string name, const StreamListenerLimits& limits, MessageFunction onMessage);
    ~StreamListener() override; // closes every link; the stream link library must still run
    StreamListener(const StreamListener&) = delete;
    StreamListener& operator=(const StreamListener&) = delete;

    // Binds and listens (port 0 = chosen by the system); *bound is the port. The stream link
    // library must be started already. False with *error.
    bool Listen(const std::string& address, std::uint16_t port, std::uint16_t* bound, std::string* error);
    // Frames and queues one message (scrambled, as every server link is).
    bool Send(LinkHandle link, const std::vector<std::uint8_t>& packet);
    std::size_t LinkCount() const { return m_links.size(); }

    bool OnTcpEvent(const LinkEvent* event, const void* detail) override;
    void OnTimer(std::uint32_t now) override;

private:
    void CloseLater(LinkHandle link);

    std::string m_name;
    StreamListenerLimits m_limits;
    MessageFunction m_onMessage;
    FunctionWindow m_window;
    LinkHandle m_listen = 0;
    std::unordered_map<LinkHandle, std::uint32_t> m_links; // link -> tick of its last message
    std::unordered_map<LinkHandle, bool> m_closing;
};

} // namespace orv
