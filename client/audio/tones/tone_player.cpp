#include "client/audio/tones/tone_player.h"

#include "client/audio/tones/tone_resources.h"
#include "client/log/log.h"

namespace orv {

std::uint64_t TonePlayCount(const std::string& name, int flag) {
    if (name == kWaveDialTone && flag == 1) return 0xFFFFFFFEull;
    if (name == kWaveBusy) return 15;
    if (name == kWaveRing) return 20;
    if (name == kWaveAlert) return 100;
    return 1;
}

int CTonePlayer::Play(const std::string& name, int flag) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (name.empty()) {
        m_player.Stop();
        return 1;
    }
    CWave wave;
    if (!wave.LoadResource(name)) return 0;
    const DeviceSamples sound = ToDeviceSamples(wave);
    if (!sound) return 0;
    if (!m_player.IsOpen() || !(wave.Format() == m_player.Format())) {
        if (!m_player.Open(m_deviceName, wave.Format())) {
            WriteLog(4, "Tone device %s cannot be opened", m_deviceName.c_str());
            return 0;
        }
    } else {
        m_player.Stop();
    }
    if (!m_player.Play(sound, TonePlayCount(name, flag))) {
        m_player.Close(); // forgets the format, so the next tone opens the device afresh
        return 0;
    }
    return 1;
}

int CTonePlayer::ChangeDevice(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (name == m_deviceName || !PlaybackDeviceExists(name)) return 0;
    if (m_player.IsOpen()) {
        const WaveFormat format = m_player.Format();
        if (!m_player.Open(name, format)) WriteLog(4, "Tone device %s cannot be opened", name.c_str());
    }
    m_deviceName = name;
    return 1;
}

std::string CTonePlayer::DeviceName() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_deviceName;
}

bool CTonePlayer::IsPlaying() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_player.IsPlaying();
}

int CTonePlayer::DeviceOpenCount() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_player.OpenCount();
}

} // namespace orv
