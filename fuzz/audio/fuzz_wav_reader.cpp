// WAV files reach the file capture device from anywhere: parse and convert arbitrary bytes.
#include "client/audio/devices/resampler.h"
#include "client/audio/devices/wav_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::WavAudio audio;
    std::string error;
    if (!orv::ParseWav(data, size, audio, error)) return 0;
    // Convert only what stays cheap: a few seconds at 8 kHz at most.
    const double outputs = static_cast<double>(audio.mono.size()) * 8000.0 / audio.sampleRate;
    if (outputs <= 16000.0) {
        const auto converted = orv::Resample(audio.mono, audio.sampleRate, 8000);
        if (converted.size() > static_cast<std::size_t>(outputs) + 1) __builtin_trap();
    }
    return 0;
}
