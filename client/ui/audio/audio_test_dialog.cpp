#include "client/ui/audio/audio_test_dialog.h"

#include "client/audio/pipeline/audio_play_thread.h"
#include "client/audio/pipeline/audio_record_thread.h"
#include "client/media/process_media.h"
#include "client/text/text_table.h"
#include "client/ui/audio/waveform_view.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace orv {
namespace {

constexpr int kTextCancel = 158;
constexpr int kTextOk = 162;
constexpr int kTextAudioTesting = 199;
constexpr int kTextHint = 200;
constexpr int kTextRecord = 201;
constexpr int kTextPlayback = 202;
constexpr int kTextTestHint = 316;

QString T(const TextTable& texts, int number) { return QString::fromStdString(texts.Text(number)); }

QScrollBar* VolumeBar(QWidget* parent) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setRange(0, 255);
    bar->setSingleStep(1);
    bar->setPageStep(10);
    bar->setMinimumWidth(240);
    return bar;
}

} // namespace

AudioTestDialog::AudioTestDialog(QWidget* parent, const TextTable& texts, std::string deviceName,
                                 std::string restoreDevice, std::function<void()> silenceTones)
    : QDialog(parent), texts_(texts), deviceName_(std::move(deviceName)), restoreDevice_(std::move(restoreDevice)) {
    setObjectName(QStringLiteral("AudioTestDialog"));
    setWindowTitle(T(texts, kTextAudioTesting));
    auto* grid = new QGridLayout;
    record_ = VolumeBar(this);
    playback_ = VolumeBar(this);
    recordView_ = new WaveformView(this);
    playbackView_ = new WaveformView(this);
    grid->addWidget(new QLabel(T(texts, kTextRecord), this), 0, 0);
    grid->addWidget(recordView_, 0, 1);
    grid->addWidget(record_, 1, 1);
    grid->addWidget(new QLabel(T(texts, kTextPlayback), this), 2, 0);
    grid->addWidget(playbackView_, 2, 1);
    grid->addWidget(playback_, 3, 1);
    auto* hint = new QLabel(T(texts, kTextHint) + QStringLiteral(":\n") + T(texts, kTextTestHint), this);
    hint->setWordWrap(true);
    hint->setMaximumWidth(420);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(T(texts, kTextOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(T(texts, kTextCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(hint);
    column->addWidget(buttons);

    // The volumes as found, remembered exactly for Cancel.
    volumes_.Open(deviceName_);
    havePlayback_ = volumes_.Mixer().GetVolume(kMixerWaveOutSource, playbackAtOpen_);
    haveRecord_ = volumes_.Mixer().GetVolume(kMixerWaveInDestination, recordAtOpen_);
    playback_->setValue(VolumeToSlider(playbackAtOpen_));
    record_->setValue(VolumeToSlider(recordAtOpen_));
    playback_->setEnabled(havePlayback_);
    record_->setEnabled(haveRecord_);
    // A failure leaves the volume as it was.
    connect(playback_, &QScrollBar::valueChanged, this, [this](int p) { volumes_.SetPosition(VolumeLine::Playback, p); });
    connect(record_, &QScrollBar::valueChanged, this, [this](int p) { volumes_.SetPosition(VolumeLine::Record, p); });

    if (silenceTones) silenceTones();
    StartLoopback();
}

AudioTestDialog::~AudioTestDialog() { StopLoopback(); }

void AudioTestDialog::StartLoopback() {
    ProcessMedia& media = ProcessMedia::Get();
    std::lock_guard<CriticalSection> lock(media.Lock());
    if (media.attachedCall != nullptr) return; // a call owns the threads
    media.Echo().SetEnabled(false); // the test plays the microphone as it is; a call sets it again
    CAudioRecordThread& capture = media.Capture(deviceName_);
    CAudioPlayThread& playback = media.Playback(deviceName_);
    capture.ChangeDevice(deviceName_);
    playback.ChangeDevice(deviceName_);
    loop_.Clear();
    capture.SetCaptureQueue(&loop_);
    playback.SetPlaybackQueue(&loop_);
    capture.SetDisplayWindow(recordView_->Handle());
    playback.SetDisplayWindow(playbackView_->Handle());
    looping_ = true;
}

void AudioTestDialog::StopLoopback() {
    if (!looping_) return;
    looping_ = false;
    ProcessMedia& media = ProcessMedia::Get();
    std::lock_guard<CriticalSection> lock(media.Lock());
    if (CAudioRecordThread* capture = media.ExistingCapture()) {
        capture->SetCaptureQueue(nullptr);
        capture->SetDisplayWindow(0);
        if (!restoreDevice_.empty()) capture->ChangeDevice(restoreDevice_);
    }
    if (CAudioPlayThread* playback = media.ExistingPlayback()) {
        playback->SetPlaybackQueue(nullptr);
        playback->SetDisplayWindow(0);
        if (!restoreDevice_.empty()) playback->ChangeDevice(restoreDevice_);
    }
    recordView_->Clear();
    playbackView_->Clear();
}

void AudioTestDialog::reject() {
    if (havePlayback_) volumes_.Mixer().SetVolume(kMixerWaveOutSource, playbackAtOpen_);
    if (haveRecord_) volumes_.Mixer().SetVolume(kMixerWaveInDestination, recordAtOpen_);
    StopLoopback();
    QDialog::reject();
}

void AudioTestDialog::accept() {
    StopLoopback();
    QDialog::accept();
}

} // namespace orv
