// ClientWindows: the everyday windows the main window opens from its menu and buttons
// (settings, address book, call lists, call forwarding, password, own number). It makes
// each on first use, brings an open one to the front on a second request, hands the core's
// events to those that follow them, and switches the language of every open window.
#pragma once

#include "client/ui/windows/account_dialog.h"
#include "client/ui/windows/address_book_window.h"
#include "client/ui/windows/call_lists_window.h"
#include "client/ui/windows/forward_window.h"
#include "client/ui/windows/password_window.h"
#include "client/ui/windows/settings_window.h"

#include <QPointer>
#include <functional>
#include <string>

class QWidget;

namespace orv {

class ClientCore;
class CVideoCtlThread;
struct CoreEvent;

struct ClientWindowsServices {
    // The process-wide call state (0 idle).
    std::function<int()> callState;
    // Dials a number chosen in a window (the main window's Dial).
    std::function<void(const std::string& number)> dial;
    // Whether a handset is plugged in (empty: none).
    std::function<bool()> handsetPresent;
    // The settings were applied or cancelled: apply the stored configuration again.
    std::function<void()> applyConfiguration;
    // The unseen call counts changed: redraw the main window.
    std::function<void()> refreshMain;
    // The skin's image-list icons ("FriendOnLine", ...).
    std::function<QIcon(const char* name)> icon;
    // Asks for an address list file (tests answer it themselves); empty: the file dialog.
    std::function<std::string(bool save)> chooseFile;
    // Stops the tone playing (empty: nothing to stop).
    std::function<void()> silenceTones;
    // A conference of this side has a free seat for an address-book friend; invites one.
    std::function<bool()> canInvite;
    std::function<void(const std::string& number)> invite;
    // The camera thread for the video page's test; may be null.
    CVideoCtlThread* videoControl = nullptr;
};

class ClientWindows {
public:
    ClientWindows(QWidget& main, ClientCore& core, ClientWindowsServices services);
    ~ClientWindows();

    // Whether the command (kCmdSettings, kCmdAddressBook, ...) has a window here.
    bool Handles(int command) const;
    // Opens (or raises) the command's window; false when the command has none.
    bool Open(int command);
    // The core's events: call progress locks the settings; a handset plugged in or taken
    // away changes what they offer.
    void OnCoreEvent(const CoreEvent& event);
    // Makes a language current and sets the texts of every open window again.
    void ChangeLanguage(int language);

    SettingsWindow* Settings() const { return settings_; }
    AddressBookWindow* AddressBook() const { return addressBook_; }
    CallListsWindow* CallLists() const { return callLists_; }
    ForwardWindow* Forward() const { return forward_; }
    PasswordWindow* Password() const { return password_; }
    QDialog* OwnNumber() const { return ownNumber_; }

private:
    void OpenSettings();
    void OpenAddressBook();
    void OpenCallLists();
    void OpenForward();
    void OpenPassword();
    void OpenOwnNumber();
    static void Raise(QWidget& window);
    void OpenAccount();
    bool Idle() const;

    QWidget& main_;
    ClientCore& core_;
    ClientWindowsServices services_;
    QPointer<SettingsWindow> settings_;
    QPointer<AddressBookWindow> addressBook_;
    QPointer<CallListsWindow> callLists_;
    QPointer<ForwardWindow> forward_;
    QPointer<PasswordWindow> password_;
    QPointer<QDialog> ownNumber_;
    QPointer<AccountDialog> account_;
};

} // namespace orv
