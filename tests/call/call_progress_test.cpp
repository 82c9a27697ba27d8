// The call-progress tables: every WM_USER+5 code and reason to its text, tone and display
// state, with the real English texts.
#include "client/call/call_progress.h"
#include "client/text/text_table.h"

#include <gtest/gtest.h>

#include <string>

namespace orv {
namespace {

class CallProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        texts.Fill();
        texts.SetLanguage(kLanguageEnglish);
    }
    std::string Show(const ProgressText& t) const { return ProgressTextString(t, texts, "8002", "Bob"); }
    std::string ShowStep(int code, std::intptr_t value, CallKind kind = {}) const {
        return Show(CallProgressFor(code, value, kind).text);
    }
    TextTable texts;
};

TEST_F(CallProgressTest, RefusalReasonsOfTheUserServer) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {-1, "System Busy"},
        {-2, "ORV number does not exist"},
        {-3, "Invalid password"},
        {-5, "ORV number is in black list"},
        {-6, "Invalid user type"},
        {-7, "Expired ORV number/account"},
        {-8, "ORV number locked (more than 30 times error password tried)"},
        {-9, "ORV number is not active"},
        {-10, "8002 is offline"},
        {-11, "System Busy"},
        {-12, "System Busy"},
        {-14, "Busy: 8002 "}, // the number and an empty name
        {-16, "Service not subscribed"},
        {-4, ""},
        {-13, ""},
        {-15, ""},
        {0, ""},
        {7, ""},
    };
    for (const auto& [reason, text] : cases) EXPECT_EQ(Show(RefusalText(reason)), text) << reason;
}

TEST_F(CallProgressTest, DisconnectReasons) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "Hangup: 8002 Bob"},
        {1, "Busy: 8002 Bob"},
        {18, "Busy: 8002 Bob"},
        {2, "Refused: 8002 Bob"},
        {3, "Call abort, negotiation failure"},
        {4, "Call abort, server side hangup"},
        {5, "Call abort, network abnormal"},
        {6, "Call abort, establish failure"},
        {7, "Call abort, establish failure"},
        {9, "Call abort, establish failure"},
        {10, "Call abort, establish failure"},
        {14, "Call abort, establish failure"},
        {8, "Not enough balance"},
        {11, "Conference seat canceled by chairman"},
        {13, "System Busy"},
        {16, "Ring timeout"},
        {17, "Chairman leave the conference, room closed"},
        {20, "Chairman leave the conference, room closed"},
        {19, ""},
        {21, "Idle timeout, room closed"},
        {12, "Call abort, unknown reason"},
        {15, "Call abort, unknown reason"},
        {22, "Call abort, unknown reason"},
        {0xFFFFFFFFu, "Call abort, unknown reason"},
    };
    for (const auto& [reason, text] : cases) EXPECT_EQ(Show(DisconnectText(reason)), text) << reason;
}

TEST_F(CallProgressTest, ServerCodesInBit24SelectTheirTexts) {
    const char* const expected[] = {
        "ORV number does not exist", "Invalid password", "Not enough balance", "ORV number locked",
        "Expired ORV account", "Invalid binded IP address", "ORV account locked", "Invalid ORV number",
        "black list (more than 30 times error password tried)", "Invalid user type", "Illegal call",
        "Illegal call", "Call not permitted", "Forbidden call",
    };
    for (std::uint32_t code = 1; code <= 14; ++code)
        EXPECT_EQ(Show(DisconnectText(kReasonServerCodeBit | code)), expected[code - 1]) << code;
    // Outside 1..14 the low part names nothing.
    EXPECT_EQ(Show(DisconnectText(kReasonServerCodeBit)), "Call abort, unknown reason");
    EXPECT_EQ(Show(DisconnectText(kReasonServerCodeBit | 15)), "Call abort, unknown reason");
    EXPECT_EQ(Show(DisconnectText(kReasonServerCodeBit | 32)), "Call abort, unknown reason");
    // Another high bit beside bit 24 is not a server code.
    EXPECT_EQ(Show(DisconnectText(kReasonServerCodeBit | 0x02000000 | 2)), "Call abort, unknown reason");
}

