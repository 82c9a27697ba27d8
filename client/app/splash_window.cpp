#include "client/app/splash_window.h"

#include "client/app/logon_dialog.h"
#include "client/log/log.h"
#include "client/core/client_core.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace orv {

namespace {
constexpr int kTextProductTitle = 0;
constexpr QSize kSizeWithoutLogo(400, 240);
} // namespace

SplashWindow::SplashWindow(ClientCore& core, const QString& logoPath, bool runLogon, HandsetCore* handset)
    : core_(core), runLogon_(runLogon), handset_(handset) {
    setObjectName("SplashWindow");
    setWindowTitle(QString::fromStdString(core.Texts().Text(kTextProductTitle)));
    setWindowFlag(Qt::FramelessWindowHint);
    if (!logo_.load(logoPath)) WriteLog(3, "Splash: no picture %s", logoPath.toLocal8Bit().constData());
    setFixedSize(logo_.isNull() ? kSizeWithoutLogo : logo_.size());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (logo_.isNull()) {
        painter.fillRect(rect(), QColor(0x1f, 0x3a, 0x5f));
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, windowTitle());
        return;
    }
    painter.drawPixmap(rect(), logo_);
}

void SplashWindow::keyPressEvent(QKeyEvent* event) {
    // Escape and Enter do nothing here.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(event);
}

void SplashWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_ || !runLogon_) return;
    started_ = true;
    QTimer::singleShot(0, this, [this] { RunLogon(); });
}

void SplashWindow::RunLogon() {
    LogonDialog logon(this, core_, handset_);
    if (logon.exec() == QDialog::Accepted) accept();
    else reject();
}

} // namespace orv
