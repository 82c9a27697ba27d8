#include "client/app/server_options_dialog.h"

#include "client/text/text_rows.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "wire/service_ports.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace orv {

namespace {
constexpr int kTextServer = 163;
constexpr int kTextInformation = 1;

// The fields in the display colour. A styled spin box draws no arrows of its own, so its
// buttons get theirs as bordered triangles.
QString FieldStyleSheet() {
    return QStringLiteral(
        "QLineEdit, QSpinBox { background: #DDE7E3; color: #1E2B26; border: none;"
        "  border-radius: 6px; padding: 5px 8px; min-width: 160px; }"
        "QSpinBox { padding-right: 22px; }"
        "QSpinBox::up-button, QSpinBox::down-button { subcontrol-origin: border; width: 20px;"
        "  background: #C3D0CB; border: none; }"
        "QSpinBox::up-button { subcontrol-position: top right; border-top-right-radius: 6px; }"
        "QSpinBox::down-button { subcontrol-position: bottom right; border-bottom-right-radius: 6px; }"
        "QSpinBox::up-button:hover, QSpinBox::down-button:hover { background: #AFC0B9; }"
        "QSpinBox::up-arrow { width: 0; height: 0; border-left: 5px solid transparent;"
        "  border-right: 5px solid transparent; border-bottom: 6px solid #1E2B26; }"
        "QSpinBox::down-arrow { width: 0; height: 0; border-left: 5px solid transparent;"
        "  border-right: 5px solid transparent; border-top: 6px solid #1E2B26; }");
}
} // namespace

ServerOptionsDialog::ServerOptionsDialog(QWidget* parent, const TextTable& texts, const std::string& address,
                                         int port)
    : QDialog(parent), texts_(texts) {
    setObjectName("ServerOptionsDialog");
    setStyleSheet(DialogStyleSheet() + FieldStyleSheet());
    setWindowTitle(QString::fromStdString(texts.Text(kTextServer)));
    address_ = new QLineEdit(QString::fromStdString(address), this);
    address_->setObjectName("ServerAddress");
    address_->setMaxLength(255);
    port_ = new QSpinBox(this);
    port_->setObjectName("ServerPort");
    port_->setRange(1, 65535);
    // Without a port of its own the client uses the one the server listens on by default.
    port_->setValue(port >= 1 && port <= 65535 ? port : kDefaultUserServerPort);
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
        ShowSkinMessageBox(this, texts_, kTextInformation, texts_.Text(kTextEnterServerAddress));
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
