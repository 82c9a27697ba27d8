// ClientApp: orvphone's start-up, its chain of modal windows and its exit, in a fixed order:
// log switch, text table, network thread, configuration and user-server handler (the client
// core), skin unpacking, the single-running-copy rule, splash and logon, main window; at exit
// the skin tree is removed (by the only running copy), the core is torn down and the log ends.
#pragma once

#include "client/core/client_core.h"
#include "platform/installed_layout.h"

#include <memory>
#include <string>

namespace orv {

class CallHandoverListener;
class MainDialog;
class CTonePlayer;
class HandsetCore;
class LibraryMessageBoxes;
class VideoCore;

struct AppOptions {
    std::string commandLine; // the words after the program name: "LOG [level]" switches the log on
    std::string serverHost;  // --server HOST:PORT: the user server, stored as if set in the dialog
    std::uint16_t serverPort = 0;
    std::string callNumber;  // --call NUMBER, or a tel: or orv: link: dialled once logged on
};

// Takes "--server HOST:PORT", "--call NUMBER" and a tel: or orv: link out of the arguments;
// the rest becomes the command line. False with a message when one of them is malformed.
bool ParseAppOptions(int argc, const char* const* argv, AppOptions* options, std::string* error);

class ClientApp : public CoreListener {
public:
    ClientApp();
    ~ClientApp() override;

    // Runs the program on the Qt thread (a QApplication must exist); returns the exit code.
    int Run(const AppOptions& options);
    void OnCoreEvent(const CoreEvent& event) override;

private:
    bool StartUp(const AppOptions& options);
    void RunWindows();
    void RunMainWindow();
    void UseHeadsetButtons(); // as the configuration says
    void Exit();
    // A start with a number while a copy runs: hands it over; true when that copy took it.
    bool HandOverCall(const std::string& number);
    void ListenForHandedCalls();
    void OnHandedCall(const std::string& number);

    std::unique_ptr<ClientCore> core_;
    std::unique_ptr<LibraryMessageBoxes> libraryBoxes_; // the libraries' boxes, in the core's language
    std::unique_ptr<CTonePlayer> tones_; // the main window's tones, on the configured sound device
    std::unique_ptr<VideoCore> video_; // the camera and the calls' video; ends before the core
    // The handset: opened by the logon dialog, then the main window's; closed with it.
    std::unique_ptr<HandsetCore> handset_;
    int instanceCount_ = 0;
    bool restartForUpdate_ = false;
    MainDialog* mainWindow_ = nullptr;
    std::unique_ptr<CallHandoverListener> handover_;
    std::string pendingCall_; // dialled when the main window opens
};

} // namespace orv
