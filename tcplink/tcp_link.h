// One stream link: its socket and state, the send queue and the reassembly of incoming
// messages, and the steps that the exports and the socket notifications run on it.
#pragma once

#include "linkcommon/link_library.h"
#include "linkcommon/send_queue.h"
#include "tcplink/stream_reassembler.h"
#include "tcplink/tcplink.h"

#include <atomic>

namespace orv {

class TcpLink : public RefCounted {
public:
    enum State : int { kNone = 0, kCreated = 1, kConnected = 2 };

    // Takes over fd, a bound (state kCreated) or accepted (kConnected) socket. A fresh socket
    // for a later connection is bound to bindAddress and bindPort again.
    TcpLink(LinkLibrary<TcpLink>& library, int fd, State state, std::uint32_t bindAddress, std::uint16_t bindPort);

    void SetHandle(LinkHandle handle) { m_handle = handle; }
    LinkHandle Handle() const { return m_handle; }

    // Reports event 2 and asks for the socket conditions.
    void Announce();
    bool Connect(std::uint32_t address, std::uint16_t port);
    bool Listen(int backlog);
    bool IsConnected() const { return m_state.load() == kConnected; }
    bool IsCreatedState() const { return m_state.load() == kCreated; }
    bool Send(const std::uint8_t* data, std::uint32_t length, std::uint32_t sendFlags);
    bool Disconnect();
    // Event 6 when connected, then closes the socket with event 3; nothing when already closed.
    void Close();
    bool GetAddress(int which, std::uint32_t* address, std::uint16_t* port);

    // A socket notification at the library's window.
    void OnSocket(std::uint16_t condition, std::uint16_t error);

private:
    bool ReplaceSocket();
    void SendStep();
    void Overflow();
    void ReceiveStep(std::uint16_t error);
    void ConnectStep(std::uint16_t error);
    void AcceptStep(std::uint16_t error);
    void Rearm();
    void Notify(std::uint32_t code);
    void NotifyData(std::uint32_t subCode, std::uint8_t* buffer, std::uint32_t length, std::uint32_t received);

    LinkLibrary<TcpLink>& m_library;
    std::atomic<int> m_fd;
    std::atomic<int> m_state;
    const std::uint32_t m_bindAddress;
    const std::uint16_t m_bindPort;
    LinkHandle m_handle = 0;
    std::atomic<bool> m_connecting{false};
    std::atomic<bool> m_socketUsed{false};    // a connection was attempted on the current socket
    std::atomic<bool> m_wasConnected{false};  // the current socket has carried a connection
    std::atomic<std::uint32_t> m_socketGeneration{0};
    std::atomic<bool> m_overflowed{false}; // the send queue passed its mark: closing
    SendQueue m_queue{kStreamSendPiece, kStreamSendHighWater};
    // Used only on the thread that runs the sockets.
    StreamReassembler m_reassembler;
    std::uint32_t m_reassemblerGeneration = 0;
};

} // namespace orv
