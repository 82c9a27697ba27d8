// The "Live Update" dialog: the file being downloaded ("Downloading file: NAME") and a
// progress bar from 0 to 100, with Cancel, which ends the download early (what is complete
// is installed all the same). The connection dialog shows it while a live update
// downloads and feeds it the download's steps.
#pragma once

#include "client/core/update_download.h"

#include <QDialog>

class QLabel;
class QProgressBar;

namespace orv {

class ClientCore;

class UpdateDialog : public QDialog {
public:
    UpdateDialog(QWidget* owner, ClientCore& core);

    void OnStep(const UpdateDownloadStep& step);
    int Percent() const;

protected:
    void reject() override; // Cancel: the download stops; the dialog closes with it

private:
    ClientCore& core_;
    QLabel* status_;
    QProgressBar* bar_;
};

} // namespace orv
