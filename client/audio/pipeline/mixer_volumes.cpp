#include "client/audio/pipeline/mixer_volumes.h"

#include "client/log/log.h"

namespace orv {

namespace {
bool InRange(int position) { return position >= 0 && position <= kMaxVolumePosition; }
} // namespace

std::uint32_t MixerComponent(VolumeLine line) {
    return line == VolumeLine::Playback ? kMixerWaveOutSource : kMixerWaveInDestination;
}

bool MixerVolumes::Open(const std::string& deviceName, const KeptVolumes& kept) {
    if (!m_mixer.Open(deviceName)) return false;
    const std::pair<VolumeLine, int> lines[] = {{VolumeLine::Playback, kept.playback},
                                                {VolumeLine::Record, kept.record}};
    for (const auto& [line, position] : lines) {
        if (!InRange(position) || m_mixer.HasCardVolume(MixerComponent(line))) continue;
        m_mixer.SetVolume(MixerComponent(line), SliderToVolume(position));
    }
    return true;
}

int MixerVolumes::Position(VolumeLine line) {
    std::uint32_t volume = 0;
    if (!m_mixer.GetVolume(MixerComponent(line), volume)) return -1;
    return VolumeToSlider(volume);
}

bool MixerVolumes::SetPosition(VolumeLine line, int position) {
    position = position < 0 ? 0 : position > kMaxVolumePosition ? kMaxVolumePosition : position;
    if (m_mixer.SetVolume(MixerComponent(line), SliderToVolume(position))) return true;
    WriteLog(3, "MixerVolumes: the mixer of %s refused volume %d", m_mixer.DeviceName().c_str(), position);
    return false;
}

KeptVolumes MixerVolumes::Positions() {
    return {Position(VolumeLine::Playback), Position(VolumeLine::Record)};
}

} // namespace orv
