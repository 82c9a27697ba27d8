// Test harness: a network thread whose one client window receives the notifications of both
// link libraries (as the client's notification window does), records a copy of each and can
// act inside a notification; plus plain sockets on 127.0.0.1 as the far ends.
#pragma once

#include "platform/message.h"
#include "platform/thread.h"
#include "tcplink/tcplink.h"
#include "udplink/udplink.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv::test {

using Bytes = std::vector<std::uint8_t>;

struct LinkRecord {
    bool stream = false; // "Tcp Notify Msg" (else "Udp Notify Msg")
    std::uint32_t code = 0;
    LinkHandle link = 0;
    // Event 1.
    std::uint32_t subCode = 0;
    bool bufferNull = true;
    std::uint32_t length = 0;
    std::uint32_t received = 0;
    Bytes data; // datagram payload, or the complete stream message
    std::string address;
    std::uint16_t port = 0;
    // Event 4.
    LinkHandle listenLink = 0;
};

class LinkThread : public WorkerThread {
public:
    LinkThread();
    ~LinkThread() override;

    // Runs inside every notification, on the network thread, after it was recorded.
    void SetHook(std::function<void(const LinkRecord&)> hook);
    // Runs f on the network thread and waits for it.
    void RunOnThread(const std::function<void()>& f);

    std::vector<LinkRecord> Records();
    std::vector<LinkRecord> RecordsOf(LinkHandle link);
    // Waits (up to 5 s) until pred holds for the records.
    bool WaitFor(const std::function<bool(const std::vector<LinkRecord>&)>& pred);
    // Waits for a record of link with this code (and sub-code for event 1); returns it.
    bool WaitForEvent(LinkHandle link, std::uint32_t code, std::uint32_t subCode = 0, LinkRecord* found = nullptr);
    std::size_t CountOf(LinkHandle link, std::uint32_t code, std::uint32_t subCode = 0);
    // Waits until at least count such records arrived.
    bool WaitForCount(LinkHandle link, std::uint32_t code, std::uint32_t subCode, std::size_t count);

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    std::unique_ptr<FunctionWindow> m_window;
    UINT m_tcpMessage = 0;
    UINT m_udpMessage = 0;
    Event m_ready{true, false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<LinkRecord> m_records;
    std::function<void(const LinkRecord&)> m_hook;
};

// Plain sockets on 127.0.0.1, blocking with bounded waits.
class PlainUdp {
public:
    PlainUdp();
    ~PlainUdp();
    std::uint16_t Port() const { return m_port; }
    void SendTo(std::uint16_t port, const Bytes& datagram);
    // Next datagram (empty optional-like: false when none within 5 s); fills the sender port.
    bool Receive(Bytes* datagram, std::uint16_t* fromPort = nullptr);

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

class PlainTcp {
public:
    explicit PlainTcp(int fd) : m_fd(fd) {}
    static PlainTcp Connect(std::uint16_t port);
    PlainTcp(PlainTcp&& other) noexcept;
    PlainTcp& operator=(PlainTcp&& other) noexcept;
    ~PlainTcp();
    void Write(const Bytes& bytes);
    // Reads exactly size bytes (false on end of stream or 5 s without data).
    bool ReadExactly(std::size_t size, Bytes* bytes);
    // True when the peer closed (end of stream within 5 s).
    bool SeesEndOfStream();
    void Close();
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};

class PlainListener {
public:
    PlainListener();
    ~PlainListener();
    std::uint16_t Port() const { return m_port; }
    PlainTcp Accept(); // waits up to 5 s

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// A local port on which nothing listens (held bound for the lifetime of the object).
class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort();
    std::uint16_t Port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

Bytes Pattern(std::size_t size, std::uint8_t seed = 0);

} // namespace orv::test
