#include "client/audio/devices/alsa_stream.h"

#include "client/audio/devices/alsa_errors.h"
#include "client/audio/devices/software_volume.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdint>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace orv {
namespace {

constexpr unsigned kLatencyUs = 120000; // the card's buffer: four blocks
constexpr int kPollMs = 20;
constexpr std::size_t kChunkFrames = 1024;

snd_pcm_t* OpenPcm(const std::string& name, snd_pcm_stream_t direction) {
    RouteAlsaErrorsToLog();
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), direction, SND_PCM_NONBLOCK) < 0) return nullptr;
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kAudioSampleRate, 1,
                           kLatencyUs) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

class AlsaStream final : public AudioStream {
public:
    AlsaStream(snd_pcm_t* pcm, bool capture, AudioCompletion completion, std::atomic<std::uint32_t>& volume)
        : m_pcm(pcm), m_capture(capture), m_completion(std::move(completion)), m_volume(volume),
          m_chunk(kChunkFrames) {
        if (m_capture) snd_pcm_start(m_pcm);
        m_thread = std::thread([this] { Run(); });
    }
    ~AlsaStream() override { Close(); }

    bool Submit(AudioBuffer* buffer) override {
        if (!buffer || m_stopping.load()) return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        buffer->bytesRecorded = 0;
        m_pending.push_back({buffer, 0});
        m_wake.notify_all();
        return true;
    }

    std::uint32_t DelayUs() override {
        snd_pcm_sframes_t frames = 0;
        if (snd_pcm_delay(m_pcm, &frames) < 0 || frames < 0) frames = 0; // stopped or after an xrun
        std::uint64_t total = static_cast<std::uint64_t>(frames);
        if (!m_capture) { // and what waits here for the card
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const Pending& pending : m_pending) total += pending.buffer->bufferBytes / kAudioBytesPerSample - pending.doneFrames;
        }
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(total * 1000000 / kAudioSampleRate, UINT32_MAX));
    }

    void Close() override {
        if (m_stopping.exchange(true)) return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_wake.notify_all();
        }
        if (m_thread.joinable()) m_thread.join();
        snd_pcm_close(m_pcm);
        m_pending.clear();
    }

private:
    struct Pending {
        AudioBuffer* buffer;
        std::size_t doneFrames;
    };

    void Run() {
        while (!m_stopping.load()) {
            if (m_capture) CaptureStep();
            else PlaybackStep();
        }
    }

    // Returns frames moved, 0 when the card is not ready, after recovering from xruns.
    snd_pcm_sframes_t Transfer(std::int16_t* data, std::size_t frames) {
        if (snd_pcm_wait(m_pcm, kPollMs) < 0) snd_pcm_prepare(m_pcm);
        const snd_pcm_sframes_t moved =
            m_capture ? snd_pcm_readi(m_pcm, data, frames) : snd_pcm_writei(m_pcm, data, frames);
        if (moved == -EAGAIN) return 0;
        if (moved < 0) {
            if (snd_pcm_recover(m_pcm, static_cast<int>(moved), 1) < 0) std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            if (m_capture) snd_pcm_start(m_pcm);
            return 0;
        }
        return moved;
    }

    void CaptureStep() {
        std::size_t want = kChunkFrames;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_pending.empty()) {
                const Pending& front = m_pending.front();
                want = std::min(want, front.buffer->bufferBytes / kAudioBytesPerSample - front.doneFrames);
            }
        }
        const snd_pcm_sframes_t got = want ? Transfer(m_chunk.data(), want) : 0;
        AudioBuffer* done = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_pending.empty()) return; // nobody listening: the samples pass by
            Pending& front = m_pending.front();
            const auto count = static_cast<std::size_t>(std::max<snd_pcm_sframes_t>(got, 0));
            const std::size_t room = front.buffer->bufferBytes / kAudioBytesPerSample - front.doneFrames;
            const std::size_t taken = std::min(count, room); // a buffer queued meanwhile starts empty
            ApplySoftwareVolume(m_chunk.data(), taken, m_volume.load());
            std::memcpy(front.buffer->data + front.doneFrames * kAudioBytesPerSample, m_chunk.data(),
                        taken * kAudioBytesPerSample);
            front.doneFrames += taken;
            front.buffer->bytesRecorded = static_cast<std::uint32_t>(front.doneFrames * kAudioBytesPerSample);
            if (front.doneFrames == front.buffer->bufferBytes / kAudioBytesPerSample) {
                done = front.buffer;
                m_pending.pop_front();
            }
        }
        if (done) m_completion(done);
    }

    void PlaybackStep() {
        std::size_t count = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_pending.empty()) {
                m_wake.wait_for(lock, std::chrono::milliseconds(kPollMs));
                return;
            }
            const Pending& front = m_pending.front();
            count = std::min(kChunkFrames, front.buffer->bufferBytes / kAudioBytesPerSample - front.doneFrames);
            std::memcpy(m_chunk.data(), front.buffer->data + front.doneFrames * kAudioBytesPerSample,
                        count * kAudioBytesPerSample);
        }
        ApplySoftwareVolume(m_chunk.data(), count, m_volume.load());
        const snd_pcm_sframes_t written = count ? Transfer(m_chunk.data(), count) : 0;
        AudioBuffer* done = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            Pending& front = m_pending.front();
            front.doneFrames += static_cast<std::size_t>(std::max<snd_pcm_sframes_t>(written, 0));
            if (front.doneFrames >= front.buffer->bufferBytes / kAudioBytesPerSample) {
                done = front.buffer;
                m_pending.pop_front();
            }
        }
        if (done) m_completion(done); // handed to the card; it plays within kLatencyUs
    }

    snd_pcm_t* m_pcm;
    const bool m_capture;
    AudioCompletion m_completion;
    std::atomic<std::uint32_t>& m_volume;
    std::vector<std::int16_t> m_chunk;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Pending> m_pending;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

std::unique_ptr<AudioStream> Open(const std::string& pcmName, snd_pcm_stream_t direction, AudioCompletion completion) {
    snd_pcm_t* pcm = OpenPcm(pcmName, direction);
    if (!pcm) return nullptr;
    const bool capture = direction == SND_PCM_STREAM_CAPTURE;
    return std::make_unique<AlsaStream>(
        pcm, capture, std::move(completion),
        SoftwareVolume(pcmName, capture ? AudioDirection::Capture : AudioDirection::Playback));
}

} // namespace

std::unique_ptr<AudioStream> OpenAlsaCapture(const std::string& pcmName, AudioCompletion completion) {
    return Open(pcmName, SND_PCM_STREAM_CAPTURE, std::move(completion));
}

std::unique_ptr<AudioStream> OpenAlsaPlayback(const std::string& pcmName, AudioCompletion completion) {
    return Open(pcmName, SND_PCM_STREAM_PLAYBACK, std::move(completion));
}

} // namespace orv
