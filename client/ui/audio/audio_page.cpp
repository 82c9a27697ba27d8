#include "client/ui/audio/audio_page.h"

#include "client/data/client_config.h"
#include "client/text/text_table.h"
#include "client/ui/audio/audio_test_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace orv {
namespace {
constexpr int kTextAudio = 184;
constexpr int kTextAudioSetting = 185;
constexpr int kTextDevice = 186;
constexpr int kTextTest = 187;

QString T(const TextTable& texts, int number) { return QString::fromStdString(texts.Text(number)); }
} // namespace

AudioPage::AudioPage(const SettingsContext& context, QWidget* parent) : SettingsPage(parent), context_(context) {
    box_ = new QGroupBox(this);
    deviceLabel_ = new QLabel(box_);
    device_ = new QComboBox(box_);
    device_->setObjectName(QStringLiteral("device"));
    device_->setMinimumWidth(220);
    mix_ = new QCheckBox(box_);
    echoCancel_ = new QCheckBox(box_);
    echoCancel_->setObjectName(QStringLiteral("echoCancel"));
    test_ = new QPushButton(box_);
    test_->setObjectName(QStringLiteral("test"));
    auto* grid = new QGridLayout(box_);
    grid->addWidget(deviceLabel_, 0, 0);
    grid->addWidget(device_, 0, 1);
    grid->addWidget(test_, 0, 2);
    grid->addWidget(mix_, 1, 1);
    grid->addWidget(echoCancel_, 2, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->addWidget(box_);
    column->addStretch(1);

    ClientConfig& config = context_.config;
    for (const std::string& name : config.SoundInputDevices()) device_->addItem(QString::fromStdString(name));
    device_->setCurrentIndex(std::max(0, device_->findText(QString::fromStdString(config.Audio().device))));
    device_->setEnabled(device_->count() > 0);
    test_->setEnabled(device_->count() > 0);
    mix_->setChecked(config.Audio().mix != 0);
    echoCancel_->setChecked(config.Audio().echoCancel != 0);
    connect(test_, &QPushButton::clicked, this, [this] { RunTest(); });
    Retranslate();
}

int AudioPage::TitleText() const { return kTextAudio; }

bool AudioPage::Apply() {
    AudioSettings& audio = context_.config.Audio();
    if (device_->count() > 0) audio.device = device_->currentText().toStdString();
    audio.mix = mix_->isChecked() ? 1 : 0;
    audio.echoCancel = echoCancel_->isChecked() ? 1 : 0;
    return context_.config.SaveAudio();
}

void AudioPage::Lock(bool idle) {
    device_->setEnabled(idle && device_->count() > 0);
    test_->setEnabled(idle && device_->count() > 0);
    mix_->setEnabled(idle);
    echoCancel_->setEnabled(idle);
}

void AudioPage::Retranslate() {
    const TextTable& t = context_.texts;
    box_->setTitle(T(t, kTextAudioSetting));
    deviceLabel_->setText(T(t, kTextDevice));
    test_->setText(T(t, kTextTest));
    mix_->setText(QStringLiteral("Mix")); // the text table has no entry for it: the key's own name
    echoCancel_->setText(QStringLiteral("Echo cancellation")); // nor for this one
}

void AudioPage::RunTest() {
    if (device_->count() == 0) return;
    AudioTestDialog test(this, context_.texts, device_->currentText().toStdString(), context_.config.Audio().device,
                         context_.silenceTones);
    test.exec();
}

} // namespace orv
