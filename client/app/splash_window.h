// The splash window: the skin's "Logo.bmp" centred on the screen; once shown it runs the
// logon dialog and ends with OK when the logon dialog did.
#pragma once

#include <QDialog>
#include <QPixmap>

namespace orv {

class ClientCore;
class HandsetCore;

class SplashWindow : public QDialog {
public:
    // runLogon false: the picture only (screenshots).
    // handset (may be null) goes to the logon dialog.
    SplashWindow(ClientCore& core, const QString& logoPath, bool runLogon = true, HandsetCore* handset = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void RunLogon();

    ClientCore& core_;
    QPixmap logo_;
    bool started_ = false;
    bool runLogon_ = true;
    HandsetCore* handset_ = nullptr;
};

} // namespace orv
