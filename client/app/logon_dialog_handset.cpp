// The logon dialog with a handset: it opens the handset once the update check is over and,
// when the handset's stored data were read, takes the number from a bound handset and the
// customer number as the logon's bind value.
#include "client/app/app_message.h"
#include "client/app/logon_dialog.h"
#include "client/core/client_core.h"
#include "client/core/handset_core.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace orv {

namespace {
constexpr int kTextInformation = 1;
constexpr int kTextHandsetAbnormal = 75;
} // namespace

void LogonDialog::OpenHandset() {
    if (handset_ == nullptr) return;
    HandsetWindow waiting;
    waiting.ready = [this](bool ok) { OnHandsetReady(ok); };
    handset_->Retarget(std::move(waiting));
    handset_->Open();
    // Plugged in and read before: the data are there already.
    if (handset_->Data().ready) OnHandsetReady(true);
}

void LogonDialog::OnHandsetReady(bool ok) {
    startWait_->stop();
    cancel_->setEnabled(true);
    server_->setEnabled(true);
    handsetReady_ = true;
    ok_->setEnabled(false);
    if (!ok) {
        customer_ = 0;
        number_->setEditText(QString());
        ShowAppMessage(this, core_.Texts(), kTextInformation, kTextHandsetAbnormal);
        return;
    }
    const HandsetData& stored = handset_->Data();
    customer_ = stored.customer;
    if (stored.bound) {
        if (!stored.number.empty()) UseHandsetNumber(stored.number);
        return;
    }
    // A handset that holds no number: the user types it.
    ok_->setEnabled(true);
    numberFromHandset_ = false;
    number_->setCurrentIndex(-1);
    number_->setEditText(QString());
    number_->setEnabled(true);
    password_->setEnabled(true);
    if (serverAddress_.empty()) AskServer();
}

void LogonDialog::UseHandsetNumber(const std::string& number) {
    ok_->setEnabled(true);
    numberFromHandset_ = true;
    number_->setEnabled(false);
    password_->setEnabled(true);
    for (std::size_t i = 0; i < known_.size(); ++i) {
        if (known_[i].number != number) continue;
        number_->setCurrentIndex(static_cast<int>(i));
        ApplySelection(static_cast<int>(i));
        if (serverAddress_.empty()) AskServer();
        else if (!password_->text().isEmpty()) OnOk();
        return;
    }
    number_->setCurrentIndex(-1);
    number_->setEditText(QString::fromStdString(number));
    if (serverAddress_.empty()) AskServer();
}

} // namespace orv
