#include "client/app/logon_dialog.h"

#include "client/app/app_quit.h"
#include "client/app/connect_dialog.h"
#include "client/app/server_options_dialog.h"
#include "client/core/client_core.h"
#include "client/data/client_config.h"
#include "client/data/user_list_file.h"
#include "client/log/log.h"
#include "client/ui/skin_message_box.h"
#include "wire/password_digest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#ifndef ORV_PROGRAM_VERSION
#define ORV_PROGRAM_VERSION ""
#endif

namespace orv {

namespace {

constexpr int kTextTitle = 161;
constexpr int kTextServer = 163;
constexpr int kTextNumber = 164;
constexpr int kTextPassword = 165;
constexpr int kTextRemember = 166;
constexpr int kMaxNumberLength = 31; // the number field on the wire holds 31 characters
// What the password field shows for a remembered digest: its length tells nothing.
constexpr char kRememberedPlaceholder[] = "********";

QString Qs(const std::string& text) { return QString::fromStdString(text); }

// The input fields and the check box in the dialogs' graphite look.
QString LogonStyleSheet() {
    return QStringLiteral(
        "QLineEdit, QComboBox { background: #DDE7E3; color: #1E2B26; border: none; border-radius: 6px;"
        "  padding: 5px 8px; font-family: 'DejaVu Sans'; font-size: 14px; min-width: 180px; }"
        "QLineEdit:disabled, QComboBox:disabled { background: #8E9895; }"
        "QCheckBox { color: #B8C0C6; font-family: 'DejaVu Sans'; font-size: 12px; }"
        "QLabel#LogonVersion { color: #7D868E; font-size: 11px; }"
        "QPushButton:disabled { background: #2B2F34; color: #6B737A; }"
        "QPushButton#LogonOk { background: #2FA56B; color: white; }"
        "QPushButton#LogonOk:disabled { background: #2B4A3B; color: #8FA89B; }");
}

} // namespace

LogonDialog::LogonDialog(QWidget* parent, ClientCore& core, HandsetCore* handset)
    : QDialog(parent), core_(core), handset_(handset) {
    const TextTable& texts = core.Texts();
    setObjectName("LogonDialog");
    setStyleSheet(DialogStyleSheet() + LogonStyleSheet());
    setWindowTitle(Qs(texts.Text(kTextTitle)));
    number_ = new QComboBox(this);
    number_->setObjectName("LogonNumber");
    number_->setEditable(true);
    number_->setInsertPolicy(QComboBox::NoInsert);
    number_->lineEdit()->setMaxLength(kMaxNumberLength);
    password_ = new QLineEdit(this);
    password_->setObjectName("LogonPassword");
    password_->setEchoMode(QLineEdit::Password);
    remember_ = new QCheckBox(Qs(texts.Text(kTextRemember)), this);
    remember_->setObjectName("LogonRemember");
    auto* version = new QLabel(QStringLiteral("Ver: ") + QStringLiteral(ORV_PROGRAM_VERSION), this);
    version->setObjectName("LogonVersion");
    ok_ = new QPushButton(Qs(texts.Text(kTextOk)), this);
    ok_->setObjectName("LogonOk");
    cancel_ = new QPushButton(Qs(texts.Text(kTextCancel)), this);
    cancel_->setObjectName("LogonCancel");
    server_ = new QPushButton(Qs(texts.Text(kTextServer)), this);
    server_->setObjectName("LogonServer");
    for (QPushButton* b : {ok_, cancel_, server_}) b->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(Qs(texts.Text(kTextNumber)), this), 0, 0);
    grid->addWidget(number_, 0, 1);
    grid->addWidget(new QLabel(Qs(texts.Text(kTextPassword)), this), 1, 0);
    grid->addWidget(password_, 1, 1);
    grid->addWidget(remember_, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(version);
    buttons->addStretch();
    buttons->addWidget(server_);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(ok_, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(server_, &QPushButton::clicked, this, [this] { OnServerButton(); });
    connect(number_, &QComboBox::activated, this, [this](int index) { ApplySelection(index); });
    connect(number_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        // A remembered digest belongs to its number only.
        int index = number_->currentIndex();
        if (storedDigestShown_ && (index < 0 || text.toStdString() != known_[index].number)) ApplySelection(-1);
    });
    number_->lineEdit()->installEventFilter(this);
    password_->installEventFilter(this);

    // The numbers used on this computer, most recent first, with their remembered digests.
    ClientConfig& config = *core.Config();
    for (const std::string& entry : config.UserList()) {
        KnownNumber known;
        SplitUserEntry(entry, &known.number, &known.digest);
        if (known.number.empty()) continue;
        known_.push_back(known);
        number_->addItem(Qs(known.number));
    }
    if (!known_.empty()) {
        number_->setCurrentIndex(0);
        ApplySelection(0);
    } else {
        ApplySelection(-1);
    }
    number_->setFocus();
    serverAddress_ = config.UserServer().address;
    serverPort_ = config.UserServer().port;

    startWait_ = new QTimer(this);
    startWait_->setSingleShot(true);
    startWait_->setTimerType(Qt::PreciseTimer); // a coarse timer may end up to 5 % early
    connect(startWait_, &QTimer::timeout, this, [this] { OnStartWaitOver(); });
    EnableInput(false);
    QTimer::singleShot(0, this, [this] { OnStart(); });
}

void LogonDialog::ApplySelection(int index) {
    if (index < 0 || index >= static_cast<int>(known_.size())) {
        password_->clear();
        remember_->setChecked(false);
        storedDigestShown_ = false;
        storedDigest_.clear();
        return;
    }
    storedDigest_ = known_[index].digest;
    storedDigestShown_ = !storedDigest_.empty();
    password_->setText(storedDigestShown_ ? QString::fromLatin1(kRememberedPlaceholder) : QString());
    remember_->setChecked(storedDigestShown_);
}

bool LogonDialog::AskServer() {
    if (!RunServerOptions(this, core_.Texts(), &serverAddress_, &serverPort_)) return false;
    ClientConfig& config = *core_.Config();
    config.UserServer().address = serverAddress_;
    config.UserServer().port = serverPort_;
    config.SaveComm();
    return true;
}

void LogonDialog::OnStart() {
    if (serverAddress_.empty()) AskServer();
    // The update check; it ends with OK only when it installed files, which this client does
    // not do. (The dialog stays visible under it: hiding a dialog ends its modal loop in Qt.)
    {
        LogonRequest request{serverAddress_, static_cast<std::uint16_t>(serverPort_), "", "", 0};
        ConnectDialog check(this, core_, LogonMode::UpdateCheck, request);
        if (check.exec() == QDialog::Accepted && core_.RestartForUpdate()) {
            accept(); // files were installed: the application restarts through the updater
            return;
        }
    }
    if (QuitRequested()) return;
    // The input opens after the wait, or as soon as a handset's data were read; without a
    // handset a remembered digest then logs on.
    OpenHandset();
    if (!handsetReady_) startWait_->start(kStartWaitMs);
}

void LogonDialog::OnStartWaitOver() {
    EnableInput(true);
    if (!password_->text().isEmpty()) OnOk();
}

void LogonDialog::EnableInput(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{ok_, number_, password_, cancel_, server_})
        w->setEnabled(enabled);
    if (numberFromHandset_) number_->setEnabled(false);
}

