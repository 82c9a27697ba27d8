// The hidden window "NotifyWnd" of a link library: socket readiness arrives here as messages
// (wParam = socket, low word of lParam = condition, high word = error) on the thread that
// created it, and sockets are closed here once no queued message can still name them.
#pragma once

#include "platform/message.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>

namespace orv {

class LinkNotifyWindow : public Window {
public:
    using SocketHandler = std::function<void(int fd, std::uint16_t condition, std::uint16_t error)>;
    LinkNotifyWindow(UINT socketMessage, SocketHandler handler);
    ~LinkNotifyWindow() override; // on its own thread; closes sockets still waiting

    // Takes fd out of the wait set and closes its socket now (its port is free at once), but
    // keeps the descriptor number taken, by a placeholder, until the readiness messages
    // already queued for it have been dispatched (and found no link): a new socket cannot get
    // that number while stale messages still carry it. Any thread.
    void CloseSocketLater(int fd);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static constexpr UINT kCloseSocketMessage = WM_USER + 3;
    void CloseNow(int fd);

    const int m_placeholder; // an open /dev/null that retired numbers point at meanwhile
    const UINT m_socketMessage;
    const SocketHandler m_handler;
    std::mutex m_mutex;
    std::set<int> m_pendingClose;
};

} // namespace orv
