#include "client/ui/windows/client_windows.h"

#include "client/core/client_core.h"
#include "client/core/friends_core.h"
#include "client/userserver/user_serv_handler.h"
#include "client/data/client_config.h"
#include "client/ui/function_menu.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/own_number_window.h"
#include "client/ui/windows/settings_window.h"
#include "client/ui/windows/window_style.h"

#include <QApplication>
#include <QEvent>

namespace orv {

namespace {
constexpr int kTextForwardNotSubscribed = 132;
} // namespace

ClientWindows::ClientWindows(QWidget& main, ClientCore& core, ClientWindowsServices services)
    : main_(main), core_(core), services_(std::move(services)) {}

ClientWindows::~ClientWindows() {
    delete settings_.data();
    delete addressBook_.data();
    delete callLists_.data();
    delete forward_.data();
    delete password_.data();
    delete ownNumber_.data();
    delete account_.data();
}

bool ClientWindows::Handles(int command) const {
    switch (command) {
    case kCmdSettings: return core_.Config() != nullptr;
    case kCmdAddressBook: return core_.Friends() != nullptr;
    case kCmdCallLists: return core_.Records() != nullptr;
    case kCmdCallForward:
    case kCmdSetPassword:
    case kCmdLocalNumber: return core_.UserServ() != nullptr;
    case kCmdAccount: return core_.Account() != nullptr;
    default: return false;
    }
}

bool ClientWindows::Open(int command) {
    if (!Handles(command)) return false;
    switch (command) {
    case kCmdSettings: OpenSettings(); break;
    case kCmdAddressBook: OpenAddressBook(); break;
    case kCmdCallLists: OpenCallLists(); break;
    case kCmdCallForward: OpenForward(); break;
    case kCmdSetPassword: OpenPassword(); break;
    case kCmdLocalNumber: OpenOwnNumber(); break;
    case kCmdAccount: OpenAccount(); break;
    default: return false;
    }
    return true;
}

bool ClientWindows::Idle() const { return !services_.callState || services_.callState() == 0; }

void ClientWindows::OnCoreEvent(const CoreEvent& event) {
    if (event.name == "call_progress" && settings_) settings_->Lock(Idle());
    if (event.name == "handset" && settings_) settings_->HandsetChanged();
    if (addressBook_) addressBook_->OnCoreEvent(event);
    if (forward_) forward_->OnCoreEvent(event);
    if (password_) password_->OnCoreEvent(event);
    if (account_) account_->OnCoreEvent(event);
}

void ClientWindows::ChangeLanguage(int language) {
    core_.SetLanguage(language);
    // Every top-level window (and through it each child) hears of the change.
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(qApp, &change);
}

void ClientWindows::OpenSettings() {
    if (!settings_) {
        SettingsContext context{core_.Texts(), *core_.Config()};
        context.userServ = core_.UserServ();
        context.videoControl = services_.videoControl;
        context.handsetPresent = services_.handsetPresent;
        context.changeLanguage = [this](int language) { ChangeLanguage(language); };
        context.silenceTones = services_.silenceTones;
        auto* window = new SettingsWindow(&main_, core_.Texts(), SettingsPages(context), services_.applyConfiguration,
                                          services_.applyConfiguration);
        window->setAttribute(Qt::WA_DeleteOnClose);
        ThemeWindow(*window, core_.Config()->SkinFile(SkinWindow::Settings));
        settings_ = window;
        settings_->Lock(Idle());
    }
    Raise(*settings_);
}

void ClientWindows::Raise(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

void ClientWindows::OpenAddressBook() {
    if (!addressBook_) {
        AddressBookServices services;
        services.dial = services_.dial;
        services.icon = services_.icon;
        services.chooseFile = services_.chooseFile;
        services.canInvite = services_.canInvite;
        services.invite = services_.invite;
        auto* window = new AddressBookWindow(&main_, core_.Texts(), *core_.Friends(), core_.Config(), services);
        window->setAttribute(Qt::WA_DeleteOnClose);
        addressBook_ = window;
    }
    Raise(*addressBook_);
}

void ClientWindows::OpenCallLists() {
    if (!callLists_) {
        CallListsServices services;
        services.dial = services_.dial;
        services.refreshMain = services_.refreshMain;
        FriendStore* store = core_.UserServ() != nullptr ? &core_.UserServ()->Friends() : nullptr;
        auto* window = new CallListsWindow(&main_, core_.Texts(), *core_.Records(), core_.Friends(), store, services);
        window->setAttribute(Qt::WA_DeleteOnClose);
        callLists_ = window;
    } else {
        callLists_->ShowType(kMissedCall);
    }
    Raise(*callLists_);
}

} // namespace orv

namespace orv {

void ClientWindows::OpenForward() {
    CUserServHandler* handler = core_.UserServ();
    if (!forward_) {
        // Shown only to users whose service includes forwarding (the session then knows
        // their forwarding record).
        ForwardRecord record;
        if (!handler->GetForwardInfo(&record)) {
            ShowSkinMessageBox(&main_, core_.Texts(), 0, kTextForwardNotSubscribed);
            return;
        }
        auto current = [handler] {
            ForwardRecord now;
            handler->GetForwardInfo(&now);
            return now;
        };
        auto send = [handler](const ForwardRecord& r) { return handler->SetForwardInfo(r) != 0; };
        auto* window = new ForwardWindow(&main_, core_.Texts(), current, send);
        window->setAttribute(Qt::WA_DeleteOnClose);
        forward_ = window;
    }
    Raise(*forward_);
}

void ClientWindows::OpenPassword() {
    CUserServHandler* handler = core_.UserServ();
    if (!password_) {
        PasswordWindow::Session session;
        session.number = handler->GetUserNumber();
        session.currentDigest = handler->GetPasswordField();
        session.send = [handler](const std::string& digest) { return handler->DoSetPwd(digest.c_str()) != 0; };
        auto* window = new PasswordWindow(&main_, core_.Texts(), session);
        window->setAttribute(Qt::WA_DeleteOnClose);
        password_ = window;
    }
    Raise(*password_);
}

void ClientWindows::OpenOwnNumber() {
    if (!ownNumber_) {
        auto* window = new OwnNumberWindow(&main_, core_.Texts(), core_.UserServ()->GetUserNumber());
        window->setAttribute(Qt::WA_DeleteOnClose);
        ownNumber_ = window;
    }
    Raise(*ownNumber_);
}

void ClientWindows::OpenAccount() {
    if (!account_) {
        account_ = new AccountDialog(&main_, core_);
        account_->setAttribute(Qt::WA_DeleteOnClose);
    }
    Raise(*account_);
}

} // namespace orv
