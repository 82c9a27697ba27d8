// CNetMsgThread: the network thread. It owns the notification window to which both link
// libraries report, so every link event and every handler's receive code runs on it.
#pragma once

#include "client/net/notify_wnd.h"
#include "platform/thread.h"

#include <memory>

namespace orv {

class CNetMsgThread : public WorkerThread {
public:
    // Starts the thread and returns once its initialisation has run (successful or not).
    CNetMsgThread();
    ~CNetMsgThread() override;

    CNotifyWnd* GetNotifyWnd() const { return m_notifyWnd.get(); }
    // True when the window and both link libraries came up.
    bool IsNetworkReady() const { return m_ready; }
    bool RegisterLink(std::uint32_t link, CMsgHandler* handler);
    bool UnregisterLink(std::uint32_t link, CMsgHandler* handler);

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    Event m_initDone{false, false};
    std::unique_ptr<CNotifyWnd> m_notifyWnd;
    bool m_ready = false;
};

// The process-wide network thread (null before start-up and after the end).
CNetMsgThread* GetNetMsgThread();
void SetNetMsgThread(CNetMsgThread* thread);

} // namespace orv
