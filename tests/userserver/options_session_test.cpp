// Service options through the handler's real receive path: forwarding and its cache, the
// call forward, the bind option, support entries kept once, offline calls into the call
// record store, and the password change.
#include "client/data/call_record.h"
#include "client/data/user_list_file.h"
#include "client/userserver/option_packets.h"
#include "platform/paths.h"
#include "tests/handlers/session_fixture.h"

#include <cstring>

namespace orv::test {
namespace {

std::vector<std::uint8_t> Text(const std::string& text, std::size_t field) {
    std::vector<std::uint8_t> out(field, 0);
    std::memcpy(out.data(), text.data(), std::min(text.size(), field - 1));
    return out;
}

std::vector<std::uint8_t> ForwardBody(std::uint8_t flag, const std::string& offline, const std::string& busy,
                                      const std::string& noAnswer, const std::string& always) {
    return Cat({U8(flag), Text(offline, 32), Text(busy, 32), Text(noAnswer, 32), Text(always, 32)});
}

class OptionsSession : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        m_handler->SetForwardWindow(m_window->GetSafeHwnd());
        m_handler->SetPasswordWindow(m_window->GetSafeHwnd());
        m_sent = LogOn();
    }
    std::size_t Count(UINT message) {
        Fence(); // everything the server sent so far has been handled and posted
        std::size_t n = 0;
        for (const MSG& m : TakeMessages()) n += m.message == message;
        return n;
    }
    // Answers a fresh get-forwarding request with body.
    void GetForward(const std::vector<std::uint8_t>& body) {
        m_handler->DoGetInfoRequest(PKT_GET_FORWARD, 5, 0);
        m_server.Send(PKT_GET_FORWARD, Expect(PKT_GET_FORWARD).seqNum, body);
        Fence();
    }
    std::map<std::uint16_t, Datagram> m_sent;
};

TEST_F(OptionsSession, AllEmptyForwardingIsStoredWithFlag0AndABusyCallIsNotForwarded) {
    GetForward(Cat({U8(0), ForwardBody(1, "", "", "", "")}));
    EXPECT_TRUE(WaitLog("GetForward Info Success, Offline=, Busy=, NoAnswer=, Always="));
    ForwardRecord cache;
    ASSERT_TRUE(m_handler->GetForwardInfo(&cache));
    EXPECT_EQ(cache.flag, 0);
    EXPECT_EQ(Count(WM_OPTIONS_CHANGED), 1u);
    EXPECT_EQ(m_handler->DoCallForward(kForwardBusy, 3, 4, "8002"), 0);
    Fence();
    EXPECT_FALSE(m_server.Receive(100).has_value());
}

TEST_F(OptionsSession, CallForwardGoesOnlyForBusyOrNoAnswerWithANumber) {
    EXPECT_EQ(m_handler->DoCallForward(kForwardBusy, 3, 4, "8002"), 0) << "no cache yet";
    GetForward(Cat({U8(0), ForwardBody(1, "7001", "7002", "", "7004")}));
    for (int type : {1, 4, kForwardNoAnswer}) EXPECT_EQ(m_handler->DoCallForward(type, 3, 4, "8002"), 0) << type;
    ASSERT_NE(m_handler->DoCallForward(kForwardBusy, 0x01020304, 0x0A0B0C0D, "8002"), 0);
    Datagram forward = Expect(PKT_CALL_FORWARD); // the first datagram: nothing went before it
    ASSERT_EQ(forward.payload.size(), 81u);
    const std::uint8_t* b = forward.payload.data() + 8;
    EXPECT_EQ(b[0], kForwardBusy);
    EXPECT_EQ(GetU32LE(b + 1), 0x0A0B0C0Du); // CallID, then ServID
    EXPECT_EQ(GetU32LE(b + 5), 0x01020304u);
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 9), "8002");
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 41), "7002");
    EXPECT_TRUE(WaitLog("Do CallForward, type=2, ServID=16909060, callID=168496141, caller=8002, called=7002"));
    Advance(30000);
    std::optional<Datagram> again;
    while ((again = m_server.Receive(100)))
        EXPECT_NE(again->type, PKT_CALL_FORWARD) << "a call forward is sent once";
}

