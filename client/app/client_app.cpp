#include "client/app/client_app.h"

#include "client/app/app_message.h"
#include "client/app/app_quit.h"
#include "client/app/call_handover.h"
#include "client/app/connect_dialog.h"
#include "client/app/library_message_boxes.h"
#include "client/app/splash_window.h"
#include "client/audio/tones/tone_player.h"
#include "client/core/handset_core.h"
#include "client/core/video_core.h"
#include "client/handset/handset_device.h"
#include "client/data/client_config.h"
#include "client/log/log.h"
#include "client/ui/call_services.h"
#include "client/userserver/user_serv_handler.h"
#include "client/ui/main_dialog.h"
#include "platform/paths.h"
#include "platform/system.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <utility>

namespace orv {

namespace {

constexpr int kTextInformation = 1;
constexpr int kTextFileDamaged = 80;
constexpr int kTextIllegalFile = 81;
constexpr int kTextAlreadyRunning = 82;

bool ParseServer(const std::string& text, std::string* host, std::uint16_t* port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size() || colon + 6 < text.size()) return false;
    char* end = nullptr;
    const long value = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || value < 1 || value > 65535) return false;
    *host = text.substr(0, colon);
    *port = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace

bool ParseAppOptions(int argc, const char* const* argv, AppOptions* options, std::string* error) {
    std::string words;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string server;
        if (arg == "--call" || arg.rfind("--call=", 0) == 0) {
            options->callNumber = arg == "--call" ? (i + 1 < argc ? argv[++i] : "") : arg.substr(7);
            if (!IsDialableNumber(options->callNumber)) {
                *error = "--call wants a number of digits, \"*\" and \"#\"";
                return false;
            }
            continue;
        }
        if (strncasecmp(arg.c_str(), "tel:", 4) == 0 || strncasecmp(arg.c_str(), "orv:", 4) == 0) {
            options->callNumber = CallLinkNumber(arg);
            if (options->callNumber.empty()) {
                *error = "the link \"" + arg + "\" holds no number to call";
                return false;
            }
            continue;
        }
        if (arg == "--server" && i + 1 < argc) server = argv[++i];
        else if (arg.rfind("--server=", 0) == 0) server = arg.substr(9);
        else if (arg == "--server") server = "";
        else {
            words += (words.empty() ? "" : " ") + arg;
            continue;
        }
        if (!ParseServer(server, &options->serverHost, &options->serverPort)) {
            *error = "--server wants HOST:PORT with a port from 1 to 65535";
            return false;
        }
    }
    options->commandLine = words;
    return true;
}

ClientApp::ClientApp() = default;
ClientApp::~ClientApp() { Exit(); }

int ClientApp::Run(const AppOptions& options) {
    if (!options.callNumber.empty() && HandOverCall(options.callNumber)) return 0;
    pendingCall_ = options.callNumber;
    if (StartUp(options)) RunWindows();
    Exit();
    return 0;
}

bool ClientApp::StartUp(const AppOptions& options) {
    OpenLog(options.commandLine); // writes the start line when the log is on
    core_ = std::make_unique<ClientCore>(*this, true);
    std::string error;
    if (!core_->Start(&error)) {
        WriteLog(3, "Start-up failed: %s", error.c_str());
        std::fprintf(stderr, "orvphone: %s\n", error.c_str());
        return false;
    }
    libraryBoxes_ = std::make_unique<LibraryMessageBoxes>(core_->Texts());
    ClientConfig& config = *core_->Config();
    SetTheConfig(&config);
    if (!options.serverHost.empty()) {
        config.UserServer().address = options.serverHost;
        config.UserServer().port = options.serverPort;
        config.SaveComm();
    }
    if (!config.UnpackSkinData(&error)) {
        WriteLog(3, "Skin data: %s", error.c_str());
        ShowAppMessage(nullptr, core_->Texts(), kTextInformation, kTextFileDamaged);
        return false;
    }
    // One running copy per machine. Counted after the unpacking, so that a refused copy never
    // takes the first copy's skin tree away at its exit (it leaves with a count above 1).
    instanceCount_ = CountRunningProcesses(kClientProgramName);
    WriteLog(3, "Running copies of %s: %d", kClientProgramName, instanceCount_);
    if (instanceCount_ == 0) {
        ShowAppMessage(nullptr, core_->Texts(), kTextInformation, kTextIllegalFile);
        return false;
    }
    if (instanceCount_ >= 2) {
        ShowAppMessage(nullptr, core_->Texts(), kTextInformation, kTextAlreadyRunning);
        return false;
    }
    ListenForHandedCalls();
    video_ = std::make_unique<VideoCore>(*core_);
    handset_ = std::make_unique<HandsetCore>(*core_, HandsetWindow{});
    return true;
}

bool ClientApp::HandOverCall(const std::string& number) {
    if (CountRunningProcesses(kClientProgramName) < 2) return false;
    return SendCallHandover(CallHandoverSocketPath(), number);
}

