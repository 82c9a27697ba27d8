// The everyday windows against a real orvserver, with orvcli processes as the other
// subscribers: the address book follows a friend going on and off line, a missed call shows
// in Missed and opening it clears the main window's count, forwarding set in its window
// forwards the next call, and a password changed in its window logs on next time.
#include "client/core/call_control.h"
#include "client/core/friends_core.h"
#include "client/data/call_record_list.h"
#include "client/data/client_config.h"
#include "client/ui/call_services.h"
#include "client/ui/function_menu.h"
#include "client/ui/windows/friend_info_dialog.h"
#include "client/userserver/user_serv_handler.h"
#include "tests/ui/ui_live_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace orv {
namespace {

// Runs act on the next modal dialog of type T once it shows (the caller then opens it).
template <typename T>
void OnNextModal(std::function<void(T*)> act) {
    auto* timer = new QTimer();
    auto* waited = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, act] {
        auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr && ++*waited < 500) return;
        timer->stop();
        timer->deleteLater();
        delete waited;
        if (dialog != nullptr) act(dialog);
    });
    timer->start(20);
}

ChildProcess* StartCli(TestFolder& home, ChildProcess& cli, const LiveServer& server, const std::string& number,
                       const std::string& password) {
    if (!cli.Start(ProgramPath("orvcli"),
                   {"--home", home.Path(), "--server", server.Address(), "--number", number, "--password", password},
                   home.File("cli.err")))
        return nullptr;
    cli.WriteLine("logon");
    return CliLine(cli, "EVENT logon_complete", kWaitMs) ? &cli : nullptr;
}

QString FriendState(AddressBookWindow& book, const std::string& name) {
    QTreeWidgetItem* item = book.FriendItem(name);
    return item != nullptr ? item->text(1) : QString();
}

class WindowsLive : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << server.Output();
        ASSERT_TRUE(f.Ready()) << f.Error();
        ASSERT_TRUE(f.Core().Logon(server.Host(), server.Port(), "8001", "1111"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return f.Relay().Seen("logon_complete"); }, kWaitMs));
        services = f.Services();
        UseCallControl(*f.Core().Calls(), &services);
    }
    MainDialog& Window() {
        MainDialog& w = f.Window(services);
        w.show();
        return w;
    }

    LiveServer server;
    UiFixture f;
    MainServices services;
};

