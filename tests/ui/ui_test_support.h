// What the main window tests share: a home folder with the default skin unpacked, a real
// client core whose events reach the window, services that record what the window asked
// for, and a helper that answers the next message box as a person would.
#pragma once

#include "client/ui/main_dialog.h"
#include "client/core/client_core.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// Passes the core's events to the window while there is one, and keeps them all.
class EventRelay : public CoreListener {
public:
    void OnCoreEvent(const CoreEvent& event) override;
    MainDialog* window = nullptr;
    std::vector<CoreEvent> events;
    // The window's message line after each call-progress event.
    std::vector<QString> shownLines;
    bool Shown(const QString& prefix) const;
    bool Seen(const std::string& name) const;
};

class UiFixture {
public:
    // withSkin false leaves the home folder without a skin tree.
    explicit UiFixture(bool withSkin = true);
    ~UiFixture();
    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }
    std::string Home() const { return home_.path().toStdString(); }

    ClientCore& Core() { return *core_; }
    EventRelay& Relay() { return relay_; }
    MainDialog& Window();
    // The window with services of the caller's making.
    MainDialog& Window(MainServices services);
    void Emit(const std::string& name, std::vector<std::pair<std::string, std::string>> fields,
              const std::string& text = std::string());

    // Services that record what the window asked for; the call state and clock are ours.
    MainServices Services();
    int state = 0;
    std::uint32_t tick = 1000000;
    int reconnectResult = 0;
    int reconnects = 0;
    std::vector<std::string> calls;
    std::vector<std::string> tones; // "" = silenced
    std::vector<std::string> dtmf;
    int hangups = 0;

private:
    QTemporaryDir home_;
    EventRelay relay_;
    std::unique_ptr<ClientCore> core_;
    std::unique_ptr<MainDialog> window_;
    bool ready_ = false;
    std::string error_;
};

// Answers the next skinned message box that shows (OK when ok, else Cancel) and keeps its
// text in *text; gives up after timeoutMs.
void AnswerNextMessageBox(bool ok, QString* text, int timeoutMs = 10000);

} // namespace orv
