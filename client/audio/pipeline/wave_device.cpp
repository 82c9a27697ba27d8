#include "client/audio/pipeline/wave_device.h"

namespace orv {

WaveDevice::WaveDevice() { m_mixer.Open(kDefaultMixerDevice); }

WaveDevice::~WaveDevice() {
    CloseInput();
    CloseOutput();
}

int WaveDevice::OpenInput(AudioCompletion callback, const std::string& deviceName) {
    CloseInput();
    std::unique_ptr<AudioStream> stream = OpenCaptureStream(deviceName, std::move(callback));
    if (!stream) return -1;
    std::lock_guard<std::mutex> lock(m_lock);
    m_input = std::move(stream); // our streams record from the moment they open
    m_inputState = kStarted;
    return 0;
}

void WaveDevice::CloseInput() {
    std::unique_ptr<AudioStream> stream;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        stream = std::move(m_input);
        m_inputState = kClosed;
    }
    // Closing waits for the device thread, whose completion may be waiting for m_lock.
    if (stream) stream->Close();
}

int WaveDevice::AddBuffer(WaveBuffer& buffer) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_inputState != kStarted || !m_input) return -1;
    PrepareWaveBuffer(buffer, WavePreparation::Input);
    if (buffer.preparation != WavePreparation::Input) return -2;
    return m_input->Submit(&buffer.header) ? 0 : -3;
}

int WaveDevice::InputState() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_inputState;
}

int WaveDevice::OpenOutput(AudioCompletion callback, const std::string& deviceName) {
    CloseOutput();
    std::unique_ptr<AudioStream> stream = OpenPlaybackStream(deviceName, std::move(callback));
    if (!stream) return -1;
    std::lock_guard<std::mutex> lock(m_lock);
    m_output = std::move(stream);
    m_outputState = kStarted;
    return 0;
}

void WaveDevice::CloseOutput() {
    std::unique_ptr<AudioStream> stream;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        stream = std::move(m_output);
        m_outputState = kClosed;
    }
    if (stream) stream->Close();
}

int WaveDevice::Write(WaveBuffer& buffer) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_outputState != kStarted || !m_output) return -1;
    PrepareWaveBuffer(buffer, WavePreparation::Output);
    if (buffer.preparation != WavePreparation::Output) return -2;
    return m_output->Submit(&buffer.header) ? 0 : -3;
}

std::uint32_t WaveDevice::InputDelayUs() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_input ? m_input->DelayUs() : 0;
}

std::uint32_t WaveDevice::OutputDelayUs() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_output ? m_output->DelayUs() : 0;
}

int WaveDevice::OutputState() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_outputState;
}

} // namespace orv
