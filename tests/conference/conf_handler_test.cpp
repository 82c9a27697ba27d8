// The conference handler against a conference server of the test's own (the fake talk
// server on 127.0.0.1): the seat notices in the orders a server may send them, what the
// handler accepts and refuses, the events and their copies, commands and digits.
#include "client/call/call_state.h"
#include "client/conference/conf_events.h"
#include "client/conference/conf_serv_handler.h"
#include "client/net/msg_handler.h"
#include "tests/call/call_fixture.h"
#include "wire/byte_order.h"

namespace orv::test {
namespace {

constexpr std::uint32_t kOwnEndpoint = kTestEndpoint;

ConfSeatEntry Seat(std::uint8_t status, const std::string& number, std::uint32_t endpoint, std::uint16_t channel,
                   std::uint16_t video = 0) {
    ConfSeatEntry e;
    e.status = status;
    e.number = number;
    e.endpoint = endpoint;
    e.channel = channel;
    e.media = {4, video, 4, 0};
    return e;
}

struct ConfEventSeen {
    int code;
    ConfSeatEntry member;
};

class ConfHandlerTest : public CallTest {
protected:
    void StartConference(bool chairman) {
        m_goneBefore = m_owner.gone.load();
        if (chairman) SetCallState(CALLSTATE_SENDREQUEST, true);
        ConfEstablish n;
        n.callId = kTestCallId;
        n.chairman = "8001";
        n.confId = "555";
        n.invited = chairman ? "" : "8002";
        n.role = chairman ? kRoleChairman : 0;
        n.servId = kTestServId;
        n.servIP = 0x0100007F;
        n.servPort = m_server.Port();
        m_conf = new ConfServHandler(chairman ? "8001" : "8001", chairman ? "555" : "8002", "555", &m_owner, n, 0,
                                     false);
        m_handler = m_conf;
        m_conf->Start();
        ASSERT_TRUE(m_server.Accept());
        WaitLog("DoTCPKeepAlive CallID=");
        Expect(PKT_TALK_KEEPALIVE);
        Advance(kSetupDelayMs + 1);
        Expect(PKT_CALL_SETUP);
        SendAccept();
    }

    void Send(const std::vector<std::uint8_t>& packet) { m_server.Send(packet); }
    void SendMember(std::uint16_t type, const ConfSeatEntry& m) { Send(BuildConfMember(type, 0, kTestCallId, m)); }

    // The conference events (WM_USER+2) that carry seat data, in order; their copies are
    // read and freed here. A sentinel message makes sure everything before it was handled.
    std::vector<ConfEventSeen> SeatEvents(int untilCode) {
        std::vector<ConfEventSeen> seen;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            Pump();
            for (MSG& m : m_messages) {
                if (m.message != WM_CONF_EVENT || !ConfEventHasBlock(static_cast<int>(m.wParam)) || m.lParam == 0)
                    continue;
                std::unique_ptr<std::uint8_t[]> block(reinterpret_cast<std::uint8_t*>(m.lParam));
                m.lParam = 0;
                const int code = static_cast<int>(m.wParam);
                const int windowType = code == kConfEventStatus    ? kConfWindowStatus
                                       : code == kConfEventAlert   ? kConfWindowAlert
                                       : code == kConfEventConnect ? kConfWindowConnect
                                       : code == kConfEventInvite  ? kConfWindowInvite
                                                                   : kConfWindowDisconnect;
                ConfEventSeen e{code, {}};
                EXPECT_TRUE(ReadConfWindowBlock(windowType, block.get(), &e.member));
                seen.push_back(e);
            }
            if (!seen.empty() && seen.back().code == untilCode) return seen;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ADD_FAILURE() << "no event " << untilCode;
        return seen;
    }

    ConfServHandler* m_conf = nullptr;
};

TEST_F(ConfHandlerTest, ChairmanSeatsFollowTheServerAndRefuseWhatCannotBe) {
    EndpointID.store(kOwnEndpoint);
    StartConference(true);
    Expect(PKT_CALL_CONNECT); // the chairman connects as soon as it is accepted
    EXPECT_EQ(m_conf->GetHandlerName(), "ConfServHandler");

    // The status lists this client in seat 0: three events, never the own seat.
    Send(BuildConfStatus(0, kTestCallId,
                         {Seat(kSeatConnected, "8001", kOwnEndpoint, 0), Seat(kSeatConnected, "8002", 100, 1, 1),
                          ConfSeatEntry{}, Seat(kSeatInvited, "8004", 400, 3)}));
    std::vector<ConfEventSeen> events = SeatEvents(kConfEventStatus);
    while (events.size() < 3) {
        auto more = SeatEvents(kConfEventStatus);
        events.insert(events.end(), more.begin(), more.end());
    }
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].member.number, "8002");
    EXPECT_EQ(events[0].member.media[1], 1);
    EXPECT_EQ(events[2].member.endpoint, 400u);

