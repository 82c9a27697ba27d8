#include "client/ui/windows/general_page.h"

#include "client/data/client_config.h"
#include "client/log/log.h"
#include "client/text/text_rows.h"
#include "client/text/text_table.h"
#include "client/ui/windows/window_style.h"
#include "client/userserver/user_serv_handler.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

namespace orv {

namespace {
constexpr int kTextGeneral = 177;
constexpr int kTextServer = 178;
constexpr int kTextIp = 179;
constexpr int kTextPort = 180;
constexpr int kTextOthers = 181;
constexpr int kTextAutoRun = 182;
constexpr int kTextRemember = 183;
constexpr int kTextLanguageSetting = 343;
constexpr int kTextDefault = 344;
constexpr int kTextLanguage = 345;
constexpr int kTextSecuritySetting = 349;
constexpr int kTextUsbOnly = 350;
// The language names in the combo box, in language order, each in its own language so
// that a reader finds theirs whatever the current language is.
constexpr const char* kLanguageNames[kLanguageCount] = {"中文", "English", "日本語"};
constexpr int kMaxAddress = 255;
} // namespace

int PlatformDefaultLanguage() {
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::Japanese) return kLanguageJapanese;
    if (locale.language() == QLocale::Chinese && locale.territory() == QLocale::China) return kLanguageChinese;
    return kLanguageEnglish;
}

GeneralPage::GeneralPage(const SettingsContext& context, QWidget* parent) : SettingsPage(parent), context_(context) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);

    serverBox_ = new QGroupBox(this);
    auto* server = new QGridLayout(serverBox_);
    addressLabel_ = new QLabel(serverBox_);
    address_ = new QLineEdit(serverBox_);
    address_->setObjectName(QStringLiteral("address"));
    address_->setMaxLength(kMaxAddress);
    addressLabel_->setBuddy(address_);
    portLabel_ = new QLabel(serverBox_);
    port_ = new QLineEdit(serverBox_);
    port_->setObjectName(QStringLiteral("port"));
    port_->setValidator(new QIntValidator(0, 65535, port_));
    port_->setMaximumWidth(port_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    portLabel_->setBuddy(port_);
    server->addWidget(addressLabel_, 0, 0);
    server->addWidget(address_, 0, 1);
    server->addWidget(portLabel_, 0, 2);
    server->addWidget(port_, 0, 3);
    server->setColumnStretch(1, 1);
    column->addWidget(serverBox_);

    othersBox_ = new QGroupBox(this);
    auto* others = new QVBoxLayout(othersBox_);
    autoRun_ = new QCheckBox(othersBox_);
    autoRun_->setObjectName(QStringLiteral("autorun"));
    remember_ = new QCheckBox(othersBox_);
    remember_->setObjectName(QStringLiteral("remember"));
    headset_ = new QCheckBox(othersBox_);
    headset_->setObjectName(QStringLiteral("headset_buttons"));
    others->addWidget(autoRun_);
    others->addWidget(remember_);
    others->addWidget(headset_);
    column->addWidget(othersBox_);

    languageBox_ = new QGroupBox(this);
    auto* language = new QHBoxLayout(languageBox_);
    default_ = new QCheckBox(languageBox_);
    default_->setObjectName(QStringLiteral("default_language"));
    languageLabel_ = new QLabel(languageBox_);
    language_ = new QComboBox(languageBox_);
    language_->setObjectName(QStringLiteral("language"));
    for (const char* name : kLanguageNames) language_->addItem(QString::fromUtf8(name));
    languageLabel_->setBuddy(language_);
    language->addWidget(default_);
    language->addSpacing(16);
    language->addWidget(languageLabel_);
    language->addWidget(language_, 1);
    column->addWidget(languageBox_);
    connect(default_, &QCheckBox::toggled, this, [this](bool checked) { OnDefaultToggled(checked); });

    securityBox_ = new QGroupBox(this);
    auto* security = new QVBoxLayout(securityBox_);
    security_ = new QCheckBox(securityBox_);
    security_->setObjectName(QStringLiteral("security"));
    security->addWidget(security_);
    column->addWidget(securityBox_);
    column->addStretch(1);

    Retranslate();
    Load();
}

int GeneralPage::TitleText() const { return kTextGeneral; }

