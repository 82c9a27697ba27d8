#include "client/ui/video/video_test_dialog.h"

#include "client/log/log.h"
#include "client/text/text_table.h"
#include "client/video/control/video_ctl_thread.h"
#include "platform/message.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace orv {

namespace {

constexpr int kTextOk = 162;
constexpr int kTextCancel = 158;
constexpr int kTextSample = 193;
constexpr int kTextFps = 194;
constexpr int kTextBandwidth = 195;
constexpr int kTextKbps = 196;
constexpr int kTextVideoTesting = 203;
constexpr int kTextLocal = 204;
constexpr int kTextRemote = 205;
constexpr int kTextAdvanced = 206;
constexpr int kPaneWidth = 176 * 2;
constexpr int kPaneHeight = 144 * 2;
constexpr UINT kSecondWindowFrame = WM_USER + 7;

QString Q(const std::string& text) { return QString::fromStdString(text); }

VideoCodecFormat RawFormat(const VideoFrame& frame) {
    VideoCodecFormat format;
    format.width = frame.width;
    format.height = frame.height;
    format.sizeImage = static_cast<std::uint32_t>(frame.length);
    return format;
}

QLabel* Pane(QWidget* parent, const QString& name) {
    auto* pane = new QLabel(parent);
    pane->setObjectName(name);
    pane->setFixedSize(kPaneWidth, kPaneHeight);
    pane->setScaledContents(true);
    pane->setStyleSheet(QStringLiteral("background: black"));
    return pane;
}

} // namespace

VideoTestDialog::VideoTestDialog(QWidget* parent, const TextTable& texts, CVideoCtlThread* control,
                                 VideoTestValues values)
    : QDialog(parent), texts_(texts), control_(control), values_(std::move(values)) {
    setObjectName(QStringLiteral("VideoTestDialog"));
    setWindowTitle(Q(texts_.Text(kTextVideoTesting)));
    values_.frameRate = std::clamp(values_.frameRate, kMinFrameRate, kMaxFrameRate);
    values_.bandwidth = std::clamp(values_.bandwidth, kMinBandwidth, kMaxBandwidth);

    localPane_ = Pane(this, QStringLiteral("Local"));
    remotePane_ = Pane(this, QStringLiteral("Remote"));
    frameRateBar_ = MakeScrollBar(kMinFrameRate, kMaxFrameRate, 2, values_.frameRate);
    bandwidthBar_ = MakeScrollBar(kMinBandwidth, kMaxBandwidth, 32, values_.bandwidth);
    frameRateText_ = new QLabel(this);
    bandwidthText_ = new QLabel(this);
    connect(frameRateBar_, &QScrollBar::valueChanged, this, [this](int value) { SetFrameRate(value); });
    connect(bandwidthBar_, &QScrollBar::valueChanged, this, [this](int value) { SetBandwidth(value); });

    toggle_ = new QPushButton(this);
    toggle_->setObjectName(QStringLiteral("StartStop"));
    toggle_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    connect(toggle_, &QPushButton::clicked, this, [this] { ToggleRunning(); });
    // Our cameras have no property pages of their own; the device's controls are the
    // settings page's.
    auto* advanced = new QPushButton(Q(texts_.Text(kTextAdvanced)), this);
    advanced->setEnabled(false);
    auto* ok = new QPushButton(Q(texts_.Text(kTextOk)), this);
    auto* cancel = new QPushButton(Q(texts_.Text(kTextCancel)), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Q(texts_.Text(kTextLocal)), this), 0, 0);
    grid->addWidget(new QLabel(Q(texts_.Text(kTextRemote)), this), 0, 1);
    grid->addWidget(localPane_, 1, 0);
    grid->addWidget(remotePane_, 1, 1);
    auto* rates = new QGridLayout;
    rates->addWidget(new QLabel(Q(texts_.Text(kTextSample)), this), 0, 0);
    rates->addWidget(frameRateBar_, 0, 1);
    rates->addWidget(frameRateText_, 0, 2);
    rates->addWidget(new QLabel(Q(texts_.Text(kTextBandwidth)), this), 1, 0);
    rates->addWidget(bandwidthBar_, 1, 1);
    rates->addWidget(bandwidthText_, 1, 2);
    rates->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(toggle_);
    buttons->addWidget(advanced);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addLayout(rates);
    column->addLayout(buttons);
    ShowValues();

    frameWindow_ = std::make_unique<FunctionWindow>([this](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message != kSecondWindowFrame || wParam == 0) return 0;
        OnFrame(*reinterpret_cast<const VideoFrame*>(wParam));
        return 1;
    });
    frameWindow_->Create("VideoTestDialog");
    OpenCodecs();
    if (control_ != nullptr) {
        control_->SetRequestedDevice(values_.device);
        control_->SetRequestedSizeIndex(values_.sizeIndex);
        control_->SetRequestedFrameRate(values_.frameRate);
        control_->PostStart();
        control_->PostSecondWindow(frameWindow_->GetSafeHwnd());
    }
}

