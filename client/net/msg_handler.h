// CMsgHandler: the base of every server conversation. It owns one link (stream or
// datagram), knows the server's address, numbers and frames the packets it sends, keeps
// the requests that await an answer in the timer manager, and receives its link's events
// from the network thread. A use count keeps it alive while any operation runs; when the
// count reaches 0 the handler deletes itself later, on the thread that created it.
#pragma once

#include "client/net/timer_manager.h"
#include "platform/message.h"
#include "platform/thread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// Messages of the handler's hidden window.
constexpr UINT WM_TALKSERV_MSG = WM_USER + 1;
constexpr UINT WM_CONFSERV_MSG = WM_USER + 2;
constexpr UINT WM_DELETE_HANDLER = WM_USER + 3;

// Socket types of a handler's link.
constexpr int kSockNone = -1;
constexpr int kSockStream = 0;
constexpr int kSockDatagram = 1;

// Local IPv4 address (host byte order) of the most recently connected stream link.
extern std::atomic<std::uint32_t> LocalIP;
// The identifier the user server assigned at logon; 0 = not registered. Every server
// conversation that needs a registration reads it.
extern std::atomic<std::uint32_t> EndpointID;

// The process-wide timer manager. The first handler creates it; the user-server handler
// stops it at the end. Callers keep the returned pointer only for the call at hand.
std::shared_ptr<CTimerManager> GetTimerManager();
void CreateTimerManagerOnce();
void StopTimerManager();
// Puts a timer manager in place before any handler exists, e.g. one without its own thread
// and with a test clock, whose passes the caller runs with ScanOnce.
void InstallTimerManager(std::shared_ptr<CTimerManager> manager);

// How the handlers look server names up (the platform's lookup unless one is installed, e.g.
// a test's slow or failing one; null puts the platform's back). The address is in network
// byte order.
using HostLookup = std::function<bool(const std::string& name, std::uint32_t* address)>;
void InstallHostLookup(HostLookup lookup);
// A server name whose lookup failed is not looked up again for this long.
constexpr std::uint32_t kFailedLookupHoldMs = 30000;

class CMsgHandler : public Window, public CTimerOwner {
public:
    CMsgHandler();
    ~CMsgHandler() override;

    // Link events for this handler's link, delivered by the notification window on the
    // network thread. event points at the library's event block; detail is the data
    // block of a data event (null otherwise).
    virtual int OnTcpNotifyMsg(const void* event, const void* detail);
    virtual int OnUdpNotifyMsg(const void* event, const void* detail);
    // Timer manager callbacks (timer thread).
    bool TakeUse() override;
    void GiveBackUse() override { ReleaseUse(); }
    void OnMsgTimeOut(const std::uint8_t* packet, std::uint32_t length) override;
    void OnTimer() override;
    void ReSendData(TimerEntry& entry) override;
    // WM_USER+1 and WM_USER+2 at the hidden window: relayed call and conference events.
    virtual int OnTalkServMsg(WPARAM code, LPARAM value);
    virtual int OnConfServMsg(WPARAM code, LPARAM value);
    virtual int DoTCPKeepAlive();

    bool CreateLink(int sockType, std::uint16_t localPort);
    int CloseLink();
    bool SetServerAddr(const char* address, std::uint32_t port);
    bool SetServerAddr(std::uint32_t address, std::uint32_t port);
    int Connect();

    // Writes the header; seqNum 0 takes the next number from NextSeqNum.
    void BuildHeader(std::uint8_t* packet, std::uint32_t length, std::uint16_t type, std::uint32_t seqNum);
    std::uint32_t NextSeqNum();
    int SendData(const std::uint8_t* packet, std::uint32_t length, bool pending, int retries,
                 std::uint32_t intervalMs, std::uint32_t delayMs);

    void AddPending(const std::uint8_t* packet, std::uint32_t length, int retries, std::uint32_t intervalMs,
                    int kind, std::uint32_t delayMs);
    // Match flags: 1 = SeqNum, 2 = PktType. copy (when not null) receives a copy of the
    // first matching request packet.
    bool FindPending(std::uint32_t seqNum, std::uint16_t type, int matchFlags, bool remove,
                     std::vector<std::uint8_t>* copy = nullptr);
    void RemovePending(std::uint32_t seqNum, std::uint16_t type, int matchFlags, int kind);
    void RemoveAllPending();

    std::string GetHandlerName() const { return m_handlerName; }
    std::uint32_t GetLinkId() const { return m_linkId.load(); }
    int GetSockType() const { return m_sockType.load(); }
    std::string GetServerAddr() const;
    std::uint16_t GetServerPort() const { return static_cast<std::uint16_t>(m_serverPort.load()); }
    int GetUseCount() const { return m_useCount.load(); }

    // Use count: every public operation takes a use and gives it back; the owner ends the
    // handler's life by giving back its own unit (Release without a matching AddUse).
    void AddUse();
    void ReleaseUse();
    void Release() { ReleaseUse(); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void SetHandlerName(const char* name) { m_handlerName = name; }

    // For stream handlers: hands a stream-link event to the operation for its code (data
    // events only when they complete a message that passes the receive checks).
    int DispatchTcpEvent(const void* event, const void* detail);
    virtual void OnRecv(const std::uint8_t* /*message*/, std::size_t /*size*/) {}
    virtual void OnLinkCreated() {}
    virtual void OnLinkClosed() {}
    virtual void OnConnected() {}
    virtual void OnDisconnected() {}
    // The receive checks of a complete stream message: a buffer, at least a header, and a
    // PktLen equal to the message length. Logs and returns false otherwise.
    bool CheckStreamMessage(const std::uint8_t* message, std::size_t size);
    // For stream handlers whose messages are all short: a frame that announces more than
    // bytes closes the link (logged, reported as OnLinkClosed) before its payload is taken in.
    void SetLongestMessage(std::uint32_t bytes) { m_longestMessage.store(bytes); }

    // Takes a use for the lifetime of a scope.
    class UseGuard {
    public:
        explicit UseGuard(CMsgHandler* h) : m_h(h) { m_h->AddUse(); }
        ~UseGuard() { m_h->ReleaseUse(); }
        UseGuard(const UseGuard&) = delete;
        UseGuard& operator=(const UseGuard&) = delete;

    private:
        CMsgHandler* m_h;
    };

private:
    // The server's address as a dotted quad. A name is looked up outside every lock, and after
    // a failure not again for kFailedLookupHoldMs; with mayLookUp false (resends, which run
    // under the timer list lock) only what an earlier lookup found is used.
    bool ResolveServerAddr(std::string* address, bool mayLookUp);
    int Transmit(const std::uint8_t* packet, std::uint32_t length, bool mayLookUp);
    void DropOversizeFrame(std::uint32_t length);

    std::atomic<std::uint32_t> m_linkId{0};
    std::atomic<int> m_sockType{kSockNone};
    std::uint32_t m_seqNum = 0;
    CriticalSection m_csSeqNum;
    mutable CriticalSection m_csAddr; // guards the address text, which a lookup rewrites
    char m_serverAddr[32] = {};
    bool m_lookupFailed = false;
    std::uint32_t m_lookupFailedAt = 0; // tick of the failed lookup
    std::atomic<std::uint32_t> m_longestMessage{0xFFFFFFFF};
    std::atomic<std::uint32_t> m_serverPort{0};
    std::string m_handlerName = "MsgHandler";
    std::atomic<std::int32_t> m_useCount{1};
};

} // namespace orv