TEST_F(WindowsLive, AddressBookFollowsPresenceAndAMissedCallIsClearedByOpeningMissed) {
    MainDialog& w = Window();
    ASSERT_TRUE(w.Windows().Open(kCmdAddressBook));
    AddressBookWindow* book = w.Windows().AddressBook();
    ASSERT_NE(book, nullptr);

    // A friend added through the friend information dialog, stored by the server.
    OnNextModal<FriendInfoDialog>([](FriendInfoDialog* d) {
        d->Name()->setText("Bob");
        d->Number()->setText("8002");
        d->accept();
    });
    book->AddFriend();
    ASSERT_TRUE(QTest::qWaitFor([&] { return book->FriendItem("Bob") != nullptr; }, kWaitMs));
    EXPECT_EQ(FriendState(*book, "Bob"), "Offline");

    // Bob logs on: his row says so at once; by status he moves to the on-line group.
    TestFolder bobHome;
    ChildProcess bob;
    ASSERT_NE(StartCli(bobHome, bob, server, "8002", "2222"), nullptr) << bob.Output();
    EXPECT_TRUE(QTest::qWaitFor([&] { return FriendState(*book, "Bob") == "Online"; }, kWaitMs));
    book->SortByStatus(true);
    ASSERT_NE(book->FriendItem("Bob"), nullptr);
    EXPECT_EQ(book->FriendItem("Bob")->parent()->text(0), "Online");
    EXPECT_EQ(f.Core().Config()->General().friendsTree, 1) << "the sort choice is stored";
    book->SortByStatus(false);

    // Bob calls and gives up before an answer: a missed call, counted for the main window.
    bob.WriteLine("call 8001");
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Core().Calls() && services.callState() != 0; }, kWaitMs));
    bob.WriteLine("hangup");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return services.callState() == 0 && f.Core().Records()->CountUnseen(kMissedCall) == 1; }, kWaitMs));

    // Opening the call lists shows Missed with Bob's name, and the count falls to 0.
    ASSERT_TRUE(w.Windows().Open(kCmdCallLists));
    CallListsWindow* lists = w.Windows().CallLists();
    ASSERT_NE(lists, nullptr);
    EXPECT_EQ(lists->Type(), kMissedCall);
    ASSERT_EQ(lists->List()->topLevelItemCount(), 1);
    EXPECT_EQ(lists->List()->topLevelItem(0)->text(1), "Bob");
    EXPECT_EQ(lists->List()->topLevelItem(0)->text(2), "8002");
    EXPECT_EQ(f.Core().Records()->CountUnseen(kMissedCall), 0);
    EXPECT_FALSE(w.MessageAreaText().contains("missed")) << w.MessageAreaText().toStdString();
    EXPECT_TRUE(lists->CallButton()->isEnabled());
    lists->ShowType(kDialledCall);
    EXPECT_EQ(lists->List()->topLevelItemCount(), 0);
    EXPECT_FALSE(lists->DeleteAllButton()->isEnabled());
    lists->DeleteAll(); // nothing to ask about
    lists->ShowType(kMissedCall);
    lists->List()->topLevelItem(0)->setSelected(true);
    lists->DeleteSelected();
    EXPECT_EQ(lists->List()->topLevelItemCount(), 0);
    EXPECT_TRUE(f.Core().Records()->Records().empty() ||
                f.Core().Records()->Records().front().listType != kMissedCall);

    // Bob leaves: off line again.
    bob.WriteLine("quit");
    EXPECT_TRUE(QTest::qWaitFor([&] { return FriendState(*book, "Bob") == "Offline"; }, kWaitMs));
}

TEST_F(WindowsLive, ForwardingSetInItsWindowForwardsTheNextCall) {
    MainDialog& w = Window();
    CUserServHandler* handler = f.Core().UserServ();
    ForwardRecord known;
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler->GetForwardInfo(&known); }, kWaitMs));
    ASSERT_TRUE(w.Windows().Open(kCmdCallForward));
    ForwardWindow* forward = w.Windows().Forward();
    ASSERT_NE(forward, nullptr);

    // A dash is refused and nothing is sent.
    forward->Enabled()->setChecked(true);
    forward->Number(0)->setText("80-03");
    QString shown;
    AnswerNextMessageBox(true, &shown);
    EXPECT_FALSE(forward->Modify());
    EXPECT_EQ(shown, "Illegal number");
    EXPECT_FALSE(f.Relay().Seen("forward_set"));

    // Every call to 8001 goes to 8003.
    forward->Number(0)->setText("8003");
    AnswerNextMessageBox(true, &shown, kWaitMs);
    ASSERT_TRUE(forward->Modify());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Windows().Forward() == nullptr; }, kWaitMs)) << "closed on success";
    EXPECT_EQ(shown, "Set call forwarding information successfully");

    TestFolder carolHome, bobHome;
    ChildProcess carol, bob;
    ASSERT_NE(StartCli(carolHome, carol, server, "8003", "3333"), nullptr) << carol.Output();
    ASSERT_NE(StartCli(bobHome, bob, server, "8002", "2222"), nullptr) << bob.Output();
    bob.WriteLine("call 8001");
    EXPECT_TRUE(CliLine(carol, "EVENT call_progress type=6", kWaitMs)) << carol.Output() << bob.Output();
    bob.WriteLine("hangup");
    EXPECT_TRUE(CliLine(carol, "EVENT call_progress type=3", kWaitMs)) << carol.Output();

    // Switched off, the numbers still travel with the flag cleared.
    ASSERT_TRUE(w.Windows().Open(kCmdCallForward));
    forward = w.Windows().Forward();
    EXPECT_TRUE(forward->Enabled()->isChecked());
    EXPECT_EQ(forward->Number(0)->text(), "8003");
    forward->Enabled()->setChecked(false);
    EXPECT_FALSE(forward->Number(0)->isEnabled());
    AnswerNextMessageBox(true, &shown, kWaitMs);
    ASSERT_TRUE(forward->Modify());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Windows().Forward() == nullptr; }, kWaitMs));
    ForwardRecord now;
    ASSERT_TRUE(handler->GetForwardInfo(&now));
    EXPECT_EQ(now.flag, 0);
    EXPECT_EQ(now.always, "8003");
}

