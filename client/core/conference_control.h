// ConferenceControl: the conference window's behaviour below the front-ends, so that orvcli
// and the desktop client show and do the same. It is the user-server session's conference
// window: it takes the conference events (WM_USER+5), keeps the member rows (four, filled
// from the top) and the message log (the 20 newest lines, each "[hh:mm:ss] text"), asks for
// a connected member's video when that member sends video, and runs the conference commands
// (room request, invite, video on/off, kick, digits to a seat, leave). It reports as core
// events:
//   conf_event type= [reason=] (text: the message line, when the event has one)
//   conf_member seat= number= endpoint= state=invited|alerting|connected|left [video=0|1] [reason=]
//   conf_reset closes=0|1         the room ended here (rows and invited list emptied);
//                                 closes=1 when it was another's room, whose window goes
// Threads: it lives on the core's thread; events arrive by PostMessage.
#pragma once

#include "client/core/client_core.h"
#include "wire/conf_messages.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

class ConfServHandler;

struct ConfMemberRow {
    std::string number;
    std::uint32_t endpoint = 0; // 0 = an empty row
    bool showingVideo = false;
    std::uint16_t channel = 0;
    std::string name;
};

constexpr std::size_t kConfLogLines = 20;

class ConferenceControl {
public:
    // core must have started (its user-server handler exists). clock: local seconds of the
    // day for the log prefix (null: the local time).
    explicit ConferenceControl(ClientCore& core, std::function<int()> secondsOfDay = nullptr);
    ~ConferenceControl();
    ConferenceControl(const ConferenceControl&) = delete;
    ConferenceControl& operator=(const ConferenceControl&) = delete;

    // The commands. False with a reason in *error when refused here.
    bool Request(std::string* error);
    bool Invite(const std::string& number, std::string* error);
    bool VideoOn(int seat, std::string* error);
    bool VideoOff(int seat, std::string* error);
    bool Kick(int seat, std::string* error);
    bool Digits(int seat, const std::string& digits, std::string* error);
    bool Leave(std::string* error);

    std::vector<ConfMemberRow> Rows() const;
    // This side's own room (it may ask for a room and invite), not one it was invited to.
    bool OwnRoom() const { return m_ownRoom; }
    // A conference handler is this side's current call; chairman: this side opened the room.
    bool InConference() const;
    bool Chairman() const;
    std::deque<std::string> LogLines() const { return m_log; }
    // A conference event as the session posts it (tests drive it directly).
    void OnEvent(int type, LPARAM value);

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnSeatEvent(int type, const ConfSeatEntry& member);
    void AddMember(const ConfSeatEntry& member, const std::string& name);
    void RemoveMember(int channel);
    int RowOf(int channel) const;
    void RequestVideo(const ConfSeatEntry& member);
    void Reset();
    void AddText(const std::string& text);
    void EmitMember(const ConfSeatEntry& member, const char* state);
    // The name for a member: its invited-list entry (taken out when take is set), the
    // friend list, or the number itself.
    std::string NameOf(const std::string& number, bool take);
    // Runs f on the current call handler when it is the conference handler.
    bool WithHandler(const std::function<int(ConfServHandler&)>& f, std::string* error);
    std::string Text(int number) const;

    ClientCore& m_core;
    std::function<int()> m_secondsOfDay;
    std::unique_ptr<FunctionWindow> m_window;
    std::array<ConfMemberRow, kConfSeats> m_rows;
    std::deque<std::string> m_log;
    bool m_ownRoom = true;   // the window serves this side's own room
    bool m_requested = false; // this side asked for the room
};

} // namespace orv
