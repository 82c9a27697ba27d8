#include "client/ui/function_menu.h"

#include "client/text/text_table.h"

#include <QMenu>

namespace orv {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
constexpr std::size_t kMaxSupportEntries = 0x100;

// One entry: the text number and the command; 0 for a separator.
struct Item {
    int text;
    int command;
};

void AddItems(QMenu* menu, const TextTable& texts, const FunctionMenuSpec& spec,
              std::initializer_list<Item> items) {
    for (const Item& item : items) {
        if (item.text == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Q(texts.Text(item.text)));
        action->setData(item.command);
        const bool never = item.command == kCmdShortMessage || item.command == kCmdVoiceMail ||
                           item.command == kCmdHotLine;
        action->setEnabled(!never && spec.available && spec.available(item.command));
        const int command = item.command;
        const auto run = spec.run;
        QObject::connect(action, &QAction::triggered, menu, [run, command] {
            if (run) run(command);
        });
    }
}

} // namespace

QMenu* BuildFunctionMenu(QWidget* parent, const TextTable& texts, const FunctionMenuSpec& spec) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("FunctionMenu"));
    AddItems(menu, texts, spec,
             {{286, kCmdShortMessage}, {287, kCmdConference}, {288, kCmdVoiceMail}, {0, 0},
              {289, kCmdHotLine}, {0, 0}, {290, kCmdCallForward}});
    QMenu* information = menu->addMenu(Q(texts.Text(291)));
    AddItems(information, texts, spec,
             {{292, kCmdAddressBook}, {293, kCmdCallLists}, {0, 0}, {294, kCmdAccount},
              {295, kCmdSetPassword}, {296, kCmdLocalNumber}});
    AddItems(menu, texts, spec, {{297, kCmdSettings}, {0, 0}});
    QMenu* support = menu->addMenu(Q(texts.Text(298)));
    // Commands 0xFF00..0xFFFF: at most 256 entries have a command of their own.
    for (std::size_t i = 0; i < spec.supportEntries.size() && i < kMaxSupportEntries; ++i) {
        const int command = kCmdFirstSupport + static_cast<int>(i);
        QAction* action = support->addAction(Q(spec.supportEntries[i]));
        action->setData(command);
        const auto run = spec.run;
        QObject::connect(action, &QAction::triggered, menu, [run, command] {
            if (run) run(command);
        });
    }
    support->setEnabled(!spec.supportEntries.empty());
    QMenu* help = menu->addMenu(Q(texts.Text(299)));
    AddItems(help, texts, spec, {{300, kCmdUserManual}, {301, kCmdAbout}});
    AddItems(menu, texts, spec, {{0, 0}, {302, kCmdExit}});
    return menu;
}

} // namespace orv