VideoTestDialog::~VideoTestDialog() {
    if (!ended_ && control_ != nullptr) control_->PostSecondWindow(0);
    frameWindow_->Destroy();
}

QScrollBar* VideoTestDialog::MakeScrollBar(int minimum, int maximum, int page, int value) {
    auto* bar = new QScrollBar(Qt::Horizontal, this);
    bar->setRange(minimum, maximum);
    bar->setPageStep(page);
    bar->setValue(value);
    return bar;
}

int VideoTestDialog::FrameRate() const { return values_.frameRate; }
int VideoTestDialog::Bandwidth() const { return values_.bandwidth; }

void VideoTestDialog::ShowValues() {
    frameRateText_->setText(QString::number(values_.frameRate) + QLatin1Char(' ') + Q(texts_.Text(kTextFps)));
    bandwidthText_->setText(QString::number(values_.bandwidth) + QLatin1Char(' ') + Q(texts_.Text(kTextKbps)));
}

void VideoTestDialog::SetFrameRate(int frameRate) {
    frameRate = std::clamp(frameRate, kMinFrameRate, kMaxFrameRate);
    if (frameRateBar_->value() != frameRate) frameRateBar_->setValue(frameRate); // comes back here
    if (frameRate == values_.frameRate) return;
    values_.frameRate = frameRate;
    ShowValues();
    if (control_ != nullptr) {
        control_->SetRequestedFrameRate(frameRate);
        control_->PostStart();
    }
    encoder_.SetOrv2Rate(values_.bandwidth, values_.frameRate);
}

void VideoTestDialog::SetBandwidth(int bandwidth) {
    bandwidth = std::clamp(bandwidth, kMinBandwidth, kMaxBandwidth);
    if (bandwidthBar_->value() != bandwidth) bandwidthBar_->setValue(bandwidth);
    if (bandwidth == values_.bandwidth) return;
    values_.bandwidth = bandwidth;
    ShowValues();
    encoder_.SetOrv2Rate(values_.bandwidth, values_.frameRate);
}

bool VideoTestDialog::CodecsOpen() const {
    return encoder_.Mode() == VideoCodecMode::FastCompress && decoder_.Mode() == VideoCodecMode::FastDecompress;
}

void VideoTestDialog::OpenCodecs() {
    const bool encoder = encoder_.OpenEncoder(kFourCCOrv2, false);
    const bool decoder = decoder_.OpenDecoder(kFourCCOrv2);
    if (encoder && decoder) {
        encoder_.SetOrv2Rate(values_.bandwidth, values_.frameRate);
    } else {
        WriteLog(3, "Video test: the ORV2 codec does not open; only the local picture shows");
    }
}

void VideoTestDialog::CloseCodecs() {
    encoder_.Close();
    decoder_.Close();
}

void VideoTestDialog::ToggleRunning() {
    running_ = !running_;
    if (running_) {
        OpenCodecs();
    } else {
        CloseCodecs();
        localImage_ = QImage();
        remoteImage_ = QImage();
        localPane_->clear();
        remotePane_->clear();
    }
    toggle_->setIcon(style()->standardIcon(running_ ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
}

void VideoTestDialog::OnFrame(const VideoFrame& frame) {
    if (!running_ || ended_) return;
    const BitmapInfoHeader header = Rgb24Header(frame.width, frame.height);
    localImage_ = PictureImage(header, frame.bits, frame.length);
    if (localImage_.isNull()) return;
    ++framesShown_;
    localPane_->setPixmap(QPixmap::fromImage(localImage_));
    if (!CodecsOpen()) return;

    const VideoCodecFormat raw = RawFormat(frame);
    VideoCodecFormat coded;
    std::uint32_t flags = 0;
    if (!encoder_.Compress(raw, frame.bits, frame.length, coded, compressed_, flags)) return;
    VideoCodecFormat picture;
    if (!decoder_.DecompressedFormat(coded, picture)) return;
    decoded_.resize(picture.sizeImage);
    if (!decoder_.Decompress(coded, compressed_.data(), compressed_.size(), picture, decoded_.data(), decoded_.size()))
        return;
    remoteImage_ = PictureImage(Rgb24Header(picture.width, picture.height), decoded_.data(), decoded_.size());
    if (remoteImage_.isNull()) return;
    ++framesDecoded_;
    remotePane_->setPixmap(QPixmap::fromImage(remoteImage_));
}

void VideoTestDialog::done(int result) {
    if (!ended_) {
        ended_ = true;
        if (control_ != nullptr) {
            control_->PostSecondWindow(0);
            control_->StartFromConfiguration(); // back to the configured picture
        }
        CloseCodecs();
    }
    QDialog::done(result);
}

} // namespace orv
