// MainDialog: the client's main window. It shows the number being dialled, call progress
// and server messages in the message area, the clock or the talk time in the time area,
// and has the buttons for calling, redialling, hanging up, the function menu, the volume
// sliders and the tray icon. It reads the core's events (call progress, server failure,
// forced logoff) and asks the parts below it, through MainServices, to act.
#pragma once

#include "client/skin/skinned_window.h"
#include "client/ui/display_area.h"
#include "client/ui/dock/dock_manager.h"
#include "client/ui/incoming_alert.h"
#include "client/ui/main_services.h"
#include "client/ui/main_tray.h"
#include "client/ui/main_volumes.h"
#include "client/ui/message_line.h"
#include "client/ui/number_entry.h"
#include "client/ui/talk_clock.h"
#include "client/ui/video/main_video.h"
#include "client/ui/windows/client_windows.h"
#include "client/userserver/option_packets.h"

#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;

namespace orv {

class ClientCore;
class DialPad;
struct HandsetWindow;
class StatusStrip;
struct CoreEvent;

class MainDialog : public SkinnedWindow {
public:
    enum class ExitReason { None, UserQuit, ForcedLogoff, ConnectionLost, RestartForUpdate };

    // home: the home folder whose unpacked skin tree "SkinFile" holds the window's skin.
    MainDialog(ClientCore& core, MainServices services, const std::string& home);
    ~MainDialog() override;

    // Shows the window and runs until it closes.
    ExitReason Exec();
    ExitReason Exit() const { return exit_; }
    bool RestartForUpdate() const { return exit_ == ExitReason::RestartForUpdate; }
    bool Closing() const { return closing_; }

    // The core's events while the window runs (the program's listener passes them on).
    void OnCoreEvent(const CoreEvent& event);
    // What the handset's keys and hook do in this window (the handset core takes them).
    HandsetWindow HandsetHooks();
    // A number chosen in the address book or the call lists: dial it.
    void Dial(const std::string& number);
    // A number from outside the window (a tel: link): dialled only when no call is on, so it
    // never answers a ringing call. False when it was not dialled.
    bool DialWhenIdle(const std::string& number);
    // Redraws the message and time areas now (the 1 s timer does it too).
    void Refresh();

    const std::string& NumberField() const { return entry_.Number(); }
    const std::string& LastNumber() const { return lastNumber_; }
    QString MessageAreaText() const;
    QString TimeAreaText() const;
    // The footer: own number and on-line state ("8001 · On line").
    QString StatusText() const;
    bool ForwardMarkShown() const;
    const std::string& LastTone() const { return lastTone_; }
    // The window as drawn, the outside of its shape transparent.
    QImage Screenshot();
    // The main window leads the docking: windows docked to it move along.
    CDockManager& Dock() { return dock_; }
    MainVideo& Video() { return *video_; }
    // The settings, address book, call lists and service windows.
    ClientWindows& Windows() { return *windows_; }
    MainTray& Tray() { return *tray_; }
    IncomingAlert& Alert() { return *alert_; }
    MainConference& Conference() { return *conference_; }
    // The on-screen dial pad (nullptr when the skin has no place for it).
    DialPad* Pad() const { return pad_; }
    void ShowDialPad(bool shown);
    bool DialPadShown() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Set-up.
    void BuildControls(const std::string& skinFile);
    void PlaceDisplayAreas(const std::string& skinFile);
    void PlaceForwardMark(const std::string& skinFile);
    void BuildDialPad(const std::string& skinFile);
    bool Forwarding() const;
    std::vector<PlainControl> PlainControls() const;
    void SetTips();
    void CreateTrayIcon();

    // Buttons, keys and the menu.
    void OnButton(const QString& name);
    void OnSlider(const QString& name, int value);
    void StartSlidersFromMixer();
    void OnCommand(int command);
    bool CommandAvailable(int command) const;
    void OpenFunctionMenu();
    std::vector<SupportEntry> SupportEntries() const;
    void ShowAbout();
    void TypeKey(char c);
    void Backspace();
    void PasteDigits();

    // Calls.
    void CallOrAccept();
    void Redial();
    void HangUp();
    void OnCallProgress(const CoreEvent& event);
    void TalkStart();
    void EndOfCall();
    void PlayTone(const std::string& tone, bool repeat = false);
    // A handset is present: it rings for an incoming call instead of the alert tone.
    bool HandsetRings() const;
    void SilenceTones();
    // The configured sound device reaches the tone player and the running audio threads.
    void ApplySoundDevice();
    int CallState() const;
    bool OnLine() const;
    DisplayArea::Entry NumberFieldLook() const;
    void ShowCallOutcome(const CoreEvent& event, int type);

    // The session and the window's life.
    void OnServerFailure(const CoreEvent& event);
    void LostServer();
    // Off line after being on line (a keep-alive went unanswered) while idle: the reconnect
    // starts now rather than when the keep-alive's resends run out.
    void WatchConnection(bool onLine);
    void OnForcedLogoff(const CoreEvent& event);
    void ConfirmClose();
    void CloseWindow(ExitReason reason);
    void HideToTray();
    void RestoreFromTray();
    void ToggleFromTray();

    std::uint32_t Now() const;
    std::string Text(int number) const;
    std::string DefaultLine() const;
    void SetButtonTip(const char* name, const std::string& tip);

    ClientCore& core_;
    MainServices services_;
    std::string home_;
    NumberEntry entry_;
    TalkClock clock_;
    MessageLine line_;
    MainVolumes volumes_;
    std::string lastNumber_;
    std::string serverInfo_;
    std::string lastTone_;
    CDockManager dock_;
    bool talked_ = false;
    bool incoming_ = false; // the current call rang in here
    bool closing_ = false;
    bool wasOnLine_ = false;
    ExitReason exit_ = ExitReason::None;

    DisplayArea* message_ = nullptr;
    DisplayArea* time_ = nullptr;
    StatusStrip* status_ = nullptr;
    QWidget* forwardMark_ = nullptr; // the forwarding picture, shown while calls are forwarded
    DialPad* pad_ = nullptr;
    QTimer clockTimer_; // 1 s: redraw, clock or talk time
    std::unique_ptr<MainTray> tray_;
    std::unique_ptr<IncomingAlert> alert_;
    QPointer<QWidget> about_;
    std::unique_ptr<MainVideo> video_;
    std::unique_ptr<ClientWindows> windows_;
    std::unique_ptr<MainConference> conference_;
    std::vector<QPointer<QWidget>> hiddenToTray_;
    QEventLoop* loop_ = nullptr;
};

} // namespace orv