void ClientApp::ListenForHandedCalls() {
    handover_ = std::make_unique<CallHandoverListener>([this](const std::string& number) { OnHandedCall(number); });
    std::string error;
    if (!handover_->Listen(CallHandoverSocketPath(), &error)) {
        WriteLog(3, "Numbers cannot be handed to this copy: %s", error.c_str());
        handover_.reset();
    }
}

void ClientApp::OnHandedCall(const std::string& number) {
    WriteLog(3, "Number handed over: %s", number.c_str());
    if (mainWindow_ == nullptr) {
        pendingCall_ = number; // dialled once logged on
    } else if (!mainWindow_->DialWhenIdle(number)) {
        WriteLog(3, "A call is on: %s not dialled", number.c_str());
    }
}

void ClientApp::RunWindows() {
    if (QuitRequested()) return;
    const QString logo =
        QString::fromStdString(JoinPath(core_->Config()->SkinFolder(SkinWindow::Main), "Logo.bmp"));
    int splashResult = QDialog::Rejected;
    {
        SplashWindow splash(*core_, logo, true, handset_.get());
        splashResult = splash.exec();
    }
    if (splashResult != QDialog::Accepted || QuitRequested()) return;
    if (core_->RestartForUpdate()) restartForUpdate_ = true;
    if (restartForUpdate_) {
        ShowAppMessage(nullptr, core_->Texts(), kTextInformation, kTextFilesUpdated);
        return;
    }
    RunMainWindow();
}

void ClientApp::RunMainWindow() {
    MainServices services;
    if (core_->Calls() != nullptr) UseCallControl(*core_->Calls(), &services);
    if (core_->Config() != nullptr) {
        tones_ = std::make_unique<CTonePlayer>(core_->Config()->Audio().device);
        UseTonePlayer(*tones_, &services);
    }
    if (video_) {
        UseVideoCore(*video_, core_->Config(), core_->Calls(), &services);
        video_->StartFromConfiguration();
    }
    services.onLine = [this] { return core_->UserServ() != nullptr && core_->UserServ()->KeepAliveCurrent(); };
    services.serverLost = [this] { return core_->UserServ() != nullptr && core_->UserServ()->KeepAliveLost(); };
    services.reconnect = [this]() -> int {
        ConnectDialog connecting(mainWindow_, *core_, LogonMode::Reconnect, core_->LastLogonRequest());
        if (connecting.exec() != QDialog::Accepted) return kReconnectFailed;
        return core_->RestartForUpdate() ? kReconnectOkFilesUpdated : kReconnectOk;
    };
    services.handsetPresent = [] { return HandsetDevice::Present(); };
    services.handsetConfiguration = [this] { UseHeadsetButtons(); };
    WriteLog(3, "Main window opens");
    MainDialog window(*core_, std::move(services), HomeFolder());
    mainWindow_ = &window;
    if (!pendingCall_.empty()) {
        QTimer::singleShot(0, &window, [this, &window] { OnHandedCall(std::exchange(pendingCall_, std::string())); });
    }
    // The handset the logon dialog opened is the main window's now (opened here otherwise).
    handset_->Retarget(window.HandsetHooks());
    handset_->Open();
    UseHeadsetButtons();
    const MainDialog::ExitReason reason = window.Exec();
    handset_.reset(); // rings off and closes before the window goes
    mainWindow_ = nullptr;
    if (reason == MainDialog::ExitReason::RestartForUpdate) restartForUpdate_ = true;
    WriteLog(3, "Main window closed (%d)", static_cast<int>(reason));
}

void ClientApp::UseHeadsetButtons() {
    if (!handset_) return;
    const bool on = core_->Config() != nullptr && core_->Config()->General().headsetButtons == 1;
    const int devices = handset_->UseHeadsetButtons(on);
    if (on) WriteLog(3, "Headset call buttons: %d device(s)", devices);
}

void ClientApp::OnCoreEvent(const CoreEvent& event) {
    // The logon's own events are shown by the connection dialog; the rest go to the main window.
    if (handset_) handset_->OnCoreEvent(event); // first: the ringer takes the alert
    if (mainWindow_ != nullptr) {
        mainWindow_->OnCoreEvent(event);
    } else if (event.name == "file_not_saved" && !event.text.empty()) {
        ShowAppMessage(nullptr, core_->Texts(), kTextInformation, event.text); // before the main window
    }
}

void ClientApp::Exit() {
    if (!core_) return;
    if (restartForUpdate_) core_->StartUpdater();
    if (instanceCount_ == 1 && core_->Config() != nullptr && !core_->Config()->RemoveSkinTree())
        WriteLog(3, "The skin tree could not be removed completely");
    handover_.reset();
    handset_.reset();
    video_.reset(); // detaches from the calls and ends the camera thread
    SetTheConfig(nullptr);
    libraryBoxes_.reset(); // before the texts it shows go
    core_.reset(); // logs out, stops the timer and network threads, drops the configuration
    CloseLog();
}

} // namespace orv
