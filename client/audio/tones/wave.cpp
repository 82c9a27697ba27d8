#include "client/audio/tones/wave.h"

#include "client/audio/tones/tone_resources.h"
#include "wire/byte_order.h"

#include <cstring>

namespace orv {
namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kFormatOffset = 20;
constexpr std::size_t kDataTagOffset = 36;

bool ReadExactly(std::istream& in, std::uint8_t* out, std::size_t size) {
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == size;
}

} // namespace

void WaveFormat::Pack(std::uint8_t* out) const {
    PutU16LE(out, formatTag);
    PutU16LE(out + 2, channels);
    PutU32LE(out + 4, samplesPerSec);
    PutU32LE(out + 8, avgBytesPerSec);
    PutU16LE(out + 12, blockAlign);
    PutU16LE(out + 14, bitsPerSample);
}

WaveFormat WaveFormat::Unpack(const std::uint8_t* in) {
    WaveFormat f;
    f.formatTag = GetU16LE(in);
    f.channels = GetU16LE(in + 2);
    f.samplesPerSec = GetU32LE(in + 4);
    f.avgBytesPerSec = GetU32LE(in + 8);
    f.blockAlign = GetU16LE(in + 12);
    f.bitsPerSample = GetU16LE(in + 14);
    return f;
}

void CWave::Assign(const WaveFormat& format, const std::uint8_t* data, std::size_t size) {
    m_format = format;
    const std::size_t whole = format.blockAlign ? size / format.blockAlign * format.blockAlign : 0;
    m_data.assign(data, data + whole);
}

int CWave::LoadResource(const std::string& name) {
    const std::vector<std::uint8_t>* image = FindWaveResource(name);
    return image ? LoadImage(image->data(), image->size()) : 0;
}

int CWave::LoadImage(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < kHeaderBytes) return 0;
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVEfmt ", 8) != 0) return 0;
    if (std::memcmp(bytes + kDataTagOffset, "data", 4) != 0) return 0;
    const std::uint32_t dataBytes = GetU32LE(bytes + 40);
    if (dataBytes > size - kHeaderBytes) return 0;
    const WaveFormat format = WaveFormat::Unpack(bytes + kFormatOffset);
    if (format.blockAlign == 0) return 0;
    Assign(format, bytes + kHeaderBytes, dataBytes);
    return 1;
}

bool CWave::Read(std::istream& in, const std::string& streamName, std::string& error) {
    std::uint8_t header[kHeaderBytes];
    auto bad = [&](const char* what) {
        error = streamName + ": bad format (" + what + ")";
        return false;
    };
    if (!ReadExactly(in, header, 4) || std::memcmp(header, "RIFF", 4) != 0) return bad("no RIFF");
    if (!ReadExactly(in, header + 4, 4)) return bad("short header");
    if (!ReadExactly(in, header + 8, 8) || std::memcmp(header + 8, "WAVEfmt ", 8) != 0) return bad("no WAVEfmt");
    if (!ReadExactly(in, header + 16, 4 + WaveFormat::kBytes)) return bad("short format");
    if (!ReadExactly(in, header + kDataTagOffset, 4) || std::memcmp(header + kDataTagOffset, "data", 4) != 0)
        return bad("no data chunk");
    if (!ReadExactly(in, header + 40, 4)) return bad("short header");
    const WaveFormat format = WaveFormat::Unpack(header + kFormatOffset);
    const std::uint32_t dataBytes = GetU32LE(header + 40);
    if (format.blockAlign == 0) return bad("block align 0");
    if (dataBytes > kMaxWaveDataBytes) return bad("data too long");
    std::vector<std::uint8_t> data(dataBytes);
    if (!ReadExactly(in, data.data(), data.size())) return bad("data cut short");
    Assign(format, data.data(), data.size());
    return true;
}

void CWave::Write(std::ostream& out) const {
    std::uint8_t header[kHeaderBytes];
    const auto dataBytes = static_cast<std::uint32_t>(m_data.size());
    std::memcpy(header, "RIFF", 4);
    PutU32LE(header + 4, dataBytes + 36);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutU32LE(header + 16, WaveFormat::kBytes);
    m_format.Pack(header + kFormatOffset);
    std::memcpy(header + kDataTagOffset, "data", 4);
    PutU32LE(header + 40, dataBytes);
    out.write(reinterpret_cast<const char*>(header), kHeaderBytes);
    out.write(reinterpret_cast<const char*>(m_data.data()), static_cast<std::streamsize>(m_data.size()));
}

} // namespace orv
