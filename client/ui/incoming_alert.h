// IncomingAlert: what a ringing call does beyond the ring tone: the answer button pulses, and
// the desktop shows a notification with Answer and Decline (where a notification service
// runs). The window itself comes to the front from the caller of Start.
#pragma once

#include "client/ui/notify/call_notification.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <string>

class QGraphicsOpacityEffect;
class QWidget;

namespace orv {

class TextTable;

class IncomingAlert : public QObject {
public:
    IncomingAlert(const TextTable& texts, std::function<void(bool answer)> choice);
    ~IncomingAlert() override;

    // answerButton may be null (then only the notification).
    void Start(QWidget* answerButton, const std::string& number, const std::string& name);
    void Stop();
    bool Ringing() const { return pulse_.isActive(); }
    // The answer button's brightness, 0 (dimmed) .. 1 (full); it swings while ringing.
    double Glow() const;
    const CallNotification& Notification() const { return notification_; }

private:
    void Beat();

    const TextTable& texts_;
    CallNotification notification_;
    QPointer<QWidget> button_;
    QGraphicsOpacityEffect* effect_ = nullptr; // owned by button_
    QTimer pulse_;
    bool lit_ = false;
};

} // namespace orv
