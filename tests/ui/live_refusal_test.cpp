// Calls the server refuses at once, placed from the window through a real orvserver: the
// refusal must be the last word, never a "Calling" that arrives after it.
#include "client/call/call_state.h"
#include "client/ui/call_services.h"
#include "client/core/call_control.h"
#include "client/userserver/user_serv_handler.h"
#include "tests/ui/ui_live_support.h"

#include <QTest>
#include <gtest/gtest.h>

namespace orv {
namespace {

// The call-progress types the window received, in order, from index `from` on.
std::vector<std::string> ProgressTypes(const EventRelay& relay, std::size_t from) {
    std::vector<std::string> types;
    for (std::size_t i = from; i < relay.events.size(); ++i) {
        const CoreEvent& e = relay.events[i];
        if (e.name != "call_progress") continue;
        for (const auto& [k, v] : e.fields)
            if (k == "type") types.push_back(v);
    }
    return types;
}

TEST(MainWindowLive, ImmediateRefusalsEndTheCallOnScreenEveryTime) {
    LiveServer server;
    UiFixture f;
    ASSERT_TRUE(StartAndLogOn(server, f));
    MainServices services = f.Services();
    UseCallControl(*f.Core().Calls(), &services);
    services.onLine = [&] { return f.Core().UserServ()->KeepAliveCurrent(); };
    MainDialog& w = f.Window(services);
    w.show();
    EXPECT_EQ(w.StatusText(), QString::fromUtf8("8001 \u00B7 On line"));

    // Calling oneself is refused by the server as busy, at once; repeated, since the
    // refusal used to overtake the "Calling" text now and then.
    for (int attempt = 0; attempt < 12; ++attempt) {
        const std::size_t from = f.Relay().events.size();
        QTest::keyClicks(&w, "8001");
        QTest::keyClick(&w, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const auto types = ProgressTypes(f.Relay(), from);
                return GetCallState() == 0 && std::find(types.begin(), types.end(), "2") != types.end();
            },
            kWaitMs))
            << "attempt " << attempt;
        EXPECT_EQ(ProgressTypes(f.Relay(), from), (std::vector<std::string>{"1", "2"})) << "attempt " << attempt;
        EXPECT_EQ(w.MessageAreaText().toStdString(), "Busy: 8001 ") << "attempt " << attempt;
        EXPECT_EQ(w.NumberField(), "");
    }

    // An unknown number: refused, and the next number is dialled alone.
    const std::size_t from = f.Relay().events.size();
    QTest::keyClicks(&w, "1234");
    QTest::keyClick(&w, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ProgressTypes(f.Relay(), from).size() == 2; }, kWaitMs));
    EXPECT_EQ(w.MessageAreaText(), "ORV number does not exist");
    QTest::keyClicks(&w, "8003");
    EXPECT_EQ(w.MessageAreaText(), "8003");
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(w.LastNumber(), "8003");
    ASSERT_TRUE(QTest::qWaitFor([&] { return ProgressTypes(f.Relay(), from).size() >= 3; }, kWaitMs));
    EXPECT_TRUE(w.MessageAreaText().startsWith("Calling: 8003")) << w.MessageAreaText().toStdString();
    QTest::mouseClick(w.Button("BUTTON_ENDCALL"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return GetCallState() == 0; }, kWaitMs));
}

} // namespace
} // namespace orv
