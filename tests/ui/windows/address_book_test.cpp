// The address book on Qt's offscreen platform over the real friend store: groups and
// presence, export then import through the import and export dialog (long names cut, a dash
// in a number stops the import at its line), and every window in Japanese with no text left
// empty after the language switch.
#include "client/core/friends_core.h"
#include "client/text/language.h"
#include "client/ui/function_menu.h"
#include "client/ui/windows/address_list_dialog.h"
#include "client/ui/windows/forward_window.h"
#include "client/ui/windows/friend_info_dialog.h"
#include "client/userserver/user_serv_handler.h"
#include "tests/ui/ui_test_support.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace orv {
namespace {

FriendEntry Friend(std::uint32_t id, const std::string& name, const std::string& group, const std::string& number,
                   std::uint8_t status) {
    FriendEntry e;
    e.record.recordId = id;
    e.record.friendName = name;
    e.record.group = group;
    e.record.netPhone = number;
    e.record.phone = "0101234*12";
    e.record.mobile = "13900000" + number;
    e.record.email = name + "@example.org";
    e.status = status;
    return e;
}

// Every text a person reads in the window: titles, labels, buttons, group boxes, headers.
std::vector<std::string> EmptyTexts(QWidget& window) {
    std::vector<std::string> empty;
    const auto check = [&](const QString& text, const QObject& where) {
        if (text.trimmed().isEmpty()) empty.push_back(where.objectName().toStdString() + " in " +
                                                      window.objectName().toStdString());
    };
    check(window.windowTitle(), window);
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
        if (qobject_cast<QPushButton*>(b) || qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b))
            check(b->text(), *b);
    }
    for (QGroupBox* g : window.findChildren<QGroupBox*>()) check(g->title(), *g);
    for (QLabel* l : window.findChildren<QLabel*>()) {
        if (l->pixmap().isNull()) check(l->text(), *l);
    }
    for (QFormLayout* form : window.findChildren<QFormLayout*>()) {
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole);
            QLayoutItem* field = form->itemAt(row, QFormLayout::FieldRole);
            const bool spanning = form->itemAt(row, QFormLayout::SpanningRole) != nullptr;
            if (field != nullptr && label == nullptr && !spanning) empty.push_back("a field without its label");
        }
    }
    for (QTabWidget* t : window.findChildren<QTabWidget*>()) {
        for (int i = 0; i < t->count(); ++i) check(t->tabText(i), *t);
    }
    return empty;
}

class AddressBook : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(f.Ready()) << f.Error();
        FriendStore& store = f.Core().UserServ()->Friends();
        store.AddFriend(Friend(11, "Alice", "Work", "8002", kFriendOffline));
        store.AddFriend(Friend(12, "Bob", "", "8003", kFriendOnline));
        path = f.Home() + "/book.txt";
        services.chooseFile = [this](bool) { return path; };
    }
    UiFixture f;
    std::string path;
    AddressBookServices services;
};