bool GeneralPage::SecurityKnown() const {
    const bool handset = context_.handsetPresent && context_.handsetPresent();
    const char option = context_.userServ != nullptr ? context_.userServ->GetBindIDOpt() : 0;
    return handset && (option == '0' || option == '1');
}

void GeneralPage::Load() {
    ClientConfig& config = context_.config;
    autoRun_->setChecked(config.General().autoRun != 0);
    remember_->setChecked(context_.userServ != nullptr && context_.userServ->RememberPassword());
    headset_->setChecked(config.General().headsetButtons == 1);
    address_->setText(QString::fromStdString(config.UserServer().address));
    port_->setText(QString::number(config.UserServer().port));
    default_->setChecked(config.General().languageNotSet);
    const int current = context_.texts.Language();
    language_->setCurrentIndex(current >= 0 && current < kLanguageCount ? current : kLanguageEnglish);
    language_->setEnabled(!default_->isChecked());
    LoadSecurity();
}

// "Using with USB phone only" is offered while a handset is there and shows the account's
// option; without a handset it is grey and unticked.
void GeneralPage::LoadSecurity() {
    const bool known = SecurityKnown();
    security_->setEnabled(known);
    security_->setChecked(known && context_.userServ->GetBindIDOpt() == '1');
}

void GeneralPage::HandsetChanged() { LoadSecurity(); }

void GeneralPage::OnDefaultToggled(bool checked) {
    language_->setEnabled(!checked);
    if (checked) {
        const int language = context_.systemLanguage ? context_.systemLanguage() : PlatformDefaultLanguage();
        language_->setCurrentIndex(language);
    }
}

int GeneralPage::ChosenLanguage() const {
    if (default_->isChecked()) return context_.systemLanguage ? context_.systemLanguage() : PlatformDefaultLanguage();
    const int index = language_->currentIndex();
    return index >= 0 && index < kLanguageCount ? index : kLanguageEnglish;
}

bool GeneralPage::Apply() {
    ClientConfig& config = context_.config;
    config.General().languageNotSet = default_->isChecked();
    config.General().autoRun = autoRun_->isChecked() ? 1 : 0;
    config.General().headsetButtons = headset_->isChecked() ? 1 : 0;
    const bool remember = remember_->isChecked();
    if (context_.userServ != nullptr) context_.userServ->SetRememberPassword(remember);
    bool portOk = false;
    const int port = port_->text().toInt(&portOk);
    if (portOk && port >= 0 && port <= 65535) config.UserServer().port = port;
    config.UserServer().address = address_->text().trimmed().toStdString();

    const int language = ChosenLanguage();
    config.General().language = language;
    if (language != context_.texts.Language() && context_.changeLanguage) context_.changeLanguage(language);

    bool saved = config.SaveComm();
    saved = config.SaveGeneral() && saved;
    if (context_.userServ != nullptr) {
        const std::string number = context_.userServ->GetUserNumber();
        if (!number.empty())
            saved = config.StoreUser(number, remember ? context_.userServ->GetPasswordField() : std::string(), false) &&
                    saved;
        if (SecurityKnown()) {
            context_.userServ->DoSetBindIDOpt(security_->isChecked() ? '1' : '0');
        }
    }
    if (!saved) WriteLog(3, "Settings: the settings could not all be saved");
    return saved;
}

void GeneralPage::Retranslate() {
    const TextTable& t = context_.texts;
    serverBox_->setTitle(TextOf(t, kTextServer));
    addressLabel_->setText(TextOf(t, kTextIp));
    portLabel_->setText(TextOf(t, kTextPort));
    othersBox_->setTitle(TextOf(t, kTextOthers));
    autoRun_->setText(TextOf(t, kTextAutoRun));
    remember_->setText(TextOf(t, kTextRemember));
    headset_->setText(TextOf(t, kTextHeadsetButtons));
    languageBox_->setTitle(TextOf(t, kTextLanguageSetting));
    default_->setText(TextOf(t, kTextDefault));
    languageLabel_->setText(TextOf(t, kTextLanguage));
    securityBox_->setTitle(TextOf(t, kTextSecuritySetting));
    security_->setText(TextOf(t, kTextUsbOnly));
}

} // namespace orv
