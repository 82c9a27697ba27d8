// CallNotification: the desktop's notification of a ringing call, with Answer and Decline,
// through the freedesktop notification service on the session bus. Without a session bus
// or a notification service nothing shows and the call rings in the window as before.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

namespace orv {

class CallNotification : public QObject {
    Q_OBJECT
public:
    // answered(true) for Answer, answered(false) for Decline; only for the notification shown last.
    using Choice = std::function<void(bool answer)>;
    explicit CallNotification(Choice choice, QObject* parent = nullptr);
    ~CallNotification() override;

    // Asks for the notification (replacing one still shown); false when there is no service.
    bool Show(const QString& summary, const QString& body, const QString& answerText, const QString& declineText);
    // Takes the notification away (the call was answered, declined or ended).
    void Close();
    // The desktop has shown it and it is still up.
    bool Shown() const { return id_ != 0; }

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    void CloseId(uint id);

    Choice choice_;
    uint id_ = 0;
    std::uint64_t request_ = 0; // the Show whose answer counts
    bool listening_ = false;
};

} // namespace orv
