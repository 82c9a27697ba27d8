#include "udplink/notify_window.h"

#include <unistd.h>

namespace orv {

LinkNotifyWindow::LinkNotifyWindow(UINT socketMessage, SocketHandler handler)
    : m_socketMessage(socketMessage), m_handler(std::move(handler)) {}

LinkNotifyWindow::~LinkNotifyWindow() {
    Destroy();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int fd : m_pendingClose) ::close(fd);
    m_pendingClose.clear();
}

void LinkNotifyWindow::CloseSocketLater(int fd) {
    if (fd < 0) return;
    AsyncSelect(fd, 0, 0, 0);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pendingClose.insert(fd);
    if (!PostMessage(GetSafeHwnd(), kCloseSocketMessage, static_cast<WPARAM>(fd), 0)) {
        m_pendingClose.erase(fd);
        ::close(fd);
    }
}

void LinkNotifyWindow::CloseNow(int fd) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pendingClose.erase(fd) != 0) ::close(fd);
}

LRESULT LinkNotifyWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == m_socketMessage) {
        m_handler(static_cast<int>(wParam), LowWord(static_cast<std::uintptr_t>(lParam)),
                  HighWord(static_cast<std::uintptr_t>(lParam)));
        return 0;
    }
    if (message == kCloseSocketMessage) {
        CloseNow(static_cast<int>(wParam));
        return 0;
    }
    return Window::WindowProc(message, wParam, lParam);
}

} // namespace orv
