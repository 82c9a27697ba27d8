// Screenshots of the everyday windows on a desktop (Xvfb with a window manager and a panel,
// tests/ui/windows/windows_screenshots.sh): settings, the address book with friends on and
// off line, the call lists, forwarding, password, and the main window in Japanese and in
// Chinese, into the folder ORV_UI_SCREENSHOT_DIR names.
#include "client/core/friends_core.h"
#include "client/data/call_record_list.h"
#include "client/text/language.h"
#include "client/ui/function_menu.h"
#include "client/ui/windows/address_list_dialog.h"
#include "client/ui/windows/forward_window.h"
#include "client/ui/windows/friend_info_dialog.h"
#include "client/userserver/user_serv_handler.h"
#include "tests/ui/ui_test_support.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace orv {
namespace {

bool SaveScreen(const QString& path) {
    QTest::qWait(700); // let the window manager place, decorate and paint
    return QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

void Beside(QWidget& main, QWidget& window) {
    window.move(main.frameGeometry().right() + 24, main.y());
    window.show();
    window.raise();
}

FriendEntry Friend(std::uint32_t id, const char* name, const char* group, const char* number, std::uint8_t status) {
    FriendEntry e;
    e.record.recordId = id;
    e.record.friendName = name;
    e.record.group = group;
    e.record.netPhone = number;
    e.status = status;
    return e;
}

TEST(WindowsScreenshots, EverydayWindowsAndTheLanguages) {
    const QString folder = qEnvironmentVariable("ORV_UI_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "ORV_UI_SCREENSHOT_DIR not set";
    ASSERT_TRUE(QDir().mkpath(folder));
    UiFixture f;
    ASSERT_TRUE(f.Ready()) << f.Error();
    FriendStore& store = f.Core().UserServ()->Friends();
    store.AddFriend(Friend(1, "Alice Moreau", "Work", "8002", kFriendOnline));
    store.AddFriend(Friend(2, "Bob Tanaka", "Work", "8003", kFriendOffline));
    store.AddFriend(Friend(3, "Carol", "Family", "8004", kFriendOnline));
    store.AddFriend(Friend(4, "Dan", "Family", "8005", kFriendOffline));
    store.AddFriend(Friend(5, "Service desk", "", "8010", kFriendOffline));
    CallRecordList& records = *f.Core().Records();
    records.Add(0, 0, 101, "8002", "8001", kMissedCall, 1);
    records.Add(0, 1, 102, "8004", "8001", kMissedCall, 1);
    records.Add(0, 0, 103, "02055501234", "8001", kMissedCall, 1);

    MainDialog& w = f.Window();
    w.move(40, 60);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const auto shoot = [&](int command, const char* name) {
        ASSERT_TRUE(w.Windows().Open(command));
        QWidget* window = command == kCmdSettings      ? static_cast<QWidget*>(w.Windows().Settings())
                          : command == kCmdAddressBook ? static_cast<QWidget*>(w.Windows().AddressBook())
                          : command == kCmdCallLists   ? static_cast<QWidget*>(w.Windows().CallLists())
                                                       : static_cast<QWidget*>(w.Windows().Password());
        Beside(w, *window);
        EXPECT_TRUE(SaveScreen(folder + "/" + name));
        window->close();
    };
    shoot(kCmdSettings, "windows_settings_general.png");
    shoot(kCmdAddressBook, "windows_address_book.png");
    shoot(kCmdCallLists, "windows_call_lists.png");
    shoot(kCmdSetPassword, "windows_password.png");

    ForwardRecord forward;
    forward.flag = 1;
    forward.noAnswer = "8003";
    forward.busy = "13900008003";
    ForwardWindow forwardWindow(&w, f.Core().Texts(), [forward] { return forward; }, {});
    Beside(w, forwardWindow);
    EXPECT_TRUE(SaveScreen(folder + "/windows_forwarding.png"));
    forwardWindow.close();

    // The friend information and export dialogs, open while the language turns to Japanese.
    {
        FriendInfoDialog info(&w, f.Core().Texts(), Friend(1, "Alice Moreau", "Work", "8002", 0).record,
                              {"Work", "Family"}, {});
        AddressListDialog exporter(&w, f.Core().Texts(), *f.Core().Friends(), AddressListDialog::Mode::Export, {});
        Beside(w, info);
        exporter.move(w.frameGeometry().right() + 24, w.y() + 370);
        exporter.show();
        w.Windows().ChangeLanguage(kLanguageJapanese);
        EXPECT_TRUE(SaveScreen(folder + "/windows_dialogs_japanese.png"));
    }

    // The main window and the address book in the other two languages.
    for (const auto& [language, name] : {std::pair{kLanguageJapanese, "windows_main_japanese.png"},
                                         std::pair{kLanguageChinese, "windows_main_chinese.png"}}) {
        w.Windows().ChangeLanguage(language);
        ASSERT_TRUE(w.Windows().Open(kCmdAddressBook));
        Beside(w, *w.Windows().AddressBook());
        EXPECT_TRUE(SaveScreen(folder + "/" + name));
    }
    w.Windows().AddressBook()->close();
}

} // namespace
} // namespace orv
