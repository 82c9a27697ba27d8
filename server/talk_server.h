// The talk server's conversation: one stream link per party of a call. A link binds itself
// to its call with CallSetup (CallID and the party's endpoint); when both parties' setups are
// in, each gets CallAccept with the first common codecs and the media addresses to send to.
// Alert, connect, disconnect, hold and pause-video pass from one party to the other; DTMF
// digits are recorded (and given to the service of an echo call), never passed on; keep-alives
// are answered. The echo-test number is answered by the server itself. Link events and
// messages come in on the server's one thread; time comes in as a tick argument.
#pragma once

#include "server/echo_service.h"
#include "server/stream_links.h"
#include "server/talk_calls.h"
#include "server/talk_negotiation.h"
#include "server/talk_records.h"

#include <functional>
#include <string>
#include <vector>

namespace orv {

// Disconnect reasons the server gives of its own.
constexpr std::uint32_t kDisconnectBusy = 1;
constexpr std::uint32_t kDisconnectNegotiation = 3;
constexpr std::uint32_t kDisconnectServerHangup = 4;
constexpr std::uint32_t kDisconnectNetwork = 5;
constexpr std::uint32_t kDisconnectEstablishFailure = 6;
constexpr std::uint32_t kDisconnectNoAnswer = 16;

struct TalkServerConfig {
    std::uint32_t servId = 1;
    RendezvousAddresses rendezvous;
    std::size_t maxLinks = 4096;
};

class TalkServer {
public:
    using SendFunction = std::function<bool(LinkHandle link, const std::vector<std::uint8_t>& packet)>;
    // Closes a link later, outside the call that asks for it.
    using CloseFunction = std::function<void(LinkHandle link)>;
    // One machine-readable line (CALL, DTMF) for the operator.
    using ReportFunction = std::function<void(const std::string& line)>;

    TalkServer(TalkCallTable& calls, TalkRecords* records, const EchoService& echo, const TalkServerConfig& config,
               SendFunction send, CloseFunction close, ReportFunction report);

    void OnAccepted(LinkHandle link, std::uint32_t now);
    void OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t now);
    // A frame announcing more than any talk message: the link is closed.
    void OnOversizeFrame(LinkHandle link, std::uint32_t length);
    void OnLinkGone(LinkHandle link, std::uint32_t now);
    // Ends calls stuck in a phase, closes links that serve no call, forgets ended calls.
    void OnTimer(std::uint32_t now);

    // Ends a call: CallDisconnect with reason to every linked party, the record completed.
    void EndCall(TalkCall& call, std::uint32_t reason, const char* endedBy, std::uint32_t now);
    // The called party handed the call on: newCalled takes its place and the call waits for
    // its CallSetup. The old party's link stays until it goes, but speaks no more for the call.
    void Redirect(TalkCall& call, const CallParty& newCalled, std::uint32_t now);

    // The CALL line of a talk request refused at once.
    void ReportRefused(const std::string& caller, const std::string& called, const char* result, std::int32_t reason);

    std::size_t LinkCount() const { return m_links.Size(); }
    std::vector<LinkHandle> Links() const { return m_links.Handles(); }
    const TalkServerConfig& Config() const { return m_config; }

private:
    struct LinkState {
        std::uint32_t callId = 0;
        Side side = Side::Caller;
        std::uint32_t idleSince = 0; // tick since when it serves no live call; 0 while it does
    };

    void OnKeepAlive(LinkHandle link, const TalkMessage& m);
    void OnSetup(LinkHandle link, const TalkMessage& m, std::uint32_t now);
    void OnCallMessage(TalkCall& call, Side side, LinkHandle link, const TalkMessage& m, std::uint32_t now);
    void OnHold(TalkCall& call, LinkHandle link, const TalkMessage& m, std::uint32_t now);
    void OnDigits(TalkCall& call, Side side, const std::string& digits);
    void TryAccept(TalkCall& call, std::uint32_t now);
    void SendAccept(TalkCall& call, Side side);
    void AnswerEcho(TalkCall& call, std::uint32_t now);
    void Relay(TalkCall& call, Side to, std::uint16_t type, std::uint32_t value);
    bool SendTo(TalkCall& call, Side side, const std::vector<std::uint8_t>& packet);
    void Refuse(LinkHandle link, std::uint32_t callId, std::uint32_t reason);
    // The call and side the link speaks for, or null when it speaks for none.
    TalkCall* BoundCall(LinkHandle link, Side* side);
    // Asks for the link to be closed, once; what it sends meanwhile is ignored.
    void Close(LinkHandle link);
    std::uint32_t NextSeq() { return m_seq++; }

    TalkCallTable& m_calls;
    TalkRecords* m_records;
    const EchoService& m_echo;
    TalkServerConfig m_config;
    SendFunction m_send;
    ReportFunction m_report;
    StreamLinks<LinkState> m_links;
    std::uint32_t m_seq = 1;
};

// What a record says of how a call ended.
const char* CallResult(const TalkCall& call, std::uint32_t reason, const std::string& endedBy);

} // namespace orv
