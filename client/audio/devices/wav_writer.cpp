#include "client/audio/devices/wav_writer.h"

#include "wire/byte_order.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orv {
namespace {

constexpr std::uint32_t kHeaderBytes = 44;
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t written = pwrite(fd, data, size, offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

} // namespace

std::unique_ptr<WavWriter> WavWriter::Create(const std::string& path, std::string& error) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::uint8_t header[kHeaderBytes] = {};
    std::memcpy(header, "RIFF", 4);
    PutU32LE(header + 4, kHeaderBytes - 8);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutU32LE(header + 16, 16);
    PutU16LE(header + 20, 1); // PCM
    PutU16LE(header + 22, 1); // mono
    PutU32LE(header + 24, kAudioSampleRate);
    PutU32LE(header + 28, kAudioSampleRate * kAudioBytesPerSample);
    PutU16LE(header + 32, kAudioBytesPerSample);
    PutU16LE(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    if (!WriteAll(fd, header, sizeof header, 0)) {
        error = "cannot write " + path;
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<WavWriter>(new WavWriter(fd));
}

WavWriter::~WavWriter() { close(m_fd); }

void WavWriter::Write(const std::int16_t* samples, std::size_t count) {
    if (m_failed || count == 0) return;
    const std::uint64_t bytes = static_cast<std::uint64_t>(count) * kAudioBytesPerSample;
    if (m_dataBytes + bytes > kMaxDataBytes) return; // a WAV file cannot say more
    m_bytes.resize(bytes);
    for (std::size_t i = 0; i < count; ++i) PutU16LE(m_bytes.data() + 2 * i, static_cast<std::uint16_t>(samples[i]));
    if (!WriteAll(m_fd, m_bytes.data(), m_bytes.size(), static_cast<off_t>(kHeaderBytes + m_dataBytes))) {
        m_failed = true; // a full disk must not stop the call; the file keeps what it has
        return;
    }
    m_dataBytes += bytes;
    UpdateSizes();
}

void WavWriter::UpdateSizes() {
    std::uint8_t size[4];
    PutU32LE(size, static_cast<std::uint32_t>(m_dataBytes + kHeaderBytes - 8));
    WriteAll(m_fd, size, 4, 4);
    PutU32LE(size, static_cast<std::uint32_t>(m_dataBytes));
    WriteAll(m_fd, size, 4, 40);
}

} // namespace orv
