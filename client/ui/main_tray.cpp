#include "client/ui/main_tray.h"

#include "client/text/text_rows.h"
#include "client/text/text_table.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace orv {

namespace {
constexpr int kTextTitle = 0;
constexpr int kTextExit = 277;
// Some trays cut a longer tooltip, or refuse it.
constexpr int kToolTipMax = 127;

QString Q(const std::string& text) { return QString::fromStdString(text); }
} // namespace

MainTray::MainTray(QWidget* window, const TextTable& texts, Actions actions)
    : window_(window), texts_(texts), actions_(std::move(actions)), menu_(std::make_unique<QMenu>()) {
    menu_->setObjectName(QStringLiteral("TrayMenu"));
    toggle_ = menu_->addAction(QString());
    state_ = menu_->addAction(QString());
    state_->setEnabled(false);
    menu_->addSeparator();
    exit_ = menu_->addAction(QString());
    connect(toggle_, &QAction::triggered, this, [this] {
        if (actions_.toggleWindow) actions_.toggleWindow();
    });
    connect(exit_, &QAction::triggered, this, [this] {
        if (actions_.exit) actions_.exit();
    });
    UpdateTexts();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    icon_ = new QSystemTrayIcon(this);
    QIcon picture = window_->windowIcon();
    if (picture.isNull()) picture = QApplication::windowIcon();
    icon_->setIcon(picture);
    icon_->setContextMenu(menu_.get());
    icon_->setToolTip(toolTip_);
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger && actions_.toggleWindow) actions_.toggleWindow();
        else if (why == QSystemTrayIcon::DoubleClick && actions_.restoreWindow) actions_.restoreWindow();
    });
    icon_->show();
}

MainTray::~MainTray() {
    if (icon_) icon_->setContextMenu(nullptr);
}

void MainTray::SetState(const QString& number, bool onLine) {
    if (number == number_ && onLine == onLine_) return;
    number_ = number;
    onLine_ = onLine;
    UpdateTexts();
}

void MainTray::SetWindowShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    UpdateTexts();
}

void MainTray::Retranslate() { UpdateTexts(); }

void MainTray::Hide() {
    if (icon_) icon_->hide();
}

void MainTray::UpdateTexts() {
    const QString state = Q(texts_.Text(onLine_ ? kTextOnLine : kTextOffLine));
    const QString line = number_.isEmpty() ? state : number_ + QStringLiteral(" · ") + state;
    toggle_->setText(Q(texts_.Text(shown_ ? kTextHideWindow : kTextShowWindow)));
    state_->setText(line);
    exit_->setText(Q(texts_.Text(kTextExit)));
    toolTip_ = (Q(texts_.Text(kTextTitle)) + QLatin1Char('\n') + line).left(kToolTipMax);
    if (icon_) icon_->setToolTip(toolTip_);
}

} // namespace orv
