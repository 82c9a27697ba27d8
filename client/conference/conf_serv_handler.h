// ConfServHandler: the conversation with a conference server, the conference variant of the
// talk-server handler. It runs the whole per-call conversation of TalkServHandler (link,
// setup, accept, alert, connect, disconnect, keep-alive, media) and adds the room's four
// seats, the invited list, the seat notices of the server and the commands and digits
// towards one seat. The chairman (the one who asked for the room) connects as soon as the
// server accepts it; an invited member rings like an ordinary incoming call and answers with
// CallConnect, then conference command 8.
//
// Events (besides the talk codes): see conf_events.h; each carries a new[] copy of the
// member data. A ConfStatus posts one status event per seat that is not this client's own.
//
// Threads: messages arrive on the network thread, commands come from the user interface;
// the seat table has its own lock, taken before (never while) the media lock.
#pragma once

#include "client/call/talk_serv_handler.h"
#include "client/conference/conf_invited_list.h"
#include "client/conference/conf_seat_table.h"
#include "wire/conf_messages.h"

#include <string>

namespace orv {

constexpr char kConfHandlerName[] = "ConfServHandler";

// The talk-handler view of a conference establish notice: the conference server as the
// talk server, no peer media addresses, the caller role for the chairman.
TalkEstablish TalkEstablishOf(const ConfEstablish& notice);

class ConfServHandler : public TalkServHandler {
public:
    ConfServHandler(const std::string& callerId, const std::string& calledId, const std::string& originalId,
                    CallOwner* owner, const ConfEstablish& notice, HWND remoteVideoWindow, bool videoSend);

    // Command towards a seat (1 video request, 2 video cancel, 5 kick, 8 answered with 0).
    int DoConfCmd(std::uint8_t cmdType, std::uint16_t relatedId);
    // Digits towards a seat, at most 15 a message.
    int DoConfDTMF(std::uint16_t channel, const std::string& digits);

    ConfSeatTable& Seats() { return m_seats; }
    ConfInvitedList& Invited() { return m_invited; }

protected:
    bool DispatchOther(const PacketHeader& header, const std::uint8_t* message, std::size_t size) override;
    bool IsConferenceVariant() const override { return true; }

private:
    void OnConfStatus(const std::uint8_t* message, std::size_t size);
    void OnConfMember(std::uint16_t type, const std::uint8_t* message, std::size_t size);

    ConfSeatTable m_seats;
    ConfInvitedList m_invited;
};

} // namespace orv
