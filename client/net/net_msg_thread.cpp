#include "client/net/net_msg_thread.h"

#include "client/log/log.h"
#include "tcplink/tcplink.h"
#include "udplink/udplink.h"

#include <atomic>

namespace orv {

namespace {
std::atomic<CNetMsgThread*> g_netMsgThread{nullptr};
}

CNetMsgThread* GetNetMsgThread() { return g_netMsgThread.load(); }
void SetNetMsgThread(CNetMsgThread* thread) { g_netMsgThread.store(thread); }

CNetMsgThread::CNetMsgThread() {
    if (Start()) m_initDone.Wait();
}

CNetMsgThread::~CNetMsgThread() {
    if (!Stop(5000)) {
        WriteLog(3, "NetMsgThread did not end in 5 s; waiting for it");
        Join(); // the thread still runs the notification window and the links
    }
    m_notifyWnd.reset(); // its handle was destroyed on the network thread
    WriteLog(3, "NetMsgThread Exit");
    m_initDone.Set();
}

bool CNetMsgThread::InitInstance() {
    m_notifyWnd = std::make_unique<CNotifyWnd>();
    bool windowUp = m_notifyWnd->Create("NotifyWnd") != 0;
    // Both libraries register the same message names, so their ids match ours.
    RegisterWindowMessage("Tcp Notify Msg");
    RegisterWindowMessage("Udp Notify Msg");
    HWND hwnd = m_notifyWnd->GetSafeHwnd();
    bool udpUp = UdpInit(hwnd) != 0;
    bool tcpUp = TcpInit(hwnd) != 0;
    m_ready = windowUp && udpUp && tcpUp;
    if (m_ready) WriteLog(3, "InitNetWork Successful");
    m_initDone.Set(); // initialisation counts as done even when a step failed
    return true;
}

int CNetMsgThread::ExitInstance() {
    // The window object stays until the destructor, so late RegisterLink calls from
    // other threads find a dead window rather than a freed object.
    if (m_notifyWnd) m_notifyWnd->Destroy();
    TcpUninit();
    UdpUninit();
    return 0;
}

bool CNetMsgThread::RegisterLink(std::uint32_t link, CMsgHandler* handler) {
    return m_notifyWnd && m_notifyWnd->RegisterLink(link, handler);
}

bool CNetMsgThread::UnregisterLink(std::uint32_t link, CMsgHandler* handler) {
    return m_notifyWnd && m_notifyWnd->UnregisterLink(link, handler);
}

} // namespace orv
