#include "client/app/server_options_dialog.h"

#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace orv {

namespace {
constexpr int kTextServer = 163;
constexpr int kDefaultPort = 6000;
} // namespace

ServerOptionsDialog::ServerOptionsDialog(QWidget* parent, const TextTable& texts, const std::string& address,
                                         int port)
    : QDialog(parent) {
    setObjectName("ServerOptionsDialog");
    setStyleSheet(DialogStyleSheet() +
                  QStringLiteral("QLineEdit, QSpinBox { background: #DDE7E3; color: #1E2B26; border: none;"
                                 "  border-radius: 6px; padding: 5px 8px; min-width: 160px; }"));
    setWindowTitle(QString::fromStdString(texts.Text(kTextServer)));
    address_ = new QLineEdit(QString::fromStdString(address), this);
    address_->setObjectName("ServerAddress");
    address_->setMaxLength(255);
    port_ = new QSpinBox(this);
    port_->setObjectName("ServerPort");
    port_->setRange(1, 65535);
    port_->setValue(port >= 1 && port <= 65535 ? port : kDefaultPort);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromStdString(texts.Text(kTextOk)));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromStdString(texts.Text(kTextCancel)));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("IP"), address_);
    form->addRow(QStringLiteral("Port"), port_);
    form->addRow(buttons);
}

std::string ServerOptionsDialog::Address() const { return address_->text().trimmed().toStdString(); }

std::uint16_t ServerOptionsDialog::Port() const { return static_cast<std::uint16_t>(port_->value()); }

void ServerOptionsDialog::accept() {
    if (Address().empty()) {
        address_->setFocus();
        return;
    }
    QDialog::accept();
}

bool RunServerOptions(QWidget* parent, const TextTable& texts, std::string* address, int* port) {
    ServerOptionsDialog dialog(parent, texts, *address, *port);
    if (dialog.exec() != QDialog::Accepted) return false;
    *address = dialog.Address();
    *port = dialog.Port();
    return true;
}

} // namespace orv