TEST_F(WindowsLive, PasswordChangedInItsWindowLogsOnNextTime) {
    MainDialog& w = Window();
    ASSERT_TRUE(w.Windows().Open(kCmdLocalNumber));
    EXPECT_EQ(w.Windows().OwnNumber()->findChild<QLabel*>("number")->text(), "8001");
    ASSERT_TRUE(w.Windows().Open(kCmdSetPassword));
    PasswordWindow* password = w.Windows().Password();
    ASSERT_NE(password, nullptr);
    QString shown;

    password->Old()->setText("9999");
    password->New()->setText("s3cret");
    password->Confirm()->setText("s3cret");
    AnswerNextMessageBox(true, &shown);
    EXPECT_EQ(password->Modify(), 116);
    EXPECT_EQ(shown, "Error password");
    password->Old()->setText("1111");
    password->Confirm()->setText("s3creT");
    AnswerNextMessageBox(true, &shown);
    EXPECT_EQ(password->Modify(), 117);
    EXPECT_EQ(shown, "Different new passwords inputed");
    EXPECT_FALSE(f.Relay().Seen("password_set")) << "nothing was sent";

    password->Confirm()->setText("s3cret");
    AnswerNextMessageBox(true, &shown, kWaitMs);
    ASSERT_EQ(password->Modify(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Windows().Password() == nullptr; }, kWaitMs));
    EXPECT_EQ(shown, "Set password successfully");
    EXPECT_EQ(server.Output().find("s3cret"), std::string::npos) << "only the digest travels";

    f.Core().Logout();
    TestFolder home;
    ChildProcess again;
    EXPECT_NE(StartCli(home, again, server, "8001", "s3cret"), nullptr) << again.Output();
}

// orvcli changes what the General page shows, checks every value first, and the next run
// reads what it saved.
TEST(OrvcliSettings, SetThenReadAgainInTheNextRun) {
    TestFolder home;
    const std::vector<std::string> args = {"--home", home.Path(), "--server", "127.0.0.1:9", "--number", "8001",
                                           "--password", "1111"};
    {
        ChildProcess cli;
        ASSERT_TRUE(cli.Start(ProgramPath("orvcli"), args, home.File("cli.err")));
        cli.WriteLine("settings-set port=99999");
        EXPECT_TRUE(cli.WaitForLine("EVENT error", kWaitMs)) << cli.Output();
        cli.WriteLine("settings-set server=192.0.2.9 port=6300 language=japanese friends_tree=1");
        std::string line;
        ASSERT_TRUE(cli.WaitForLine("EVENT settings ", kWaitMs, &line)) << cli.Output();
        EXPECT_NE(line.find("server=192.0.2.9 port=6300"), std::string::npos) << line;
        EXPECT_NE(line.find("language=japanese language_default=0 friends_tree=1"), std::string::npos) << line;
        cli.WriteLine("quit");
    }
    ChildProcess again;
    ASSERT_TRUE(again.Start(ProgramPath("orvcli"), args, home.File("cli2.err")));
    again.WriteLine("settings");
    std::string line;
    ASSERT_TRUE(again.WaitForLine("EVENT settings ", kWaitMs, &line)) << again.Output();
    EXPECT_NE(line.find("port=6300"), std::string::npos) << line;
    EXPECT_NE(line.find("language=japanese"), std::string::npos) << line;
    again.WriteLine("quit");
}

} // namespace
} // namespace orv
