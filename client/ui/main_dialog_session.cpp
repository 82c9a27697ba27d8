// The main window's life: the core's session events (lost server, forced logoff), closing
// with confirmation, and hiding to and restoring from the tray.
#include "client/ui/main_dialog.h"

#include "client/core/client_core.h"
#include "client/core/core_event_fields.h"
#include "client/log/log.h"
#include "client/ui/skin_message_box.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>

namespace orv {

namespace {

constexpr int kTextInformation = 1;
constexpr int kTextQuit = 22;
constexpr int kTextCallPlacingTimeout = 33;
constexpr char kTalkRequestType[] = "0x0201";

} // namespace

void MainDialog::OnCoreEvent(const CoreEvent& event) {
    // While the conference window is open its panes show the pictures: the video window
    // stays where it is.
    const bool conferencePictures = conference_ && conference_->Window() != nullptr && event.name == "video_start";
    if (video_ && !conferencePictures) video_->OnCoreEvent(event);
    if (windows_) windows_->OnCoreEvent(event);
    if (conference_) conference_->OnCoreEvent(event);
    if (event.name == "call_progress") {
        OnCallProgress(event);
    } else if (event.name == "forced_logoff") {
        OnForcedLogoff(event);
    } else if (event.name == "server_failure" || event.name == "keepalive_timeout") {
        OnServerFailure(event);
    } else if (event.name == "file_not_saved" && !event.text.empty()) {
        ShowSkinMessageBox(this, core_.Texts(), kTextInformation, event.text);
    }
}

void MainDialog::OnServerFailure(const CoreEvent& event) {
    if (closing_) return;
    if (EventField(event, "request") == kTalkRequestType) {
        // A call request without answer: say so for 2 s, then treat it as a lost server.
        line_.ShowBriefly(Text(kTextCallPlacingTimeout), Now());
        Refresh();
        QTimer::singleShot(static_cast<int>(kShortMessageMs), this, [this] { LostServer(); });
        return;
    }
    LostServer();
}

void MainDialog::WatchConnection(bool onLine) {
    if (onLine) {
        wasOnLine_ = true;
        return;
    }
    // During a call the call's own servers may still carry it: the keep-alive's resends
    // decide then, and the reconnect waits for the call's end.
    if (!wasOnLine_ || closing_ || CallState() != 0) return;
    // Off line is shown at the first miss; the reconnect waits until the server is lost.
    if (services_.serverLost && !services_.serverLost()) return;
    wasOnLine_ = false;
    WriteLog(3, "MainDialog: keep-alive missed, reconnecting");
    QTimer::singleShot(0, this, [this] { LostServer(); }); // not inside whoever asked for the redraw
}

void MainDialog::LostServer() {
    if (closing_) return;
    HangUp();
    line_.Show(Text(kTextServerFailed));
    Refresh();
    closing_ = true;
    const int result = services_.reconnect ? services_.reconnect() : kReconnectFailed;
    if (result == kReconnectOk) {
        closing_ = false;
        line_.Clear();
        Refresh();
        return;
    }
    if (result == kReconnectOkFilesUpdated) {
        ShowSkinMessageBox(this, core_.Texts(), kTextInformation, kTextFilesUpdated);
        CloseWindow(ExitReason::RestartForUpdate);
        return;
    }
    CloseWindow(ExitReason::ConnectionLost);
}

void MainDialog::OnForcedLogoff(const CoreEvent& event) {
    if (closing_) return;
    HangUp();
    closing_ = true;
    for (const QPointer<QWidget>& window : {about_}) {
        if (window) window->close();
    }
    WriteLog(3, "MainDialog: forced logoff: %s", event.text.c_str());
    ShowSkinMessageBox(this, core_.Texts(), kTextInformation, event.text);
    CloseWindow(ExitReason::ForcedLogoff);
}

void MainDialog::ConfirmClose() {
    if (closing_) return;
    if (ShowSkinMessageBox(this, core_.Texts(), kTextInformation, kTextQuit, true) != 1) return;
    closing_ = true;
    CloseWindow(ExitReason::UserQuit);
}

void MainDialog::CloseWindow(ExitReason reason) {
    closing_ = true;
    exit_ = reason;
    if (CallState() != 0) HangUp();
    SilenceTones();
    alert_->Stop();
    clockTimer_.stop();
    if (about_) about_->close();
    if (tray_) tray_->Hide();
    close();
    if (loop_) loop_->quit();
}

void MainDialog::closeEvent(QCloseEvent* event) {
    // The window manager's close asks like the close button does.
    if (!closing_) {
        event->ignore();
        ConfirmClose();
        return;
    }
    event->accept();
    if (loop_) loop_->quit();
}

MainDialog::ExitReason MainDialog::Exec() {
    QEventLoop loop;
    loop_ = &loop;
    show();
    video_->Show(); // beside the main window, where it stays
    activateWindow();
    if (!closing_) loop.exec();
    loop_ = nullptr;
    return exit_;
}

void MainDialog::CreateTrayIcon() {
    MainTray::Actions actions;
    actions.toggleWindow = [this] { ToggleFromTray(); };
    actions.restoreWindow = [this] { RestoreFromTray(); };
    actions.exit = [this] {
        RestoreFromTray(); // the question shows over the window
        ConfirmClose();
    };
    tray_ = std::make_unique<MainTray>(this, core_.Texts(), std::move(actions));
}

void MainDialog::ToggleFromTray() {
    if (isVisible() && !isMinimized()) HideToTray();
    else RestoreFromTray();
}

void MainDialog::HideToTray() {
    if (!tray_->Available()) {
        // Without a tray there would be no way back to a hidden window: minimise instead.
        showMinimized();
        tray_->SetWindowShown(false);
        return;
    }
    hiddenToTray_.clear();
    for (const QPointer<QWidget>& window : {about_}) {
        if (window && window->isVisible()) {
            hiddenToTray_.push_back(window);
            window->hide();
        }
    }
    hide();
    tray_->SetWindowShown(false);
}

void MainDialog::RestoreFromTray() {
    if (isVisible() && isMinimized()) {
        showNormal();
    } else if (!isVisible()) {
        show();
    }
    for (const QPointer<QWidget>& window : hiddenToTray_) {
        if (window) window->show();
    }
    hiddenToTray_.clear();
    raise();
    activateWindow();
    tray_->SetWindowShown(true);
}

} // namespace orv
