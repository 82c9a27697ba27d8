#include "client/ui/incoming_alert.h"

#include "client/friends/text_format.h"
#include "client/text/text_rows.h"
#include "client/text/text_table.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

namespace orv {

namespace {
constexpr int kTextAccept = 31;
constexpr int kPulseMs = 450;
// The button breathes between full and dimmed; a tint would also colour the face's corners.
constexpr double kDimOpacity = 0.4;
} // namespace

IncomingAlert::IncomingAlert(const TextTable& texts, std::function<void(bool answer)> choice)
    : texts_(texts), notification_(std::move(choice)) {
    connect(&pulse_, &QTimer::timeout, this, [this] { Beat(); });
}

IncomingAlert::~IncomingAlert() { Stop(); }

void IncomingAlert::Start(QWidget* answerButton, const std::string& number, const std::string& name) {
    Stop();
    button_ = answerButton;
    if (button_) {
        effect_ = new QGraphicsOpacityEffect(button_);
        button_->setGraphicsEffect(effect_); // the button owns it from here
    }
    lit_ = false;
    Beat();
    pulse_.start(kPulseMs);
    const std::string caller = name.empty() || name == number ? number : name + " (" + number + ")";
    notification_.Show(QString::fromStdString(FillText(texts_.Text(kTextIncomingCallFrom), {caller})),
                       QString::fromStdString(number), QString::fromStdString(texts_.Text(kTextAccept)),
                       QString::fromStdString(texts_.Text(kTextDecline)));
}

void IncomingAlert::Stop() {
    pulse_.stop();
    notification_.Close();
    if (button_ && effect_ && button_->graphicsEffect() == effect_) button_->setGraphicsEffect(nullptr);
    effect_ = nullptr;
    button_ = nullptr;
    lit_ = false;
}

double IncomingAlert::Glow() const {
    return effect_ && button_ ? (effect_->opacity() - kDimOpacity) / (1.0 - kDimOpacity) : 0.0;
}

void IncomingAlert::Beat() {
    lit_ = !lit_;
    if (effect_ && button_) effect_->setOpacity(lit_ ? 1.0 : kDimOpacity);
}

} // namespace orv
