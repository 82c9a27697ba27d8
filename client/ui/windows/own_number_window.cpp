#include "client/ui/windows/own_number_window.h"

#include "client/ui/skin_message_box.h"
#include "client/ui/windows/window_style.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {
constexpr int kTextOwnTitle = 258;
constexpr int kTextOwnLabel = 259;
constexpr int kNumberPixels = 20;
} // namespace

OwnNumberWindow::OwnNumberWindow(QWidget* owner, const TextTable& texts, const std::string& number)
    : QDialog(owner), texts_(texts) {
    setObjectName(QStringLiteral("OwnNumberWindow"));
    StyleWindow(*this);
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout();
    label_ = new QLabel(this);
    row->addWidget(label_);
    auto* shown = new QLabel(QString::fromStdString(number), this);
    shown->setObjectName(QStringLiteral("number"));
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont large = shown->font();
    large.setPixelSize(kNumberPixels);
    large.setBold(true);
    shown->setFont(large);
    row->addWidget(shown, 1);
    column->addLayout(row);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    cancel_ = new QPushButton(this);
    cancel_->setDefault(true);
    buttons->addWidget(cancel_);
    column->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    Retranslate();
}

void OwnNumberWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QDialog::changeEvent(event);
}

void OwnNumberWindow::Retranslate() {
    setWindowTitle(TextOf(texts_, kTextOwnTitle));
    label_->setText(TextOf(texts_, kTextOwnLabel));
    cancel_->setText(TextOf(texts_, kTextCancel));
}

} // namespace orv
