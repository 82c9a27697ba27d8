#include "client/ui/video/video_settings_page.h"

#include "client/ui/video/close_keys.h"
#include "client/data/client_config.h"
#include "client/log/log.h"
#include "client/text/text_table.h"
#include "client/ui/video/video_test_dialog.h"
#include "client/video/capture/video_size_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace orv {

namespace {

constexpr int kTextTest = 187;
constexpr int kTextVideoSetting = 189;
constexpr int kTextDevice = 190;
constexpr int kTextQuality = 191;
constexpr int kTextAdvancedSettings = 192;
constexpr int kTextSample = 193;
constexpr int kTextFps = 194;
constexpr int kTextBandwidth = 195;
constexpr int kTextKbps = 196;
constexpr int kTextSize = 197;
constexpr int kTextAdjust = 198;
constexpr int kTextDisable = 318;
constexpr int kTextBest = 319;
constexpr int kTextWorst = 320;

QString Q(const std::string& text) { return QString::fromStdString(text); }

int Number(const QLineEdit* field) { return field->text().trimmed().toInt(); }

} // namespace

VideoSettingsPage::VideoSettingsPage(QWidget* parent, const TextTable& texts, ClientConfig& config,
                                     CVideoCtlThread* control)
    : QWidget(parent), texts_(texts), config_(config), control_(control) {
    setObjectName(QStringLiteral("VideoSettingsPage"));
    const VideoSettings& video = config_.Video();

    devices_ = new QComboBox(this);
    for (const std::string& name : config_.ImagingDevices()) devices_->addItem(Q(name));
    devices_->setCurrentIndex(std::max(0, devices_->findText(Q(video.device))));
    devices_->setEnabled(devices_->count() > 0);

    quality_ = new QComboBox(this);
    for (int i = 0; i < kQualityEntries; ++i) {
        QString entry = QString::number(i);
        const int word = i == 0 ? kTextDisable : i == 1 ? kTextWorst : i == kQualityEntries - 1 ? kTextBest : 0;
        if (word != 0) entry += QLatin1Char(' ') + Q(texts_.Text(word));
        quality_->addItem(entry);
    }
    quality_->setCurrentIndex(std::clamp(video.videoQual, 0, kQualityEntries - 1));

    sizes_ = new QComboBox(this);
    for (int i = 0; i < kSizeEntries; ++i) {
        const VideoSize size = VideoSizeForIndex(i);
        sizes_->addItem(QStringLiteral("%1 X %2").arg(size.width).arg(size.height));
    }
    sizes_->setCurrentIndex(video.videoFormat >= 0 && video.videoFormat < kSizeEntries ? video.videoFormat : -1);

    frameRate_ = new QLineEdit(QString::number(video.frameRate), this);
    frameRate_->setValidator(new QIntValidator(0, 9999, frameRate_));
    bandwidth_ = new QLineEdit(QString::number(video.flowRate), this);
    bandwidth_->setValidator(new QIntValidator(0, 99999, bandwidth_));
    adjust_ = new QCheckBox(Q(texts_.Text(kTextAdjust)), this);
    test_ = new QPushButton(Q(texts_.Text(kTextTest)), this);
    test_->setEnabled(devices_->count() > 0);

    connect(quality_, &QComboBox::activated, this, [this](int index) { ChoosePreset(index); });
    connect(adjust_, &QCheckBox::toggled, this, [this](bool on) { EnableAdvanced(on); });
    connect(test_, &QPushButton::clicked, this, [this] { RunTest(); });
    EnableAdvanced(false);

    auto* setting = new QGroupBox(Q(texts_.Text(kTextVideoSetting)), this);
    auto* top = new QGridLayout(setting);
    top->addWidget(new QLabel(Q(texts_.Text(kTextDevice)), setting), 0, 0);
    top->addWidget(devices_, 0, 1, 1, 2);
    top->addWidget(new QLabel(Q(texts_.Text(kTextQuality)), setting), 1, 0);
    top->addWidget(quality_, 1, 1);
    top->addWidget(test_, 1, 2);
    auto* advanced = new QGroupBox(Q(texts_.Text(kTextAdvancedSettings)), this);
    auto* grid = new QGridLayout(advanced);
    grid->addWidget(adjust_, 0, 0, 1, 3);
    grid->addWidget(new QLabel(Q(texts_.Text(kTextSample)), advanced), 1, 0);
    grid->addWidget(frameRate_, 1, 1);
    grid->addWidget(new QLabel(Q(texts_.Text(kTextFps)), advanced), 1, 2);
    grid->addWidget(new QLabel(Q(texts_.Text(kTextBandwidth)), advanced), 2, 0);
    grid->addWidget(bandwidth_, 2, 1);
    grid->addWidget(new QLabel(Q(texts_.Text(kTextKbps)), advanced), 2, 2);
    grid->addWidget(new QLabel(Q(texts_.Text(kTextSize)), advanced), 3, 0);
    grid->addWidget(sizes_, 3, 1, 1, 2);
    auto* column = new QVBoxLayout(this);
    column->addWidget(setting);
    column->addWidget(advanced);
    column->addStretch();
}

void VideoSettingsPage::EnableAdvanced(bool enabled) {
    frameRate_->setEnabled(enabled);
    bandwidth_->setEnabled(enabled);
    sizes_->setEnabled(enabled);
}

void VideoSettingsPage::ChoosePreset(int index) {
    const std::vector<VideoPreset>& presets = config_.VideoPresets();
    if (index < 0 || static_cast<std::size_t>(index) >= presets.size()) return;
    const VideoPreset& preset = presets[static_cast<std::size_t>(index)];
    frameRate_->setText(QString::number(preset.frameRate));
    bandwidth_->setText(QString::number(preset.flowRate));
    sizes_->setCurrentIndex(preset.videoFormat >= 0 && preset.videoFormat < kSizeEntries ? preset.videoFormat : -1);
}

bool VideoSettingsPage::Apply() {
    VideoSettings& video = config_.Video();
    if (devices_->currentIndex() >= 0) video.device = devices_->currentText().toStdString();
    video.frameRate = std::clamp(Number(frameRate_), VideoTestDialog::kMinFrameRate, VideoTestDialog::kMaxFrameRate);
    video.flowRate = std::clamp(Number(bandwidth_), VideoTestDialog::kMinBandwidth, VideoTestDialog::kMaxBandwidth);
    if (sizes_->currentIndex() >= 0) video.videoFormat = sizes_->currentIndex();
    video.videoQual = quality_->currentIndex();
    frameRate_->setText(QString::number(video.frameRate));
    bandwidth_->setText(QString::number(video.flowRate));
    if (config_.SaveVideo()) return true;
    WriteLog(3, "Video settings could not be saved");
    return false;
}

void VideoSettingsPage::RunTest() {
    if (devices_->currentIndex() < 0) return;
    VideoTestValues values;
    values.device = devices_->currentText().toStdString();
    values.frameRate = Number(frameRate_);
    values.bandwidth = Number(bandwidth_);
    values.sizeIndex = std::max(0, sizes_->currentIndex());
    VideoTestDialog test(this, texts_, control_, values);
    if (test.exec() != QDialog::Accepted) return;
    frameRate_->setText(QString::number(test.FrameRate()));
    bandwidth_->setText(QString::number(test.Bandwidth()));
}

void VideoSettingsPage::keyPressEvent(QKeyEvent* event) {
    if (!SwallowCloseKey(event)) QWidget::keyPressEvent(event);
}

} // namespace orv