TEST_F(CallProgressTest, EveryCodeGivesItsTextToneAndView) {
    struct Row {
        int code;
        std::intptr_t value;
        const char* text;
        const char* tone;
        bool silence;
        bool changesView;
        CallView view;
    };
    const Row rows[] = {
        {0, 1, "", "", false, false, CallView::Idle},
        {1, 0, "Calling: 8002 Bob", "", false, true, CallView::Calling},
        {2, -10, "8002 is offline", "IDR_WAVEBUSY", false, true, CallView::Ended},
        {3, 1, "Busy: 8002 Bob", "IDR_WAVEBUSY", false, true, CallView::Ended},
        {4, 0, "Hangup", "", true, true, CallView::Ended},
        {5, 0, "Ringing: 8002 Bob", "IDR_WAVERING", false, true, CallView::Ringing},
        {6, 0, "Incoming: 8002 Bob", "", false, true, CallView::Incoming},
        {7, 0, "Talking: 8002 Bob", "", true, true, CallView::Talking},
        {8, 0, "Talking: 8002 Bob", "", true, true, CallView::Talking},
        {9, 0, "Call establish timeout", "", false, true, CallView::Ended},
        {10, 0, "Ring timeout", "", false, true, CallView::Ended},
        {11, 0, "Network error", "", false, true, CallView::Ended},
        {12, 0, "Connecting timeout", "", false, true, CallView::Ended},
        {13, 0, "Network error", "", false, true, CallView::Ended},
        {23, 1, "Call Forwarding", "", false, false, CallView::Idle},
        {23, 0, "", "", false, false, CallView::Idle},
        {24, 1, "", "", false, false, CallView::Idle},
        {14, 0, "", "", false, false, CallView::Idle}, // a conference code is nothing here
        {99, 0, "", "", false, false, CallView::Idle},
    };
    for (const Row& r : rows) {
        CallProgressStep s = CallProgressFor(r.code, r.value, {});
        EXPECT_EQ(Show(s.text), r.text) << r.code;
        EXPECT_STREQ(s.tone, r.tone) << r.code;
        EXPECT_EQ(s.silence, r.silence) << r.code;
        EXPECT_EQ(s.changesView, r.changesView) << r.code;
        if (r.changesView) {
            EXPECT_EQ(s.view, r.view) << r.code;
        }
    }
}

TEST_F(CallProgressTest, SideEffectsOfTheCallEvents) {
    CallProgressStep calling = CallProgressFor(kCallCalling, 0, {});
    EXPECT_TRUE(calling.redialTip);

    CallProgressStep incoming = CallProgressFor(kCallIncoming, 0, {});
    EXPECT_TRUE(incoming.alert);
    EXPECT_TRUE(incoming.restoreWindow);
    EXPECT_EQ(incoming.callTip, kTextAcceptTip);

    CallProgressStep talking = CallProgressFor(kCallTalking, 0, {});
    EXPECT_TRUE(talking.talkStart);
    EXPECT_TRUE(talking.showVideo);
    EXPECT_FALSE(talking.extensionTimer);
    CallProgressStep media = CallProgressFor(kCallMediaOpen, 0, {});
    EXPECT_TRUE(media.talkStart);
    EXPECT_TRUE(media.extensionTimer); // started before the talk starts

    for (int code : {kCallEndedRemote, kCallEndedLocal}) {
        CallProgressStep end = CallProgressFor(code, 0, {});
        EXPECT_TRUE(end.callEnd) << code;
        EXPECT_TRUE(end.leftTextFirst) << code;
        EXPECT_EQ(end.callTip, kTextCallTip) << code;
    }
    EXPECT_TRUE(CallProgressFor(kCallLinkLost, 0, {}).callEnd);
    for (int code : {kCallRefused, kCallSetupTimeout, kCallRingTimeout, kCallLinkFailed,
                     kCallConnectTimeout})
        EXPECT_FALSE(CallProgressFor(code, 0, {}).callEnd) << code;
    EXPECT_TRUE(CallProgressFor(kCallVideoPaused, 1, {}).videoPause);
}

TEST_F(CallProgressTest, ConferenceConversationTexts) {
    CallKind member{true, false};
    CallKind chair{true, true};
    EXPECT_EQ(ShowStep(kCallIncoming, 0, member), "Conference invitation from 8002");
    EXPECT_EQ(ShowStep(kCallTalking, 0, member), "join 8002's conference");
    EXPECT_EQ(ShowStep(kCallMediaOpen, 0, chair), "Conferencing");
    EXPECT_FALSE(CallProgressFor(kCallTalking, 0, chair).showVideo);
}

TEST_F(CallProgressTest, ReasonsArriveAsWideValues) {
    // A negative reason sign-extended into the 64-bit value still selects its text, and a
    // 32-bit disconnect reason with bit 31 set is not a negative refusal.
    EXPECT_EQ(ShowStep(kCallRefused, static_cast<std::intptr_t>(-2)), "ORV number does not exist");
    EXPECT_EQ(ShowStep(kCallRefused, static_cast<std::intptr_t>(0xFFFFFFFEu)), "ORV number does not exist");
    EXPECT_EQ(ShowStep(kCallEndedRemote, static_cast<std::intptr_t>(kReasonServerCodeBit | 2)),
              "Invalid password");
}

TEST_F(CallProgressTest, PeerTextsNeverReadTheNumberAsAFormat) {
    EXPECT_EQ(ProgressTextString({30, TextFill::NumberName}, texts, "%s%n", "%d"), "Calling: %s%n %d");
    EXPECT_EQ(ProgressTextString({}, texts, "8002", "Bob"), "");
}

TEST_F(CallProgressTest, ChineseTexts) {
    texts.SetLanguage(kLanguageChinese);
    EXPECT_EQ(ShowStep(kCallRefused, -10), "8002 " + texts.Text(19));
    EXPECT_NE(ShowStep(kCallCalling, 0), "Calling: 8002 Bob");
    EXPECT_NE(ShowStep(kCallCalling, 0).find("8002 Bob"), std::string::npos);
}

} // namespace
} // namespace orv
