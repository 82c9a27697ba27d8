// The settings window's Audio page: the sound device (one of the configured device names;
// grey when there are none), the Mix check box, and a button that runs the audio test on
// the device chosen, and the Echo cancellation switch. Apply stores [Audio] Device, Mix and
// EchoCancel and saves the Audio group.
#pragma once

#include "client/ui/windows/settings_page.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace orv {

class AudioPage : public SettingsPage {
public:
    explicit AudioPage(const SettingsContext& context, QWidget* parent = nullptr);

    int TitleText() const override;
    bool Apply() override;
    void Lock(bool idle) override;
    void Retranslate() override;

    QComboBox* Device() const { return device_; }
    QCheckBox* Mix() const { return mix_; }
    QCheckBox* EchoCancel() const { return echoCancel_; }
    QPushButton* TestButton() const { return test_; }
    // Runs the audio test on the chosen device (modal); what the Test button does.
    void RunTest();

private:
    SettingsContext context_;
    QGroupBox* box_ = nullptr;
    QLabel* deviceLabel_ = nullptr;
    QComboBox* device_ = nullptr;
    QCheckBox* mix_ = nullptr;
    QCheckBox* echoCancel_ = nullptr;
    QPushButton* test_ = nullptr;
};

} // namespace orv
