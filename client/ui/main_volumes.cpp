#include "client/ui/main_volumes.h"

#include "client/data/client_config.h"
#include "client/skin/skin_slider.h"

namespace orv {

namespace {
// A slider being dragged reports every step; the settings are written once it rests.
constexpr int kKeepDelayMs = 500;

int ToSlider(int position) {
    return position < 0 ? -1 : (position * SkinSlider::kMaximum + kMaxVolumePosition / 2) / kMaxVolumePosition;
}
int ToPosition(int sliderValue) {
    return (sliderValue * kMaxVolumePosition + SkinSlider::kMaximum / 2) / SkinSlider::kMaximum;
}
} // namespace

MainVolumes::MainVolumes(ClientConfig* config) : m_config(config) {
    m_keepTimer.setSingleShot(true);
    m_keepTimer.setInterval(kKeepDelayMs);
    QObject::connect(&m_keepTimer, &QTimer::timeout, [this] { Keep(); });
}

MainVolumes::~MainVolumes() {
    if (m_keepTimer.isActive()) Keep();
}

bool MainVolumes::Open() {
    if (m_config == nullptr) return false;
    const AudioSettings& audio = m_config->Audio();
    return m_volumes.Open(audio.device, {audio.playVolume, audio.recordVolume});
}

int MainVolumes::SliderValue(VolumeLine line) { return ToSlider(m_volumes.Position(line)); }

int MainVolumes::Move(VolumeLine line, int sliderValue) {
    const int position = ToPosition(sliderValue);
    if (!m_volumes.SetPosition(line, position)) return -1;
    m_keepTimer.start();
    return position;
}

void MainVolumes::Keep() {
    m_keepTimer.stop();
    if (m_config == nullptr || !m_volumes.IsOpen()) return;
    const KeptVolumes now = m_volumes.Positions();
    AudioSettings& audio = m_config->Audio();
    if (now.playback == audio.playVolume && now.record == audio.recordVolume) return;
    audio.playVolume = now.playback;
    audio.recordVolume = now.record;
    m_config->SaveAudio();
}

} // namespace orv
