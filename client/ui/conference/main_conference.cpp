#include "client/ui/conference/main_conference.h"

#include "client/core/client_core.h"
#include "client/core/core_event_fields.h"
#include "client/core/friends_core.h"
#include "client/data/skin_paths.h"

namespace orv {

MainConference::MainConference(QWidget& main, ClientCore& core, const std::string& home,
                               MainConferenceServices services)
    : main_(main), core_(core), skinFile_(SkinFilePath(home, SkinWindow::Conference)), services_(std::move(services)) {
    if (!services_.window.friends) {
        services_.window.friends = [this] {
            std::vector<std::pair<std::string, std::string>> list;
            if (FriendsCore* friends = core_.Friends()) {
                for (const FriendEntry& f : friends->Friends()) {
                    if (!f.record.netPhone.empty()) list.emplace_back(f.record.friendName, f.record.netPhone);
                }
            }
            return list;
        };
    }
    EnsureControl();
}

MainConference::~MainConference() {
    delete window_.data();
    control_.reset();
}

bool MainConference::EnsureControl() {
    if (!control_ && core_.UserServ() != nullptr) control_ = std::make_unique<ConferenceControl>(core_);
    return control_ != nullptr;
}

bool MainConference::Open() {
    if (!EnsureControl()) return false;
    if (!window_) {
        ConferenceWindowHooks hooks = services_.window;
        auto closed = hooks.closed;
        hooks.closed = [this, closed] {
            Closed();
            if (closed) closed();
        };
        window_ = new ConferenceWindow(core_.Texts(), *control_, skinFile_, std::move(hooks), &main_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        const QRect home = main_.frameGeometry();
        window_->move(home.right() + 8, home.top());
    }
    if (services_.attachDisplay) services_.attachDisplay(window_->Panes().FrameWindow());
    window_->show();
    window_->raise();
    window_->activateWindow();
    return true;
}

void MainConference::Closed() {
    if (services_.attachDisplay) services_.attachDisplay(services_.videoDisplay ? services_.videoDisplay() : 0);
}

void MainConference::OnCoreEvent(const CoreEvent& event) {
    if (!control_) {
        if (event.name != "logon_complete" || !EnsureControl()) return;
    }
    // Answering another's invitation puts this side in that room: its window opens.
    if (event.name == "conf_event" && EventIntField(event, "type") == 7 && !control_->OwnRoom() && !window_) Open();
    if (window_) window_->OnCoreEvent(event);
}

bool MainConference::CanInvite() const {
    return control_ && control_->Chairman() && control_->Rows().size() < static_cast<std::size_t>(kConfSeats - 1);
}

void MainConference::Invite(const std::string& number) {
    if (!CanInvite() || !Open()) return;
    window_->InviteNumber(number);
}

} // namespace orv
