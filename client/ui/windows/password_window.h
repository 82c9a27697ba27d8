// The password window: the old password, the new one and its confirmation. A wrong old
// password or two different new ones are refused before anything is sent; only the digest
// of the own number and the new password travels.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QFormLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace orv {

class TextTable;
struct CoreEvent;

class PasswordWindow : public QDialog {
public:
    struct Session {
        std::string number;        // the own ORV number
        std::string currentDigest; // the digest of this logon
        // Sends the change with the new digest; false when it could not be sent.
        std::function<bool(const std::string& newDigest)> send;
    };
    PasswordWindow(QWidget* owner, const TextTable& texts, Session session);

    // The session's answer ("password_set").
    void OnCoreEvent(const CoreEvent& event);
    // Checks and sends; the number of the text that refused it (116, 117), or 0 when sent.
    int Modify();

    QLineEdit* Old() const { return old_; }
    QLineEdit* New() const { return new_; }
    QLineEdit* Confirm() const { return confirm_; }
    QPushButton* ModifyButton() const { return modify_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();

    const TextTable& texts_;
    Session session_;
    QLineEdit* old_ = nullptr;
    QLineEdit* new_ = nullptr;
    QLineEdit* confirm_ = nullptr;
    QPushButton* modify_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QGroupBox* box_ = nullptr;
    QFormLayout* form_ = nullptr;
};

} // namespace orv
