#include "client/audio/devices/wav_device.h"

#include "client/audio/devices/paced_stream.h"
#include "client/audio/devices/resampler.h"
#include "client/audio/devices/software_volume.h"
#include "client/audio/devices/wav_reader.h"
#include "client/audio/devices/wav_writer.h"
#include "client/log/log.h"

#include <algorithm>
#include <vector>

namespace orv {
namespace {

class WavFileSource final : public SampleSource {
public:
    WavFileSource(std::vector<std::int16_t> samples, bool loop) : m_samples(std::move(samples)), m_loop(loop) {}

    void Read(std::int16_t* out, std::size_t count) override {
        while (count > 0) {
            if (m_position >= m_samples.size()) {
                if (!m_loop || m_samples.empty()) {
                    std::fill(out, out + count, std::int16_t{0});
                    return;
                }
                m_position = 0;
            }
            const std::size_t run = std::min(count, m_samples.size() - m_position);
            std::copy_n(m_samples.begin() + static_cast<std::ptrdiff_t>(m_position), run, out);
            m_position += run;
            out += run;
            count -= run;
        }
    }

private:
    std::vector<std::int16_t> m_samples;
    bool m_loop;
    std::size_t m_position = 0;
};

} // namespace

bool ParseWavDeviceName(const std::string& name, WavDeviceName& parsed) {
    const std::string prefix = kWavDevicePrefix;
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    parsed = {};
    std::size_t start = prefix.size();
    while (start < name.size()) {
        std::size_t end = name.find(',', start);
        if (end == std::string::npos) end = name.size();
        const std::string item = name.substr(start, end - start);
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos) return false;
        const std::string key = item.substr(0, equals);
        const std::string value = item.substr(equals + 1);
        if (key == "in") parsed.input = value;
        else if (key == "out") parsed.output = value;
        else if (key == "loop") {
            if (value != "0" && value != "1") return false;
            parsed.loop = value == "1";
        } else
            return false;
        start = end + 1;
    }
    return true;
}

std::unique_ptr<AudioStream> OpenWavCapture(const std::string& name, AudioCompletion completion) {
    WavDeviceName parsed;
    if (!ParseWavDeviceName(name, parsed)) return nullptr;
    std::unique_ptr<SampleSource> source;
    if (parsed.input.empty()) {
        source = std::make_unique<SilenceSource>();
    } else {
        WavAudio audio;
        std::string error;
        if (!ReadWavFile(parsed.input, audio, error)) {
            WriteLog(4, "Wave input file: %s", error.c_str());
            return nullptr;
        }
        source = std::make_unique<WavFileSource>(Resample(audio.mono, audio.sampleRate, kAudioSampleRate), parsed.loop);
    }
    return StartPacedCapture(std::move(source), std::move(completion), SoftwareVolume(name, AudioDirection::Capture),
                             CurrentAudioClock());
}

std::unique_ptr<AudioStream> OpenWavPlayback(const std::string& name, AudioCompletion completion) {
    WavDeviceName parsed;
    if (!ParseWavDeviceName(name, parsed)) return nullptr;
    std::unique_ptr<SampleSink> sink;
    if (parsed.output.empty()) {
        sink = std::make_unique<DiscardSink>();
    } else {
        std::string error;
        sink = WavWriter::Create(parsed.output, error);
        if (!sink) {
            WriteLog(4, "Wave output file: %s", error.c_str());
            return nullptr;
        }
    }
    return StartPacedPlayback(std::move(sink), std::move(completion), SoftwareVolume(name, AudioDirection::Playback),
                              CurrentAudioClock());
}

} // namespace orv
