// LogonDialog: the ORV number (typed or picked from the numbers used on this computer, with
// their remembered password digests), the password, the remember-password choice and the
// server. At start it runs the update check; 2 s later it logs on by itself when the
// selected number has a remembered digest. OK ends it after a successful logon.
//
// With a handset it waits for the handset's stored data instead: a handset bound to a
// number gives that number (the number box then cannot be changed), and its customer
// number goes with the logon as the bind value.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orv {

class ClientCore;
class HandsetCore;

class LogonDialog : public QDialog {
public:
    // handset (may be null) is opened once the update check is over, with this dialog waiting
    // for its data; it must outlive the dialog.
    LogonDialog(QWidget* parent, ClientCore& core, HandsetCore* handset = nullptr);

    // The wait between the update check and the logon by itself (2000 ms).
    static constexpr int kStartWaitMs = 2000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct KnownNumber {
        std::string number;
        std::string digest; // empty: none remembered
    };

    void OnStart();
    void OnStartWaitOver();
    void OnOk();
    void OnServerButton();
    void ApplySelection(int index);
    bool AskServer();
    void EnableInput(bool enabled);
    // The handset (logon_dialog_handset.cpp).
    void OpenHandset();
    void OnHandsetReady(bool ok);
    void UseHandsetNumber(const std::string& number);

    ClientCore& core_;
    std::vector<KnownNumber> known_;
    std::string serverAddress_;
    int serverPort_ = 0;
    bool storedDigestShown_ = false; // the password field holds the placeholder of storedDigest_
    std::string storedDigest_;
    HandsetCore* handset_;
    bool handsetReady_ = false;
    bool numberFromHandset_ = false; // the number box shows the handset's number, unchangeable
    std::uint32_t customer_ = 0;     // the handset's customer number, 0 without one
    QComboBox* number_;
    QLineEdit* password_;
    QCheckBox* remember_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* server_;
    QTimer* startWait_;
};

} // namespace orv
