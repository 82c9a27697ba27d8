#include "client/audio/devices/paced_stream.h"

#include "client/audio/devices/software_volume.h"
#include "client/log/log.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace orv {

void SilenceSource::Read(std::int16_t* samples, std::size_t count) {
    std::fill(samples, samples + count, std::int16_t{0});
}

namespace {

constexpr std::uint64_t kIdleWakeUs = 10000; // how often an idle stream catches up with time
constexpr std::size_t kChunkSamples = 4096;
constexpr std::uint64_t kDrySamplesLogged = 8; // 1 ms

// What both directions share: the thread, the clock, the lock and the buffer queue.
class PacedStreamBase : public AudioStream {
public:
    PacedStreamBase(AudioCompletion completion, std::atomic<std::uint32_t>& volume, std::shared_ptr<PacingClock> clock)
        : m_completion(std::move(completion)), m_volume(volume), m_clock(std::move(clock)), m_startUs(m_clock->NowUs()),
          m_chunk(kChunkSamples) {
        m_clock->Join(); // before the thread exists, so a manual clock waits for it from now on
    }
    ~PacedStreamBase() override { Close(); }

    void Close() override {
        if (m_stopping.exchange(true)) return;
        m_clock->WakeAll();
        if (m_thread.joinable()) m_thread.join();
        m_clock->Leave();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.clear();
    }

protected:
    struct Pending {
        AudioBuffer* buffer;
        std::uint64_t start;  // playback: first sample position
        std::uint64_t length; // samples
    };

    void StartThread() { m_thread = std::thread([this] { Run(); }); }

    std::uint64_t SamplesAt(std::uint64_t nowUs) const {
        return nowUs > m_startUs ? (nowUs - m_startUs) / kMicrosPerSample : 0;
    }
    std::uint64_t TimeOfSample(std::uint64_t position) const { return m_startUs + position * kMicrosPerSample; }

    // Runs the completion without the lock held: the callback may submit the next buffer.
    void Complete(std::unique_lock<std::mutex>& lock, AudioBuffer* buffer) {
        lock.unlock();
        m_completion(buffer);
        lock.lock();
    }

    // Catches up with the clock; returns the time of the next thing due.
    virtual std::uint64_t CatchUp(std::uint64_t nowUs) = 0;

    std::mutex m_mutex;
    std::deque<Pending> m_pending;
    AudioCompletion m_completion;
    std::atomic<std::uint32_t>& m_volume;
    std::shared_ptr<PacingClock> m_clock;
    std::atomic<bool> m_stopping{false};
    const std::uint64_t m_startUs;
    std::vector<std::int16_t> m_chunk;

private:
    void Run() {
        while (!m_stopping.load()) {
            const std::uint64_t deadline = CatchUp(m_clock->NowUs());
            m_clock->WaitUntil(deadline, m_stopping);
        }
    }
    std::thread m_thread;
};

class PacedCaptureStream final : public PacedStreamBase {
public:
    PacedCaptureStream(std::unique_ptr<SampleSource> source, AudioCompletion completion,
                       std::atomic<std::uint32_t>& volume, std::shared_ptr<PacingClock> clock)
        : PacedStreamBase(std::move(completion), volume, std::move(clock)), m_source(std::move(source)) {
        StartThread();
    }
    ~PacedCaptureStream() override { Close(); }

    bool Submit(AudioBuffer* buffer) override {
        if (!buffer || m_stopping.load()) return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        buffer->bytesRecorded = 0;
        m_pending.push_back({buffer, 0, buffer->bufferBytes / kAudioBytesPerSample});
        return true;
    }

private:
    std::uint64_t CatchUp(std::uint64_t nowUs) override {
        const std::uint64_t target = SamplesAt(nowUs);
        std::unique_lock<std::mutex> lock(m_mutex);
        while (m_recorded < target || (!m_pending.empty() && m_pending.front().length == 0)) {
            if (m_stopping.load()) break;
            const std::size_t due = static_cast<std::size_t>(std::min<std::uint64_t>(target - m_recorded, kChunkSamples));
            if (m_pending.empty()) { // nobody listening: the samples pass by
                m_source->Read(m_chunk.data(), due);
                m_recorded += due;
                continue;
            }
            Pending& front = m_pending.front();
            const std::uint64_t filled = front.buffer->bytesRecorded / kAudioBytesPerSample;
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(due, front.length - filled));
            m_source->Read(m_chunk.data(), count);
            ApplySoftwareVolume(m_chunk.data(), count, m_volume.load());
            std::memcpy(front.buffer->data + filled * kAudioBytesPerSample, m_chunk.data(), count * kAudioBytesPerSample);
            front.buffer->bytesRecorded += static_cast<std::uint32_t>(count * kAudioBytesPerSample);
            m_recorded += count;
            if (filled + count == front.length) {
                AudioBuffer* done = front.buffer;
                m_pending.pop_front();
                Complete(lock, done);
            }
        }
        if (m_pending.empty()) return nowUs + kIdleWakeUs;
        const Pending& front = m_pending.front();
        const std::uint64_t filled = front.buffer->bytesRecorded / kAudioBytesPerSample;
        return TimeOfSample(m_recorded + (front.length - filled));
    }

