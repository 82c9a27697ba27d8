// LogonDialog: the ORV number (typed or picked from the numbers used on this computer, with
// their remembered password digests), the password, the remember-password choice and the
// server. At start it runs the update check; 2 s later it logs on by itself when the
// selected number has a remembered digest. OK ends it after a successful logon.
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

class LogonDialog : public QDialog {
public:
    LogonDialog(QWidget* parent, ClientCore& core);

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

    ClientCore& core_;
    std::vector<KnownNumber> known_;
    std::string serverAddress_;
    int serverPort_ = 0;
    bool storedDigestShown_ = false; // the password field holds the placeholder of storedDigest_
    std::string storedDigest_;
    QComboBox* number_;
    QLineEdit* password_;
    QCheckBox* remember_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* server_;
    QTimer* startWait_;
};

} // namespace orv
