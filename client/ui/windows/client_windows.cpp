#include "client/ui/windows/client_windows.h"

#include "client/core/client_core.h"
#include "client/data/client_config.h"
#include "client/ui/function_menu.h"
#include "client/ui/windows/settings_window.h"

#include <QApplication>
#include <QEvent>

namespace orv {

ClientWindows::ClientWindows(QWidget& main, ClientCore& core, ClientWindowsServices services)
    : main_(main), core_(core), services_(std::move(services)) {}

ClientWindows::~ClientWindows() {
    if (settings_) delete settings_.data();
}

bool ClientWindows::Handles(int command) const {
    switch (command) {
    case kCmdSettings: return core_.Config() != nullptr;
    default: return false;
    }
}

bool ClientWindows::Open(int command) {
    if (!Handles(command)) return false;
    switch (command) {
    case kCmdSettings: OpenSettings(); break;
    default: return false;
    }
    return true;
}

bool ClientWindows::Idle() const { return !services_.callState || services_.callState() == 0; }

void ClientWindows::OnCoreEvent(const CoreEvent& event) {
    if (event.name == "call_progress" && settings_) settings_->Lock(Idle());
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
        auto* window = new SettingsWindow(&main_, core_.Texts(), SettingsPages(context), services_.applyConfiguration,
                                          services_.applyConfiguration);
        window->setAttribute(Qt::WA_DeleteOnClose);
        settings_ = window;
        settings_->Lock(Idle());
    }
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

} // namespace orv
