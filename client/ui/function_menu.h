// The main window's function menu and the command numbers of its entries.
#pragma once

#include <QIcon>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QMenu;
class QWidget;

namespace orv {

class TextTable;

enum MainCommand : int {
    kCmdExit = 32779,
    kCmdSettings = 32780,
    kCmdAddressBook = 32781,
    kCmdCallLists = 32783,
    kCmdConference = 32784,
    kCmdUserManual = 32785,
    kCmdAbout = 32786,
    kCmdCallForward = 32787,
    kCmdSetPassword = 32788,
    kCmdShortMessage = 32791,
    kCmdVoiceMail = 32792,
    kCmdHotLine = 32793,
    kCmdAccount = 32796,
    kCmdLocalNumber = 32797,
    kCmdFirstSupport = 0xFF00, // + the support entry's index
};

struct FunctionMenuContent {
    // Whether a command can run now; entries for which it says no are shown disabled.
    std::function<bool(int command)> available;
    // The support entries' texts, already in the current language.
    std::vector<std::string> supportEntries;
    std::function<void(int command)> run;
    // The icon of an image-list name ("Exit", "FriendList", ...); none when empty.
    std::function<QIcon(const char* name)> icon;
};

// The dark menu look of the default skin.
QString FunctionMenuStyleSheet();

// Builds the menu (owned by parent). Short message, voice mail and hot line are always
// disabled.
QMenu* BuildFunctionMenu(QWidget* parent, const TextTable& texts, const FunctionMenuContent& content);

} // namespace orv
