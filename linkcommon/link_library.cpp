#include "linkcommon/link_library.h"

#include <cstdarg>
#include <cstdio>
#include <unistd.h>

namespace orv {

HWND LinkLibraryBase::Init(HWND client, LinkNotifyWindow::SocketHandler handler) {
    std::lock_guard<std::mutex> lock(m_windowMutex);
    if (m_window) return 0;
    m_notifyMessage = RegisterWindowMessage(m_notifyMessageName);
    m_client = client;
    auto window = std::make_unique<LinkNotifyWindow>(m_socketMessage, std::move(handler));
    const HWND hwnd = window->Create("NotifyWnd");
    if (hwnd == 0) return 0;
    m_window = std::move(window);
    m_hwnd = hwnd;
    return hwnd;
}

void LinkLibraryBase::Uninit() {
    std::unique_ptr<LinkNotifyWindow> window;
    {
        std::lock_guard<std::mutex> lock(m_windowMutex);
        window = std::move(m_window);
        m_hwnd = 0;
    }
    window.reset();
}

void LinkLibraryBase::Notify(const void* event, const void* detail) const {
    const HWND client = m_client.load();
    if (client == 0 || !IsWindow(client)) return;
    SendMessage(client, m_notifyMessage.load(), reinterpret_cast<WPARAM>(event), reinterpret_cast<LPARAM>(detail));
}

bool LinkLibraryBase::Watch(int fd) const {
    const HWND hwnd = m_hwnd.load();
    return fd >= 0 && hwnd != 0 && AsyncSelect(fd, hwnd, m_socketMessage, m_socketEvents);
}

void LinkLibraryBase::PostCondition(int fd, std::uint16_t condition, std::uint16_t error) const {
    PostMessage(m_hwnd.load(), m_socketMessage, static_cast<WPARAM>(fd), MakeLParam(condition, error));
}

void LinkLibraryBase::CloseSocketLater(int fd) {
    std::lock_guard<std::mutex> lock(m_windowMutex);
    if (m_window) {
        m_window->CloseSocketLater(fd);
    } else if (fd >= 0) {
        AsyncSelect(fd, 0, 0, 0);
        ::close(fd);
    }
}

void LinkLibraryBase::Log(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::fprintf(stderr, "%s\n", text);
}

void LinkLibraryBase::MapSocket(int fd, LinkHandle link) {
    std::lock_guard<std::mutex> lock(m_mapMutex);
    m_sockets[fd] = link;
}

void LinkLibraryBase::UnmapSocket(int fd) {
    std::lock_guard<std::mutex> lock(m_mapMutex);
    m_sockets.erase(fd);
}

LinkHandle LinkLibraryBase::LinkOfSocket(int fd) const {
    std::lock_guard<std::mutex> lock(m_mapMutex);
    auto it = m_sockets.find(fd);
    return it == m_sockets.end() ? 0 : it->second;
}

} // namespace orv
