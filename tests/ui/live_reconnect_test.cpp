// The main window when orvserver goes away while the phone is idle: the footer goes off line
// as soon as the keep-alive is overdue, and the reconnect starts when its resend is overdue too,
// not when the keep-alive's resends run out; with the server back the window is on line again.
#include "client/app/connect_dialog.h"
#include "client/userserver/user_serv_config.h"
#include "client/userserver/user_serv_handler.h"
#include "platform/tick.h"
#include "tests/ui/ui_live_support.h"

#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(MainWindowLive, AnOverdueKeepAliveStartsTheReconnectAtOnce) {
    LiveServer server;
    ASSERT_TRUE(server.Start()) << server.Output();
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    // The session's clock runs ahead on demand, so "overdue" needs no waiting.
    std::atomic<std::uint32_t> ahead{0};
    f.Core().UserServ()->SetTickSource([&ahead] { return GetTickCount() + ahead.load(); });
    ASSERT_TRUE(f.Core().Logon(server.Host(), server.Port(), "8001", "1111"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Relay().Seen("logon_complete"); }, kWaitMs));

    MainServices services = f.Services();
    services.onLine = [&f] { return f.Core().UserServ()->KeepAliveCurrent(); };
    services.serverLost = [&f] { return f.Core().UserServ()->KeepAliveLost(); };
    MainDialog* window = nullptr;
    int reconnects = 0;
    QString footerAtReconnect;
    bool resendsRanOut = true;
    bool backAgain = false;
    services.reconnect = [&]() -> int {
        ++reconnects;
        footerAtReconnect = window->StatusText();
        resendsRanOut = f.Relay().Seen("keepalive_timeout") || f.Relay().Seen("server_failure");
        backAgain = server.StartAgain();
        ConnectDialog connecting(window, f.Core(), LogonMode::Reconnect, f.Core().LastLogonRequest());
        return connecting.exec() == QDialog::Accepted ? kReconnectOk : kReconnectFailed;
    };
    MainDialog& w = f.Window(services);
    window = &w;
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.StatusText().endsWith("On line"); }, kWaitMs))
        << w.StatusText().toStdString();

    ASSERT_TRUE(server.Stop());
    ahead += GetKeepAlivePeriod(*f.Core().Config()) + 5001; // the next answer is overdue
    w.Refresh();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.StatusText().endsWith("Off line")) << "off line shows at the first miss";
    EXPECT_EQ(reconnects, 0) << "one lost datagram is not yet a lost server";
    ahead += 5000; // the resend is overdue as well
    ASSERT_TRUE(QTest::qWaitFor([&] { return reconnects == 1 && !w.Closing() && w.StatusText().endsWith("On line"); },
                                kWaitMs))
        << reconnects << " " << w.StatusText().toStdString();
    EXPECT_TRUE(backAgain) << server.Output();
    EXPECT_EQ(footerAtReconnect, "8001 \u00B7 Off line");
    EXPECT_FALSE(resendsRanOut) << "the reconnect did not wait for the keep-alive's time-out";
    EXPECT_EQ(w.Exit(), MainDialog::ExitReason::None);
}

} // namespace
} // namespace orv
