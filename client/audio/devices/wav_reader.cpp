#include "client/audio/devices/wav_reader.h"

#include "wire/byte_order.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace orv {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
};

bool ParseFormat(const std::uint8_t* chunk, std::size_t size, Format& format, std::string& error) {
    if (size < 16) {
        error = "fmt chunk too short";
        return false;
    }
    format.tag = GetU16LE(chunk);
    format.channels = GetU16LE(chunk + 2);
    const std::uint32_t rate = GetU32LE(chunk + 4);
    format.bits = GetU16LE(chunk + 14);
    if (format.tag == kFormatExtensible) {
        if (size < 40) {
            error = "extensible fmt chunk too short";
            return false;
        }
        format.tag = GetU16LE(chunk + 24); // first two bytes of the sub-format GUID
    }
    if (format.channels < 1 || format.channels > 32) {
        error = "unsupported channel count";
        return false;
    }
    if (rate < 1 || rate > 768000) {
        error = "unsupported sample rate";
        return false;
    }
    format.rate = static_cast<int>(rate);
    const bool pcm = format.tag == kFormatPcm &&
                     (format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32);
    const bool flt = format.tag == kFormatFloat && (format.bits == 32 || format.bits == 64);
    if (!pcm && !flt) {
        error = "unsupported sample format";
        return false;
    }
    return true;
}

double Sample(const std::uint8_t* p, const Format& format) {
    if (format.tag == kFormatFloat) {
        if (format.bits == 32) {
            float value;
            std::memcpy(&value, p, sizeof value);
            return value;
        }
        double value;
        std::memcpy(&value, p, sizeof value);
        return value;
    }
    switch (format.bits) {
    case 8: return (static_cast<int>(p[0]) - 128) / 128.0;
    case 16: return static_cast<std::int16_t>(GetU16LE(p)) / 32768.0;
    case 24: {
        const std::uint32_t raw = static_cast<std::uint32_t>(p[0]) << 8 | static_cast<std::uint32_t>(p[1]) << 16 |
                                  static_cast<std::uint32_t>(p[2]) << 24;
        return (static_cast<std::int32_t>(raw) >> 8) / 8388608.0;
    }
    default: return static_cast<std::int32_t>(GetU32LE(p)) / 2147483648.0;
    }
}

float Clean(double value) {
    if (!(value == value)) return 0.0f; // NaN in a float file
    if (value > 1.0) return 1.0f;
    if (value < -1.0) return -1.0f;
    return static_cast<float>(value);
}

void Downmix(const std::uint8_t* data, std::size_t size, const Format& format, std::vector<float>& mono) {
    const std::size_t bytesPerSample = static_cast<std::size_t>(format.bits) / 8;
    const std::size_t frameBytes = bytesPerSample * static_cast<std::size_t>(format.channels);
    const std::size_t frames = size / frameBytes;
    mono.assign(frames, 0.0f);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const std::uint8_t* p = data + frame * frameBytes;
        double sum = 0.0;
        for (int channel = 0; channel < format.channels; ++channel) {
            sum += Sample(p + static_cast<std::size_t>(channel) * bytesPerSample, format);
        }
        mono[frame] = Clean(sum / format.channels);
    }
}

} // namespace

bool ParseWav(const std::uint8_t* bytes, std::size_t size, WavAudio& audio, std::string& error) {
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        error = "not a RIFF WAVE file";
        return false;
    }
    Format format;
    bool haveFormat = false;
    std::size_t offset = 12;
    // The RIFF size is not trusted: writers killed mid-file or streaming leave it wrong.
    while (size - offset >= 8) {
        const std::uint8_t* header = bytes + offset;
        const std::size_t available = size - offset - 8;
        const std::size_t declared = GetU32LE(header + 4);
        const std::size_t chunkSize = declared < available ? declared : available;
        const std::uint8_t* body = header + 8;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (!ParseFormat(body, chunkSize, format, error)) return false;
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat) {
                error = "data chunk before fmt chunk";
                return false;
            }
            audio.sampleRate = format.rate;
            audio.channels = format.channels;
            audio.bitsPerSample = format.bits;
            audio.isFloat = format.tag == kFormatFloat;
            Downmix(body, chunkSize, format, audio.mono);
            return true;
        }
        if (declared >= available) break; // a chunk that runs past the end ends the walk
        offset += 8 + chunkSize + (chunkSize & 1); // chunks are padded to even sizes
        if (offset > size) break;
    }
    error = haveFormat ? "no data chunk" : "no fmt chunk";
    return false;
}

bool ReadWavFile(const std::string& path, WavAudio& audio, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        if (bytes.size() + got > kMaxWavFileBytes) {
            error = "file too large: " + path;
            return false;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return ParseWav(bytes.data(), bytes.size(), audio, error);
}

} // namespace orv
