// The main window's conference: the conference controls of the session (made as soon as
// the session's user-server handler exists, so an invitation answered in the main window
// finds them) and the conference window, opened from the function menu or when this side
// joins another's room. While the window is open the camera's frames and the members'
// pictures go to its panes; when it closes they go back to the video window.
#pragma once

#include "client/core/conference_control.h"
#include "client/ui/conference/conference_window.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace orv {

class ClientCore;
struct CoreEvent;

struct MainConferenceServices {
    // Makes display the window that gets the camera's frames and the decoded pictures.
    std::function<void(HWND display)> attachDisplay;
    // The video window's display, which gets them while no conference window is open.
    std::function<HWND()> videoDisplay;
    // Hooks for the window (tests answer its questions themselves); see ConferenceWindowHooks.
    ConferenceWindowHooks window;
};

class MainConference {
public:
    MainConference(QWidget& main, ClientCore& core, const std::string& home, MainConferenceServices services);
    ~MainConference();

    // Opens (or raises) the conference window; false before the session exists.
    bool Open();
    // The core's events: the window follows the conference ones; joining another's room
    // opens it.
    void OnCoreEvent(const CoreEvent& event);
    // An address-book friend may be invited now: this side chairs a room with a free seat.
    bool CanInvite() const;
    void Invite(const std::string& number);

    ConferenceControl* Control() const { return control_.get(); }
    ConferenceWindow* Window() const { return window_; }

private:
    bool EnsureControl();
    void Closed();

    QWidget& main_;
    ClientCore& core_;
    std::string skinFile_;
    MainConferenceServices services_;
    std::unique_ptr<ConferenceControl> control_;
    QPointer<ConferenceWindow> window_;
};

} // namespace orv
