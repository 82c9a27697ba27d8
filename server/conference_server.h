// The conference server's conversation: one stream link per member of a room. A member binds
// its link to its seat with CallSetup (the room's CallID and its endpoint) and gets
// CallAccept with codecs and the conference's media ports. An invited member rings (CallAlert)
// and answers (CallConnect); the chairman connects at once. Every seat change reaches the
// chairman and the connected members as ConfMemberInvite, ConfAlert, ConfConnect or
// ConfDisconnect, and a member that connects gets the whole seat table (ConfStatus). ConfCmd
// asks for (or cancels) a member's video, kicks a member (chairman only) or says an invited
// member answered; ConfDTMF digits are recorded. The room ends when the chairman leaves or
// its link goes, when the chairman never sets up, and after a long time with nobody but the
// chairman in it; a member whose link goes frees its seat. Everything runs on the server's
// one thread; time comes in as a tick argument.
#pragma once

#include "server/conference_rooms.h"
#include "server/stream_links.h"

#include <functional>
#include <string>
#include <vector>

namespace orv {

// Disconnect reasons of the conference server beside those of the talk server.
constexpr std::uint32_t kConfReasonRoomEnded = 4; // the server ended it (the chairman never came)
constexpr std::uint32_t kConfReasonLinkLost = 5;
constexpr std::uint32_t kConfReasonKicked = 11;   // the chairman cancelled the seat
constexpr std::uint32_t kConfReasonNoAnswer = 16;
constexpr std::uint32_t kConfReasonChairmanLeft = 17;
constexpr std::uint32_t kConfReasonIdle = 21;

struct ConferenceServerConfig {
    std::uint32_t servId = 2;
    MediaAddress audio; // the conference media ports as the members reach them
    MediaAddress video;
    std::size_t maxLinks = 4096;
    std::uint32_t idleRoomMs = 600000; // a room with nobody but its chairman ends after this
};

class ConferenceServer {
public:
    using SendFunction = std::function<bool(LinkHandle link, const std::vector<std::uint8_t>& packet)>;
    using CloseFunction = std::function<void(LinkHandle link)>;
    using ReportFunction = std::function<void(const std::string& line)>;

    ConferenceServer(ConfRoomTable& rooms, const ConferenceServerConfig& config, SendFunction send,
                     CloseFunction close, ReportFunction report);

    void OnAccepted(LinkHandle link, std::uint32_t now);
    void OnMessage(LinkHandle link, const std::uint8_t* data, std::size_t size, std::uint32_t now);
    void OnOversizeFrame(LinkHandle link, std::uint32_t length);
    void OnLinkGone(LinkHandle link, std::uint32_t now);
    void OnTimer(std::uint32_t now);

    // The user server placed an invitation in a seat: the members hear of it.
    void OnInvited(ConfRoom& room, int seat);
    void EndRoom(ConfRoom& room, std::uint32_t reason, const char* endedBy, std::uint32_t now);

    bool Serves(LinkHandle link) const { return m_links.Serves(link); }
    std::vector<LinkHandle> Links() const { return m_links.Handles(); }
    const ConferenceServerConfig& Config() const { return m_config; }

private:
    struct LinkState {
        std::uint32_t roomId = 0;
        int seat = -1;
        std::uint32_t idleSince = 0;
    };

    void OnSetup(LinkHandle link, const CallSetup& setup, std::uint32_t seq, std::uint32_t now);
    void OnSeatMessage(ConfRoom& room, int seat, LinkHandle link, std::uint16_t type, const TalkMessage& m,
                       std::uint32_t now);
    void OnConnect(ConfRoom& room, int seat, std::uint32_t now);
    void OnCmd(ConfRoom& room, int seat, const std::uint8_t* data, std::size_t size, std::uint32_t now);
    void OnDigits(ConfRoom& room, int seat, const std::uint8_t* data, std::size_t size);
    MediaParams Negotiate(ConfRoom& room, const CallSetup& setup) const;
    // Takes the member out of its seat; the others hear ConfDisconnect with the reason.
    void FreeSeat(ConfRoom& room, int seat, std::uint32_t reason, std::uint32_t now);
    // To the chairman and the connected members, except one seat (-1: none).
    void Broadcast(ConfRoom& room, const std::vector<std::uint8_t>& packet, int except);
    void SendToSeat(ConfRoom& room, int seat, const std::vector<std::uint8_t>& packet);
    ConfRoom* BoundRoom(LinkHandle link, int* seat);
    void Close(LinkHandle link);
    std::uint32_t NextSeq() { return m_seq++; }

    ConfRoomTable& m_rooms;
    ConferenceServerConfig m_config;
    SendFunction m_send;
    ReportFunction m_report;
    StreamLinks<LinkState> m_links;
    std::uint32_t m_seq = 1;
};

} // namespace orv