TEST_F(OptionsSession, ForwardNotReadyIsAskedAgainHalfASecondLater) {
    GetForward(Cat({U8(255), U32(static_cast<std::uint32_t>(-17))}));
    EXPECT_TRUE(WaitLog("Get Forward Info Error, reason=-17"));
    ForwardRecord cache;
    EXPECT_FALSE(m_handler->GetForwardInfo(&cache));
    Advance(400);
    EXPECT_FALSE(m_server.Receive(100).has_value());
    Advance(200);
    Expect(PKT_GET_FORWARD);
}

TEST_F(OptionsSession, RefusedSetForwardingStillLeavesTheRequestInTheCache) {
    ForwardRecord record;
    record.flag = 1;
    record.busy = "7002";
    ASSERT_NE(m_handler->SetForwardInfo(record), 0);
    Datagram set = Expect(PKT_SET_FORWARD);
    ASSERT_EQ(set.payload.size(), 137u);
    m_server.Send(PKT_SET_FORWARD, set.seqNum, Cat({U8(255), U32(3)}));
    MSG result = WaitMessage(WM_FORWARD_RESULT);
    EXPECT_EQ(result.wParam, 255u);
    EXPECT_EQ(result.lParam, 3);
    ForwardRecord cache;
    ASSERT_TRUE(m_handler->GetForwardInfo(&cache));
    EXPECT_EQ(cache, record);
}

TEST_F(OptionsSession, SameBindOptionSendsNothingAnotherIsSentAndStoredOnSuccess) {
    EXPECT_EQ(m_handler->GetBindIDOpt(), '0'); // from the logon
    EXPECT_EQ(m_handler->DoSetBindIDOpt('0'), 1);
    ASSERT_NE(m_handler->DoSetBindIDOpt('1'), 0);
    Datagram set = Expect(PKT_SET_BIND_OPT); // the first datagram: '0' sent nothing
    ASSERT_EQ(set.payload.size(), 81u);
    EXPECT_EQ(set.payload[80], '1');
    EXPECT_STREQ(reinterpret_cast<const char*>(set.payload.data() + 8), "8001");
    m_server.Send(PKT_SET_BIND_OPT, set.seqNum, U8(0));
    MSG result = WaitMessage(WM_BIND_RESULT);
    EXPECT_EQ(result.wParam, 0u);
    EXPECT_EQ(result.lParam, '1');
    EXPECT_EQ(m_handler->GetBindIDOpt(), '1');
}

TEST_F(OptionsSession, ASecondSupportAnswerKeepsTheFirstBlock) {
    // The number to call in the first 32 bytes, the text in the last 32.
    auto entry = [](const std::string& text) { return Cat({Text("8003", 32), Text(text, 32)}); };
    m_handler->DoGetInfoRequest(PKT_SUPPORT_INFO, 5, 0);
    m_server.Send(PKT_SUPPORT_INFO, Expect(PKT_SUPPORT_INFO).seqNum, Cat({U16(2), entry("Help desk"), entry("Web")}));
    m_handler->DoGetInfoRequest(PKT_SUPPORT_INFO, 5, 0);
    m_server.Send(PKT_SUPPORT_INFO, Expect(PKT_SUPPORT_INFO).seqNum, Cat({U16(1), entry("Other")}));
    Fence();
    std::vector<SupportEntry> kept = m_handler->GetSupportInfo();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(SupportEntryNumber(kept[0]), "8003");
    EXPECT_EQ(SupportEntryText(kept[0]), "Help desk");
    EXPECT_EQ(SupportEntryText(kept[1]), "Web");
}

