#include "linkcommon/notify_window.h"

#include <fcntl.h>
#include <unistd.h>

namespace orv {

LinkNotifyWindow::LinkNotifyWindow(UINT socketMessage, SocketHandler handler)
    : m_placeholder(::open("/dev/null", O_RDONLY | O_CLOEXEC)), m_socketMessage(socketMessage),
      m_handler(std::move(handler)) {}

LinkNotifyWindow::~LinkNotifyWindow() {
    Destroy();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int fd : m_pendingClose) ::close(fd);
    m_pendingClose.clear();
    if (m_placeholder >= 0) ::close(m_placeholder);
}

void LinkNotifyWindow::CloseSocketLater(int fd) {
    if (fd < 0) return;
    AsyncSelect(fd, 0, 0, 0);
    std::lock_guard<std::mutex> lock(m_mutex);
    // Replacing the descriptor's file closes the socket; the number stays taken.
    if (m_placeholder < 0 || ::dup3(m_placeholder, fd, O_CLOEXEC) < 0 ||
        !PostMessage(GetSafeHwnd(), kCloseSocketMessage, static_cast<WPARAM>(fd), 0)) {
        ::close(fd);
        return;
    }
    m_pendingClose.insert(fd);
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
