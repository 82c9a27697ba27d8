#include "client/app/connect_dialog.h"

#include "client/app/app_message.h"
#include "client/log/log.h"
#include "client/ui/skin_message_box.h"
#include "client/core/client_core.h"
#include "client/friends/text_format.h"
#include "client/text/text_rows.h"
#include "client/ui/windows/update_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orv {

namespace {

constexpr int kTextTitle = 157;       // "Connect to Server"
constexpr int kTextConnecting = 159;  // "Connecting to ORV Server"
constexpr int kTextSearching = 160;   // "Searching for updates"
constexpr int kAnimationMs = 500;

// The two pictures the dialog alternates: a row of dots with the lit dot moving on.
QPixmap AnimationPicture(int frame) {
    QPixmap picture(96, 24);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 4; ++i) {
        bool lit = (i % 2) == frame;
        p.setPen(Qt::NoPen);
        p.setBrush(lit ? QColor(0x2e, 0x86, 0xde) : QColor(0xc8, 0xd3, 0xdf));
        p.drawEllipse(QPointF(12 + i * 24, 12), 7, 7);
    }
    return picture;
}

} // namespace

std::string LogonOutcomeText(const TextTable& texts, const LogonOutcome& outcome, const LogonRequest& request) {
    const std::string text = texts.Text(outcome.messageText);
    if (outcome.kind != LogonOutcomeKind::TimedOut) return text;
    return FillText(texts.Text(kTextNoAnswerFrom), {text, request.host + ":" + std::to_string(request.port)});
}

ConnectDialog::ConnectDialog(QWidget* parent, ClientCore& core, LogonMode mode, const LogonRequest& request)
    : QDialog(parent), core_(core), mode_(mode), request_(request) {
    const TextTable& texts = core.Texts();
    setObjectName("ConnectDialog");
    setStyleSheet(DialogStyleSheet());
    setWindowTitle(QString::fromStdString(texts.Text(kTextTitle)));
    picture_ = new QLabel(this);
    picture_->setPixmap(AnimationPicture(0));
    picture_->setAlignment(Qt::AlignCenter);
    auto* status = new QLabel(
        QString::fromStdString(texts.Text(mode == LogonMode::UpdateCheck ? kTextSearching : kTextConnecting)), this);
    status->setObjectName("ConnectStatus");
    auto* cancel = new QPushButton(QString::fromStdString(texts.Text(kTextCancel)), this);
    cancel->setObjectName("ConnectCancel");
    connect(cancel, &QPushButton::clicked, this, &ConnectDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(picture_);
    column->addWidget(status);
    column->addLayout(row);
    animation_ = new QTimer(this);
    connect(animation_, &QTimer::timeout, this, [this] { picture_->setPixmap(AnimationPicture(frame_ ^= 1)); });
    animation_->start(kAnimationMs);
}

ConnectDialog::~ConnectDialog() {
    // A logon still running when the dialog goes (its owner closed) is stopped: its outcome
    // must not reach a dialog that no longer exists.
    core_.SetDownloadObserver({});
    if (ended_) return;
    ended_ = true; // the outcome of the cancel finds the dialog ended
    core_.CancelLogon();
}

void ConnectDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!begun_) {
        begun_ = true;
        // Started from the event loop, after the dialog is on the screen.
        QTimer::singleShot(0, this, [this] { Begin(); });
    }
}

void ConnectDialog::Begin() {
    if (ended_) return;
    core_.SetDownloadObserver([this](const UpdateDownloadStep& step) { OnDownloadStep(step); });
    if (!core_.StartLogon(mode_, request_, [this](const LogonOutcome& outcome) { OnOutcome(outcome); })) {
        WriteLog(3, "ConnectDialog: the logon could not be started (server %s:%u)", request_.host.c_str(),
                 static_cast<unsigned>(request_.port));
        ended_ = true;
        ShowAppMessage(this, core_.Texts(), kTextInformationTitle, kTextNetworkError);
        QDialog::reject();
    }
}

void ConnectDialog::OnDownloadStep(const UpdateDownloadStep& step) {
    switch (step.kind) {
    case UpdateDownloadStep::List:
        update_ = new UpdateDialog(this, core_);
        update_->setAttribute(Qt::WA_DeleteOnClose);
        update_->setModal(true);
        connect(update_, &QObject::destroyed, this, [this] { update_ = nullptr; });
        update_->show();
        break;
    case UpdateDownloadStep::Progress:
        if (update_ != nullptr) update_->OnStep(step);
        break;
    case UpdateDownloadStep::Failed:
        ShowAppMessage(update_ != nullptr ? static_cast<QWidget*>(update_) : this, core_.Texts(),
                       kTextInformationTitle, step.messageText);
        break;
    }
}

void ConnectDialog::OnOutcome(const LogonOutcome& outcome) {
    if (ended_) return;
    ended_ = true;
    outcome_ = outcome;
    animation_->stop();
    if (update_ != nullptr) update_->close();
    if (outcome.kind == LogonOutcomeKind::UpdateInstalled) {
        // The application tells the user and restarts through the updater.
        QDialog::accept();
        return;
    }
    if (outcome.messageText != 0)
        ShowAppMessage(this, core_.Texts(), outcome.titleText, LogonOutcomeText(core_.Texts(), outcome, request_));
    if (outcome.Succeeded()) QDialog::accept();
    else QDialog::reject();
}

void ConnectDialog::reject() {
    if (!ended_) {
        core_.CancelLogon(); // its outcome (Cancelled) ends the dialog
        if (!ended_) {        // the logon had not started yet
            ended_ = true;
            QDialog::reject();
        }
        return;
    }
    QDialog::reject();
}

} // namespace orv