void LogonDialog::OnServerButton() { AskServer(); }

void LogonDialog::OnOk() {
    const std::string number = number_->currentText().trimmed().toStdString();
    if (number.empty()) {
        number_->setFocus();
        return;
    }
    const std::string digest =
        storedDigestShown_ ? storedDigest_ : PasswordDigest(number, password_->text().toStdString());
    LogonRequest request{serverAddress_, static_cast<std::uint16_t>(serverPort_), number, digest, customer_};
    WriteLog(3, "LogonDialog: logon of %s at %s:%d", number.c_str(), serverAddress_.c_str(), serverPort_);
    EnableInput(false);
    int result = QDialog::Rejected;
    {
        ConnectDialog connecting(this, core_, LogonMode::Logon, request);
        result = connecting.exec();
    }
    EnableInput(true);
    if (QuitRequested()) return;
    if (result != QDialog::Accepted) {
        // The error box has closed: typing goes on in the password field.
        activateWindow();
        password_->setFocus();
        return;
    }
    ClientConfig& config = *core_.Config();
    config.StoreUser(number, remember_->isChecked() ? digest : std::string(), false);
    config.UserServer().address = serverAddress_;
    config.UserServer().port = serverPort_;
    config.SaveComm();
    accept();
}

bool LogonDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == password_ && event->type() == QEvent::FocusIn && storedDigestShown_) {
        // The user types the password again rather than seeing the stored digest.
        password_->clear();
        storedDigestShown_ = false;
        storedDigest_.clear();
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == number_->lineEdit()) password_->setFocus();
            else if (watched == password_ && ok_->isEnabled()) OnOk();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LogonDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
}

void LogonDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) return; // Escape does not close the dialog
    // Enter on the check box or a button without a default logs on, as OK does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && ok_->isEnabled()) {
        OnOk();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace orv
