#include "client/ui/function_menu.h"

#include "client/text/text_table.h"

#include <QIcon>
#include <QMenu>

namespace orv {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
constexpr std::size_t kMaxSupportEntries = 0x100;

// One entry: the text number, the command and the icon name; text 0 is a separator.
struct Item {
    int text;
    int command;
    const char* icon;
};
constexpr Item kSeparator{0, 0, ""};

QIcon IconFor(const FunctionMenuContent& content, const char* name) { return content.icon ? content.icon(name) : QIcon(); }

void AddAction(QMenu* menu, const FunctionMenuContent& content, const QString& text, int command, const char* icon,
               bool enabled) {
    QAction* action = menu->addAction(IconFor(content, icon), text);
    action->setData(command);
    action->setEnabled(enabled);
    const auto run = content.run;
    QObject::connect(action, &QAction::triggered, menu, [run, command] {
        if (run) run(command);
    });
}

void AddItems(QMenu* menu, const TextTable& texts, const FunctionMenuContent& content, std::initializer_list<Item> items) {
    for (const Item& item : items) {
        if (item.text == 0) {
            menu->addSeparator();
            continue;
        }
        const bool never = item.command == kCmdShortMessage || item.command == kCmdVoiceMail ||
                           item.command == kCmdHotLine;
        AddAction(menu, content, Q(texts.Text(item.text)), item.command, item.icon,
                  !never && content.available && content.available(item.command));
    }
}

QMenu* AddSubMenu(QMenu* menu, const TextTable& texts, const FunctionMenuContent& content, int text, const char* icon) {
    QMenu* sub = menu->addMenu(IconFor(content, icon), Q(texts.Text(text)));
    sub->setStyleSheet(menu->styleSheet());
    return sub;
}

} // namespace

QString FunctionMenuStyleSheet() {
    return QStringLiteral(
        "QMenu { background: #2B2F34; color: #E6EAED; border: 1px solid #3A3F45; padding: 6px 0;"
        "  font-family: 'DejaVu Sans'; font-size: 13px; }"
        "QMenu::item { padding: 6px 26px 6px 10px; }"
        "QMenu::item:selected { background: #3A4047; }"
        "QMenu::item:disabled { color: #6B737B; }"
        "QMenu::separator { height: 1px; background: #3A3F45; margin: 5px 10px; }"
        "QMenu::icon { padding-left: 8px; }");
}

QMenu* BuildFunctionMenu(QWidget* parent, const TextTable& texts, const FunctionMenuContent& content) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("FunctionMenu"));
    menu->setStyleSheet(FunctionMenuStyleSheet());
    AddItems(menu, texts, content,
             {{286, kCmdShortMessage, "ORVShortMessage"}, {287, kCmdConference, "Conference"},
              {288, kCmdVoiceMail, "VoiceMailBox"}, kSeparator, {289, kCmdHotLine, "HotLine"}, kSeparator,
              {290, kCmdCallForward, "ForwardConfig"}});
    QMenu* information = AddSubMenu(menu, texts, content, 291, "PersonalConfig");
    AddItems(information, texts, content,
             {{292, kCmdAddressBook, "FriendList"}, {293, kCmdCallLists, "CallRecord"}, kSeparator,
              {294, kCmdAccount, "AccountFill"}, {295, kCmdSetPassword, "PasswordSet"},
              {296, kCmdLocalNumber, "PersonalInfo"}});
    AddItems(menu, texts, content, {{297, kCmdSettings, "SystemConfig"}, kSeparator});
    QMenu* support = AddSubMenu(menu, texts, content, 298, "SupportPop");
    // Commands 0xFF00..0xFFFF: at most 256 entries have a command of their own.
    for (std::size_t i = 0; i < content.supportEntries.size() && i < kMaxSupportEntries; ++i) {
        AddAction(support, content, Q(content.supportEntries[i]), kCmdFirstSupport + static_cast<int>(i), "Support", true);
    }
    support->setEnabled(!content.supportEntries.empty());
    QMenu* help = AddSubMenu(menu, texts, content, 299, "HelpPop");
    AddItems(help, texts, content, {{300, kCmdUserManual, "Help"}, {301, kCmdAbout, "About"}});
    AddItems(menu, texts, content, {kSeparator, {302, kCmdExit, "Exit"}});
    return menu;
}

} // namespace orv