TEST_F(OptionsSession, OfflineCallsGoToTheRecordStoreLastToFirstOnce) {
    auto call = [](const std::string& caller, std::uint32_t time, std::uint8_t kind) {
        return Cat({U8(0), Text(caller, 32), Text("8001", 32), U32(time), U8(kind)});
    };
    m_handler->DoGetInfoRequest(PKT_OFFLINE_CALLS, 5, 0);
    Datagram request = Expect(PKT_OFFLINE_CALLS);
    const std::vector<std::uint8_t> body = Cat({U16(2), call("8002", 1000, 1), call("8003", 2000, 2)});
    m_server.Send(PKT_OFFLINE_CALLS, request.seqNum, body);
    m_server.Send(PKT_OFFLINE_CALLS, request.seqNum, body); // a duplicate answer
    Fence();
    std::vector<CallRecord> records;
    for (const CallRecord& r : m_records->Records())
        if (r.listType == kOfflineCall) records.push_back(r);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].caller, "8003");
    EXPECT_EQ(records[0].madeTime, 2000u);
    EXPECT_EQ(records[0].conference, 1u);
    EXPECT_EQ(records[1].caller, "8002");
    EXPECT_EQ(Count(WM_OPTIONS_CHANGED), 1u);

    // A list that is not ready is asked for again a second later.
    m_handler->DoGetInfoRequest(PKT_OFFLINE_CALLS, 5, 0);
    m_server.Send(PKT_OFFLINE_CALLS, Expect(PKT_OFFLINE_CALLS).seqNum, U16(0xFFFF));
    Fence();
    Advance(1100);
    Expect(PKT_OFFLINE_CALLS);
}

TEST_F(OptionsSession, PasswordChangeBecomesTheNextOldPasswordAndTheRememberedOne) {
    const std::string oldField = m_handler->GetPasswordField();
    m_handler->SetRememberPassword(true);
    ASSERT_NE(m_handler->DoSetPwd("NEW-DIGEST"), 0);
    Datagram set = Expect(PKT_SET_PASSWORD);
    ASSERT_EQ(set.payload.size(), 120u);
    EXPECT_STREQ(reinterpret_cast<const char*>(set.payload.data() + 8), "8001");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(set.payload.data() + 40)), oldField);
    EXPECT_STREQ(reinterpret_cast<const char*>(set.payload.data() + 80), "NEW-DIGEST");
    m_server.Send(PKT_SET_PASSWORD, set.seqNum, Cat({U8(0), U32(0)}));
    EXPECT_EQ(WaitMessage(WM_PASSWORD_RESULT).wParam, 0u);
    EXPECT_EQ(m_handler->GetPasswordField(), "NEW-DIGEST");
    std::vector<std::string> users = ReadUserListFile(JoinPath(m_home, kUserListFile));
    ASSERT_FALSE(users.empty());
    EXPECT_EQ(users[0], "8001,NEW-DIGEST");

    // A refused change keeps the password.
    m_handler->DoSetPwd("OTHER");
    m_server.Send(PKT_SET_PASSWORD, Expect(PKT_SET_PASSWORD).seqNum, Cat({U8(255), U32(4)}));
    Fence();
    EXPECT_EQ(m_handler->GetPasswordField(), "NEW-DIGEST");
}

TEST_F(OptionsSession, NotRegisteredSendsNothing) {
    m_handler->CancelLogin();
    ForwardRecord record;
    record.busy = "1";
    EXPECT_EQ(m_handler->SetForwardInfo(record), 0);
    EXPECT_EQ(m_handler->DoSetPwd("X"), 0);
    EXPECT_EQ(m_handler->DoSetBindIDOpt('1'), 0);
    EXPECT_TRUE(WaitLog("DoSetPwd Local EndpointID=0, means not registered"));
    EXPECT_FALSE(m_server.Receive(100).has_value());
}

} // namespace
} // namespace orv::test