    std::unique_ptr<SampleSource> m_source;
    std::uint64_t m_recorded = 0; // samples since the stream started
};

class PacedPlaybackStream final : public PacedStreamBase {
public:
    PacedPlaybackStream(std::unique_ptr<SampleSink> sink, AudioCompletion completion,
                        std::atomic<std::uint32_t>& volume, std::shared_ptr<PacingClock> clock)
        : PacedStreamBase(std::move(completion), volume, std::move(clock)), m_sink(std::move(sink)) {
        StartThread();
    }
    ~PacedPlaybackStream() override { Close(); }

    bool Submit(AudioBuffer* buffer) override {
        if (!buffer || m_stopping.load()) return false;
        const std::uint64_t now = SamplesAt(m_clock->NowUs());
        std::lock_guard<std::mutex> lock(m_mutex);
        // A buffer plays as soon as it arrives, but never before the one ahead of it, nor in
        // the past that was already written out.
        const std::uint64_t start = std::max({now, m_queueEnd, m_played});
        const std::uint64_t length = buffer->bufferBytes / kAudioBytesPerSample;
        m_pending.push_back({buffer, start, length});
        m_queueEnd = start + length;
        return true;
    }

    std::uint32_t DelayUs() override {
        const std::uint64_t now = SamplesAt(m_clock->NowUs());
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::uint64_t ahead = m_queueEnd > now ? m_queueEnd - now : 0;
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(ahead * kMicrosPerSample, UINT32_MAX));
    }

private:
    std::uint64_t CatchUp(std::uint64_t nowUs) override {
        const std::uint64_t target = SamplesAt(nowUs);
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stopping.load()) {
            if (!m_pending.empty() && m_pending.front().start + m_pending.front().length <= m_played) {
                AudioBuffer* done = m_pending.front().buffer;
                m_pending.pop_front();
                Complete(lock, done);
                continue;
            }
            if (m_played >= target) break;
            const std::uint64_t gapEnd = m_pending.empty() ? target : std::min(target, m_pending.front().start);
            if (m_played < gapEnd) {
                if (m_hasPlayed && !m_dry) {
                    m_dry = true;
                    m_dryFrom = m_played;
                }
                WriteSilence(static_cast<std::size_t>(std::min<std::uint64_t>(gapEnd - m_played, kChunkSamples)));
                continue;
            }
            const Pending& front = m_pending.front();
            const std::uint64_t offset = m_played - front.start;
            if (m_dry && m_played - m_dryFrom >= kDrySamplesLogged) {
                WriteLog(4, "Playback ran dry at sample %llu for %llu samples", static_cast<unsigned long long>(m_dryFrom),
                         static_cast<unsigned long long>(m_played - m_dryFrom));
            }
            m_dry = false;
            m_hasPlayed = true;
            const std::size_t count = static_cast<std::size_t>(
                std::min({front.length - offset, target - m_played, std::uint64_t{kChunkSamples}}));
            std::memcpy(m_chunk.data(), front.buffer->data + offset * kAudioBytesPerSample, count * kAudioBytesPerSample);
            ApplySoftwareVolume(m_chunk.data(), count, m_volume.load());
            m_sink->Write(m_chunk.data(), count);
            m_played += count;
        }
        if (m_pending.empty()) return nowUs + kIdleWakeUs;
        return TimeOfSample(m_pending.front().start + m_pending.front().length);
    }

    void WriteSilence(std::size_t count) {
        std::fill(m_chunk.begin(), m_chunk.begin() + static_cast<std::ptrdiff_t>(count), std::int16_t{0});
        m_sink->Write(m_chunk.data(), count);
        m_played += count;
    }

    std::unique_ptr<SampleSink> m_sink;
    std::uint64_t m_played = 0;   // samples handed to the sink since the stream started
    std::uint64_t m_queueEnd = 0; // where the last queued buffer ends
    // Silence between two buffers (the player came late) is logged with where it began.
    bool m_hasPlayed = false, m_dry = false;
    std::uint64_t m_dryFrom = 0;
};

} // namespace

std::unique_ptr<AudioStream> StartPacedCapture(std::unique_ptr<SampleSource> source, AudioCompletion completion,
                                               std::atomic<std::uint32_t>& volume,
                                               std::shared_ptr<PacingClock> clock) {
    return std::make_unique<PacedCaptureStream>(std::move(source), std::move(completion), volume, std::move(clock));
}

std::unique_ptr<AudioStream> StartPacedPlayback(std::unique_ptr<SampleSink> sink, AudioCompletion completion,
                                                std::atomic<std::uint32_t>& volume,
                                                std::shared_ptr<PacingClock> clock) {
    return std::make_unique<PacedPlaybackStream>(std::move(sink), std::move(completion), volume, std::move(clock));
}

} // namespace orv
