// ConnectDialog: the small progress dialog that runs one mode of the logon sequence (the
// update check, the logon, or the reconnect) and shows its outcome. OK means logged on.
#pragma once

#include "client/core/logon_sequence.h"

#include <QDialog>
#include <string>

class QLabel;
class QTimer;

namespace orv {

class ClientCore;
class TextTable;
class UpdateDialog;
struct UpdateDownloadStep;

// The text an outcome shows; a time-out names the server that did not answer.
std::string LogonOutcomeText(const TextTable& texts, const LogonOutcome& outcome, const LogonRequest& request);

class ConnectDialog : public QDialog {
public:
    ConnectDialog(QWidget* parent, ClientCore& core, LogonMode mode, const LogonRequest& request);
    ~ConnectDialog() override;

    // The outcome that ended the dialog (Cancelled until one arrives).
    const LogonOutcome& Outcome() const { return outcome_; }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override; // Cancel stops the logon first

private:
    void Begin();
    void OnOutcome(const LogonOutcome& outcome);
    void OnDownloadStep(const UpdateDownloadStep& step);

    ClientCore& core_;
    LogonMode mode_;
    LogonRequest request_;
    LogonOutcome outcome_;
    QLabel* picture_;
    QTimer* animation_;
    UpdateDialog* update_ = nullptr; // while a live update downloads
    bool begun_ = false;
    bool ended_ = false;
    int frame_ = 0;
};

} // namespace orv
