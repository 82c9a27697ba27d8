// The call state's transition table, every state against every request for both roles,
// and the WM_USER+5 posted for each request whether it was allowed or not.
#include "client/call/call_state.h"
#include "platform/message.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

namespace orv::test {
namespace {

// The allowed requests written out one by one: (current, requested, caller).
const std::set<std::tuple<int, int, bool>>& Allowed() {
    static const std::set<std::tuple<int, int, bool>> allowed = [] {
        std::set<std::tuple<int, int, bool>> a;
        for (int s = 0; s <= 8; ++s)
            for (bool c : {false, true}) {
                a.insert({s, 0, c});
                if (s != 0) {
                    a.insert({s, 7, c});
                    a.insert({s, 8, c});
                }
            }
        a.insert({0, 1, false});
        a.insert({2, 1, true});
        a.insert({0, 2, false});
        a.insert({0, 2, true});
        a.insert({0, 3, false});
        a.insert({2, 4, true});
        a.insert({4, 4, true});
        a.insert({3, 5, false});
        a.insert({2, 5, true});
        a.insert({4, 6, true});
        a.insert({5, 6, false});
        return a;
    }();
    return allowed;
}

TEST(CallStateTable, EveryRequestFromEveryStateForBothRoles) {
    int allowedCount = 0;
    for (int s = 0; s <= 8; ++s)
        for (int t = 0; t <= 10; ++t)
            for (bool c : {false, true}) {
                int next = -1;
                bool allowed = CallStateAllows(s, t, c, &next);
                bool expected = Allowed().count({s, t, c}) != 0;
                EXPECT_EQ(allowed, expected) << "state " << s << " request " << t << " caller " << c;
                int expectedNext = (expected && t != CALLSTATE_SENDSETUP) ? t : s;
                EXPECT_EQ(next, expectedNext) << "state " << s << " request " << t << " caller " << c;
                allowedCount += allowed ? 1 : 0;
            }
    EXPECT_EQ(allowedCount, static_cast<int>(Allowed().size()));
}

TEST(CallStateTable, NegativeRequestsAreRefused) {
    int next = -1;
    EXPECT_FALSE(CallStateAllows(0, -1, true, &next));
    EXPECT_EQ(next, 0);
}

class CallStatePosts : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<FunctionWindow>([this](UINT message, WPARAM wParam, LPARAM) {
            if (message == WM_CALL_STATE) m_posted.push_back(static_cast<int>(wParam));
            return LRESULT{0};
        });
        m_window->Create("friend list");
        SetCallState(CALLSTATE_IDLE, false);
        SetCallStateWindow(m_window->GetSafeHwnd());
    }
    void TearDown() override {
        SetCallStateWindow(0);
        SetCallState(CALLSTATE_IDLE, false);
    }
    std::vector<int> Posted() {
        MSG msg;
        while (PeekMessage(&msg, true)) DispatchMessage(&msg);
        return m_posted;
    }
    std::unique_ptr<FunctionWindow> m_window;
    std::vector<int> m_posted;
};

TEST_F(CallStatePosts, AllowedAndRefusedRequestsBothPostTheStateAfterThem) {
    EXPECT_TRUE(SetCallState(CALLSTATE_SENDREQUEST, true));
    EXPECT_TRUE(SetCallState(CALLSTATE_SENDSETUP, true)); // check only
    EXPECT_TRUE(SetCallState(CALLSTATE_SENDSETUP, true)); // a second check: still 2
    EXPECT_EQ(GetCallState(), CALLSTATE_SENDREQUEST);
    EXPECT_FALSE(SetCallState(CALLSTATE_SENDALERT, false));
    EXPECT_TRUE(SetCallState(CALLSTATE_RECVALERT, true));
    EXPECT_FALSE(SetCallState(CALLSTATE_SENDCONNECT, true));
    EXPECT_TRUE(SetCallState(CALLSTATE_RECVCONNECT, true));
    EXPECT_FALSE(SetCallState(9, true));
    EXPECT_TRUE(SetCallState(CALLSTATE_SENDDISCONNECT, true));
    EXPECT_TRUE(SetCallState(CALLSTATE_IDLE, true));
    EXPECT_FALSE(SetCallState(CALLSTATE_RECVDISCONNECT, false));
    EXPECT_EQ(Posted(), (std::vector<int>{2, 2, 2, 2, 4, 4, 6, 6, 7, 0, 0}));
}

TEST_F(CallStatePosts, WithoutAWindowNothingIsPosted) {
    SetCallStateWindow(0);
    EXPECT_TRUE(SetCallState(CALLSTATE_SENDALERT, false));
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(GetCallState(), CALLSTATE_SENDALERT);
}

} // namespace
} // namespace orv::test