TEST_F(AddressBook, GroupsPresenceAndExportThenImportGiveTheSameRecords) {
    AddressBookWindow book(nullptr, f.Core().Texts(), *f.Core().Friends(), f.Core().Config(), services);
    book.SortByStatus(false);
    ASSERT_NE(book.FriendItem("Alice"), nullptr);
    EXPECT_EQ(book.FriendItem("Alice")->parent()->text(0), "Work");
    EXPECT_EQ(book.FriendItem("Alice")->text(1), "Offline");
    EXPECT_EQ(book.FriendItem("Bob")->text(1), "Online");
    EXPECT_NE(book.FriendItem("Bob")->parent(), book.FriendItem("Alice")->parent());
    book.SortByStatus(true);
    EXPECT_EQ(book.FriendItem("Bob")->parent()->text(0), "Online");
    EXPECT_EQ(book.FriendItem("Alice")->parent()->text(0), "Offline");

    // The context menu offers the friend commands only on a friend.
    ASSERT_TRUE(book.SelectFriend("Alice"));
    QMenu* menu = book.BuildMenu();
    int enabled = 0;
    for (QAction* a : menu->actions()) enabled += a->isEnabled() && a->data().toInt() == 94 ? 1 : 0;
    EXPECT_EQ(enabled, 1) << "Delete on a selected friend";
    delete menu;

    QString shown;
    AddressListDialog exporter(&book, f.Core().Texts(), *f.Core().Friends(), AddressListDialog::Mode::Export,
                               services.chooseFile);
    EXPECT_EQ(exporter.List()->topLevelItemCount(), 2);
    AnswerNextMessageBox(true, &shown);
    exporter.Run();
    EXPECT_EQ(shown, QString::fromStdString("Exported to file \"" + path + "\" successfully"));

    // One more line with a name too long for the record: it is cut to 15 characters.
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("A name of twenty chars, Work, 8009, , , \r\n");
    }
    AddressListDialog importer(&book, f.Core().Texts(), *f.Core().Friends(), AddressListDialog::Mode::Import,
                               services.chooseFile);
    AnswerNextMessageBox(true, &shown);
    importer.Run();
    EXPECT_TRUE(shown.startsWith("File loaded successfully")) << shown.toStdString();
    ASSERT_EQ(importer.Pending().size(), 3u);
    for (const FriendEntry& e : f.Core().Friends()->Friends()) {
        bool same = false;
        for (const FriendRecord& r : importer.Pending()) {
            same = same || (r.friendName == e.record.friendName && r.group == e.record.group &&
                            r.netPhone == e.record.netPhone && r.phone == e.record.phone &&
                            r.mobile == e.record.mobile && r.email == e.record.email);
        }
        EXPECT_TRUE(same) << e.record.friendName;
    }
    EXPECT_EQ(importer.Pending()[2].friendName, "A name of twent");
    EXPECT_EQ(importer.List()->topLevelItemCount(), 3);
    importer.List()->topLevelItem(2)->setSelected(true);
    importer.DeleteSelected();
    EXPECT_EQ(importer.Pending().size(), 2u);

    // A dash inside a telephone number stops the import at its line.
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("Carol, , 8004, 5551234, , \r\nDan, , 8005, 555-1234, , \r\nEve, , 8006, , , \r\n");
    }
    AnswerNextMessageBox(true, &shown);
    importer.Run();
    EXPECT_EQ(shown, "Illegal character found in number string \"555-1234\", line number: 2");
    EXPECT_TRUE(importer.Pending().empty());
    EXPECT_FALSE(importer.CommitButton()->isEnabled());
}

TEST_F(AddressBook, JapaneseReachesEveryOpenWindowAndLeavesNoTextEmpty) {
    MainDialog& w = f.Window();
    w.show();
    for (int command : {kCmdSettings, kCmdAddressBook, kCmdCallLists, kCmdSetPassword})
        ASSERT_TRUE(w.Windows().Open(command)) << command;
    // The address book's own dialogs, open over it while the language changes.
    FriendInfoDialog info(w.Windows().AddressBook(), f.Core().Texts(), FriendRecord{}, {"Work"}, {});
    AddressListDialog exporter(w.Windows().AddressBook(), f.Core().Texts(), *f.Core().Friends(),
                               AddressListDialog::Mode::Export, {});
    info.show();
    exporter.show();
    w.Windows().ChangeLanguage(kLanguageJapanese);
    QWidget* windows[] = {w.Windows().Settings(), w.Windows().AddressBook(), w.Windows().CallLists(),
                          w.Windows().Password(), &info, &exporter};
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Windows().AddressBook()->windowTitle() == "アドレス帳"; }, 2000));
    EXPECT_EQ(w.Windows().Settings()->windowTitle(), "設定");
    EXPECT_EQ(w.Windows().CallLists()->TypeButton(kMissedCall)->text(), "不在着信");
    EXPECT_EQ(w.Windows().AddressBook()->FriendItem("Bob")->text(1), "オンライン");
    EXPECT_EQ(w.Control("BUTTON_CALL")->toolTip(), "発信");
    for (QWidget* window : windows) {
        ASSERT_NE(window, nullptr);
        const std::vector<std::string> empty = EmptyTexts(*window);
        EXPECT_TRUE(empty.empty()) << empty.front();
    }
    EXPECT_EQ(w.Windows().Password()->windowTitle(), "パスワードの設定");
    EXPECT_EQ(info.windowTitle(), "連絡先の情報");
    EXPECT_EQ(info.Group()->itemText(1), "Work"); // the user's own names stay as they are
    EXPECT_EQ(exporter.RunButton()->text(), "エクスポート");
    EXPECT_EQ(exporter.List()->headerItem()->text(1), "名前");
    ForwardWindow forward(&w, f.Core().Texts(), {}, {});
    EXPECT_TRUE(EmptyTexts(forward).empty()) << EmptyTexts(forward).front();
    EXPECT_EQ(forward.windowTitle(), "着信転送");
    // A window made after the switch speaks the new language from the start.
    ASSERT_TRUE(w.Windows().Open(kCmdLocalNumber));
    EXPECT_EQ(w.Windows().OwnNumber()->windowTitle(), "自分の ORV 番号");
}

} // namespace
} // namespace orv
