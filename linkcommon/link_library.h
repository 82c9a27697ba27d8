// The process-wide state of one link library: the client window and its registered notify
// message, the hidden window that runs the sockets, the socket-to-link map and the handle table.
#pragma once

#include "linkcommon/link_table.h"
#include "linkcommon/notify_window.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace orv {

class LinkLibraryBase {
public:
    LinkLibraryBase(const char* notifyMessageName, UINT socketMessage, long socketEvents)
        : m_notifyMessageName(notifyMessageName), m_socketMessage(socketMessage), m_socketEvents(socketEvents) {
        m_sockets.reserve(241);
    }

    // On the thread that is to run the sockets. Returns the hidden window, 0 on failure.
    HWND Init(HWND client, LinkNotifyWindow::SocketHandler handler);
    // On the same thread: destroys the hidden window.
    void Uninit();
    bool Ready() const { return m_hwnd.load() != 0; }

    // Sends a notification to the client window (synchronously), if it exists.
    void Notify(const void* event, const void* detail) const;
    // Asks for the library's socket conditions of fd (again); re-arms the writable notification.
    bool Watch(int fd) const;
    // Posts a socket condition as the event loop would (for outcomes known at once).
    void PostCondition(int fd, std::uint16_t condition, std::uint16_t error) const;
    void CloseSocketLater(int fd);
    // One line on the standard error stream: the libraries have no log of their own, and
    // what they refuse or close on their own must leave a trace for the process that runs them.
    static void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

    void MapSocket(int fd, LinkHandle link);
    void UnmapSocket(int fd);
    LinkHandle LinkOfSocket(int fd) const;

private:
    const char* const m_notifyMessageName;
    const UINT m_socketMessage;
    const long m_socketEvents;
    std::atomic<HWND> m_client{0};
    std::atomic<UINT> m_notifyMessage{0};
    std::atomic<HWND> m_hwnd{0};
    std::mutex m_windowMutex;
    std::unique_ptr<LinkNotifyWindow> m_window;
    mutable std::mutex m_mapMutex;
    std::unordered_map<int, LinkHandle> m_sockets;
};

template <class Link>
class LinkLibrary : public LinkLibraryBase {
public:
    using LinkLibraryBase::LinkLibraryBase;

    Ref<Link> FindBySocket(int fd) {
        const LinkHandle handle = LinkOfSocket(fd);
        return handle != 0 ? links.Find(handle) : Ref<Link>{};
    }

    LinkTable<Link> links;
};

} // namespace orv