    // Refused, each leaving its seat as it was and posting nothing: an alert for a free
    // seat, a connect with the right channel and another number, channel 4 everywhere.
    SendMember(kPktConfAlert, Seat(0, "8003", 300, 2));
    SendMember(kPktConfConnect, Seat(0, "8005", 400, 3));
    for (std::uint16_t type : {kPktConfMemberInvite, kPktConfAlert, kPktConfConnect, kPktConfDisconnect})
        SendMember(type, Seat(0, "8006", 600, 4));
    Send(TalkPacket(0x0A14, 0, kTestCallId, {1, 2, 3}));
    Send(TalkPacket(kPktConfNoAction, 0, kTestCallId, {}));
    // Accepted: an invitation and a connect straight after it (no alert).
    SendMember(kPktConfMemberInvite, Seat(0, "8003", 300, 2));
    SendMember(kPktConfConnect, Seat(0, "8003", 300, 2, 1));
    events = SeatEvents(kConfEventConnect);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, kConfEventInvite);
    EXPECT_EQ(events[1].member.number, "8003");
    EXPECT_EQ(events[1].member.media[1], 1);
    EXPECT_EQ(m_conf->Seats().Get(2).status, kSeatConnected);
    EXPECT_EQ(m_conf->Seats().Get(3).number, "8004");
    EXPECT_EQ(CountInLog("Error channel status in RefreshUserInfo by alert"), 1);
    EXPECT_EQ(CountInLog("Error user info in RefreshUserInfo by connect"), 1);
    for (const char* how : {"Invite", "alert", "connect", "disconnect"})
        EXPECT_EQ(CountInLog(std::string("Error channel num in RefreshUserInfo by ") + how), 1) << how;
    EXPECT_EQ(CountInLog("Unknow Conf Message type=0x0a14"), 1);

    // The chairman clears a seat that only rings.
    SendMember(kPktConfAlert, Seat(0, "8004", 400, 3));
    ConfSeatEntry left = Seat(0, "8004", 400, 3);
    left.reason = 16;
    SendMember(kPktConfDisconnect, left);
    events = SeatEvents(kConfEventDisconnect);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, kConfEventAlert);
    EXPECT_EQ(events[1].member.reason, 16u);
    EXPECT_EQ(m_conf->Seats().Get(3).status, kSeatFree);

    // Commands and digits: 31 digits go as 15 + 15 + 1, nothing for none.
    EXPECT_NE(m_conf->DoConfCmd(kConfCmdKick, 1), 0);
    TalkMessage cmd = Expect(kPktConfCmd);
    ASSERT_EQ(cmd.packet.size(), kConfCmdSize);
    EXPECT_EQ(cmd.packet[12], kConfCmdKick);
    EXPECT_EQ(GetU16LE(cmd.packet.data() + 13), 1);
    EXPECT_EQ(m_conf->DoConfDTMF(2, ""), 0);
    EXPECT_NE(m_conf->DoConfDTMF(2, "1234567890123451234567890123459"), 0);
    for (const char* part : {"123456789012345", "123456789012345", "9"}) {
        TalkMessage m = Expect(kPktConfDTMF);
        std::uint16_t channel = 0;
        std::string digits;
        ASSERT_TRUE(ParseConfDtmf(m.packet.data(), m.packet.size(), &channel, &digits));
        EXPECT_EQ(channel, 2);
        EXPECT_EQ(digits, part);
    }
    EXPECT_TRUE(m_server.Quiet());

    // Unregistered: nothing goes out.
    EndpointID.store(0);
    EXPECT_EQ(m_conf->DoConfCmd(kConfCmdVideoRequest, 1), 0);
    EXPECT_EQ(m_conf->DoConfDTMF(1, "12"), 0);
    EXPECT_EQ(CountInLog("DoConfCmd Local EndpointID=0, means not registered"), 1);
    EXPECT_EQ(CountInLog("DoCallDTMF Local EndpointID=0, means not registered"), 1);
    EXPECT_TRUE(m_server.Quiet());
    EndpointID.store(kOwnEndpoint);
}

TEST_F(ConfHandlerTest, InvitedMemberRingsLikeACallAndIgnoresSeatsItCannotClear) {
    EndpointID.store(kOwnEndpoint);
    StartConference(false);
    Expect(PKT_CALL_ALERT); // it rings: an ordinary incoming call until answered
    ASSERT_TRUE(WaitEvent(kTalkAlertSent));
    EXPECT_NE(m_conf->DoCallConnect(), 0);
    Expect(PKT_CALL_CONNECT);

    Send(BuildConfStatus(0, kTestCallId,
                         {Seat(kSeatConnected, "8001", 10, 0), Seat(kSeatConnected, "8002", kOwnEndpoint, 1),
                          Seat(kSeatInvited, "8003", 300, 2), ConfSeatEntry{}}));
    // An invited member tracks invitations and alerts but posts no event for them, and
    // ignores a disconnect of a seat that only rings.
    SendMember(kPktConfMemberInvite, Seat(0, "8004", 400, 3));
    SendMember(kPktConfAlert, Seat(0, "8004", 400, 3));
    SendMember(kPktConfDisconnect, Seat(0, "8004", 400, 3));
    SendMember(kPktConfConnect, Seat(0, "8003", 300, 2));
    std::vector<ConfEventSeen> events = SeatEvents(kConfEventConnect);
    int statuses = 0;
    for (const ConfEventSeen& e : events) {
        statuses += e.code == kConfEventStatus ? 1 : 0;
        EXPECT_NE(e.member.endpoint, kOwnEndpoint);
        EXPECT_NE(e.code, kConfEventInvite);
        EXPECT_NE(e.code, kConfEventAlert);
        EXPECT_NE(e.code, kConfEventDisconnect);
    }
    EXPECT_EQ(statuses, 3);
    EXPECT_EQ(m_conf->Seats().Get(3).status, kSeatAlerting);
    EXPECT_EQ(CountInLog("Error channel status in RefreshUserInfo by disconnect"), 1);
}

} // namespace
} // namespace orv::test
