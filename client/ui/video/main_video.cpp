#include "client/ui/video/main_video.h"

#include "client/call/call_progress.h"
#include "client/core/core_event_fields.h"
#include "client/data/skin_paths.h"
#include "client/text/text_table.h"
#include "client/ui/video/video_settings_page.h"
#include "client/video/control/video_ctl_thread.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {

constexpr int kTextVideoSetting = 189;
constexpr int kTextOk = 162;
constexpr int kTextCancel = 158;

} // namespace

MainVideo::MainVideo(QWidget& main, const TextTable& texts, const std::string& home, MainVideoServices services)
    : main_(main), texts_(texts), services_(std::move(services)) {
    window_ = std::make_unique<VideoWindow>(texts_, SkinFilePath(home, SkinWindow::Video));
    window_->setWindowIcon(main_.windowIcon());
    VideoWindowHooks hooks;
    hooks.setSendingPaused = [this](bool paused) { SetSendingPaused(paused); };
    hooks.openVideoOptions = [this](QWidget* parent) { OpenOptions(parent); };
    hooks.keyTarget = &main_;
    window_->SetHooks(std::move(hooks));
    if (services_.attachDisplay) services_.attachDisplay(window_->Display().FrameWindow());
}

MainVideo::~MainVideo() {
    if (services_.attachDisplay) services_.attachDisplay(0);
}

void MainVideo::Show() {
    if (!docked_) {
        window_->DockBeside(main_);
        docked_ = true;
    }
    window_->show();
    window_->raise();
}

void MainVideo::SetSendingPaused(bool paused) {
    if (services_.setSendingPaused) services_.setSendingPaused(paused);
    if (inCall_ && services_.tellPeerPaused) services_.tellPeerPaused(paused);
}

void MainVideo::OnCoreEvent(const CoreEvent& event) {
    if (event.name == "video_start") {
        window_->VideoOn(); // sending resumes; the peer learns of pauses from here on
        inCall_ = true;
        Show();
    } else if (event.name == "video_capture") {
        // Without a running camera the background shows, not the last frame it sent.
        window_->Display().EnableLocal(EventIntField(event, "state") != 0);
    } else if (event.name == "video_stop") {
        inCall_ = false;
        window_->Reset();
    } else if (event.name == "call_progress") {
        const int type = EventIntField(event, "type");
        if (type == kCallVideoPaused) {
            window_->SetPeerPaused(EventIntField(event, "reason") != 0);
        } else if (type == kCallEndedRemote || type == kCallEndedLocal || type == kCallLinkLost) {
            inCall_ = false;
            window_->Reset();
        }
    }
}

void MainVideo::OpenOptions(QWidget* parent) {
    if (services_.config == nullptr) return;
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("VideoOptions"));
    dialog.setWindowTitle(QString::fromStdString(texts_.Text(kTextVideoSetting)));
    auto* page = new VideoSettingsPage(&dialog, texts_, *services_.config, services_.control);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QString::fromStdString(texts_.Text(kTextOk)), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromStdString(texts_.Text(kTextCancel)), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* column = new QVBoxLayout(&dialog);
    column->addWidget(page);
    column->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return;
    if (page->Apply() && services_.control != nullptr) services_.control->StartFromConfiguration();
}

} // namespace orv
