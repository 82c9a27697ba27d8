// The settings window's General page: the user server's address and port, start with the
// system, remember password, the language (Default or a choice of Chinese, English,
// Japanese) and the security option "Using with USB phone only".
#pragma once

#include "client/ui/windows/settings_page.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace orv {

// The platform's default language by the desktop's locale: Japanese gives 2, Chinese
// (China) 0, any other 1.
int PlatformDefaultLanguage();

class GeneralPage : public SettingsPage {
public:
    explicit GeneralPage(const SettingsContext& context, QWidget* parent = nullptr);

    int TitleText() const override;
    bool Apply() override;
    void Retranslate() override;
    void HandsetChanged() override;

    QLineEdit* Address() const { return address_; }
    QLineEdit* Port() const { return port_; }
    QCheckBox* AutoRun() const { return autoRun_; }
    QCheckBox* Remember() const { return remember_; }
    QCheckBox* HeadsetButtons() const { return headset_; }
    QCheckBox* DefaultLanguage() const { return default_; }
    QComboBox* Language() const { return language_; }
    QCheckBox* Security() const { return security_; }

private:
    void Load();
    void LoadSecurity();
    void OnDefaultToggled(bool checked);
    int ChosenLanguage() const;
    bool SecurityKnown() const;

    SettingsContext context_;
    QGroupBox* serverBox_ = nullptr;
    QGroupBox* othersBox_ = nullptr;
    QGroupBox* languageBox_ = nullptr;
    QGroupBox* securityBox_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QLabel* languageLabel_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* port_ = nullptr;
    QCheckBox* autoRun_ = nullptr;
    QCheckBox* remember_ = nullptr;
    QCheckBox* headset_ = nullptr;
    QCheckBox* default_ = nullptr;
    QComboBox* language_ = nullptr;
    QCheckBox* security_ = nullptr;
};

} // namespace orv
