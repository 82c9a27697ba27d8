#include "client/audio/pipeline/audio_mixer.h"

#include "client/audio/devices/device_names.h"
#include "client/audio/devices/null_device.h"
#include "client/audio/devices/software_volume.h"

namespace orv {

bool AudioMixer::Open(const std::string& deviceName) {
    std::lock_guard<std::mutex> lock(m_lock);
    CloseLocked();
    if (deviceName.empty()) return false;
    m_deviceName = deviceName;
    if (deviceName != kNullDeviceName && !IsWavDeviceName(deviceName)) m_card = AlsaMixer::Open(AlsaPcmName(deviceName));
    return true;
}

void AudioMixer::Close() {
    std::lock_guard<std::mutex> lock(m_lock);
    CloseLocked();
}

void AudioMixer::CloseLocked() {
    m_card.reset();
    m_deviceName.clear();
}

bool AudioMixer::IsOpen() {
    std::lock_guard<std::mutex> lock(m_lock);
    return !m_deviceName.empty();
}

std::string AudioMixer::DeviceName() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_deviceName;
}

bool AudioMixer::Direction(std::uint32_t componentType, bool& capture) const {
    if (m_deviceName.empty()) return false;
    if (componentType == kMixerWaveInDestination) capture = true;
    else if (componentType == kMixerWaveOutSource) capture = false;
    else return false;
    return true;
}

bool AudioMixer::CardHasLocked(bool capture) const {
    return m_card && (capture ? m_card->HasCaptureVolume() : m_card->HasPlaybackVolume());
}

bool AudioMixer::HasCardVolume(std::uint32_t componentType) {
    std::lock_guard<std::mutex> lock(m_lock);
    bool capture = false;
    return Direction(componentType, capture) && CardHasLocked(capture);
}

bool AudioMixer::GetVolume(std::uint32_t componentType, std::uint32_t& volume) {
    std::lock_guard<std::mutex> lock(m_lock);
    bool capture = false;
    if (!Direction(componentType, capture)) return false;
    if (CardHasLocked(capture)) {
        if (!m_card->GetVolume(capture, volume)) return false;
    } else {
        volume = SoftwareVolume(AlsaPcmName(m_deviceName), capture ? AudioDirection::Capture : AudioDirection::Playback).load();
    }
    volume &= 0xFFFF;
    return true;
}

bool AudioMixer::SetVolume(std::uint32_t componentType, std::uint32_t volume) {
    std::lock_guard<std::mutex> lock(m_lock);
    bool capture = false;
    if (!Direction(componentType, capture)) return false;
    volume &= 0xFFFF;
    if (CardHasLocked(capture)) return m_card->SetVolume(capture, volume);
    SoftwareVolume(AlsaPcmName(m_deviceName), capture ? AudioDirection::Capture : AudioDirection::Playback).store(volume);
    return true;
}

int AudioMixer::SelectRecordingSource(bool microphone) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_deviceName.empty()) return -1;
    if (!m_card) return 0; // one input, already the one recorded
    const int result = m_card->SelectCaptureSource(microphone);
    return result < 0 ? 0 : result;
}

} // namespace orv
