#include "client/audio/pipeline/echo_canceller.h"

#include "client/audio/pipeline/pcm_block_queue.h"
#include "client/log/log.h"

#include <webrtc/modules/audio_processing/include/audio_processing.h>
#include <webrtc/modules/interface/module_common_types.h>

#include <algorithm>
#include <cstring>

namespace orv {

namespace {

constexpr int kRate = 8000;
constexpr std::size_t kFrameSamples = 80; // the library works on 10 ms frames
constexpr std::size_t kFramesPerBlock = kPcmBlockSamples / kFrameSamples;
static_assert(kFramesPerBlock * kFrameSamples == kPcmBlockSamples, "a block is whole frames");
constexpr std::uint32_t kBlockUs = 30000;
// The library takes delays up to 500 ms; the extended filter and the delay estimator find
// the echo when the device reports a delay that is somewhat off.
constexpr int kMaxStreamDelayMs = 500;

void LoadFrame(webrtc::AudioFrame& frame, const std::uint8_t* bytes) {
    frame.sample_rate_hz_ = kRate;
    frame.num_channels_ = 1;
    frame.samples_per_channel_ = kFrameSamples;
    std::memcpy(frame.data_, bytes, kFrameSamples * 2);
}

} // namespace

EchoCanceller::EchoCanceller() = default;
EchoCanceller::~EchoCanceller() = default;

// Called with m_lock held.
void EchoCanceller::Create() {
    webrtc::Config config;
    config.Set<webrtc::ExtendedFilter>(new webrtc::ExtendedFilter(true));
    config.Set<webrtc::DelayAgnostic>(new webrtc::DelayAgnostic(true));
    m_apm.reset(webrtc::AudioProcessing::Create(config));
    if (!m_apm) {
        WriteLog(3, "Echo canceller could not be created");
        return;
    }
    // No high-pass filter: at 8 kHz it takes the low voice band and costs a clear 0.07 of the
    // speech's correlation; the codecs filter what they need themselves.
    m_apm->high_pass_filter()->Enable(false);
    m_apm->echo_cancellation()->enable_drift_compensation(false);
    m_apm->echo_cancellation()->set_suppression_level(webrtc::EchoCancellation::kHighSuppression);
    m_apm->echo_cancellation()->Enable(true);
    m_apm->noise_suppression()->set_level(webrtc::NoiseSuppression::kModerate);
    m_apm->noise_suppression()->Enable(true);
    m_apm->gain_control()->set_mode(webrtc::GainControl::kAdaptiveDigital);
    m_apm->gain_control()->Enable(true);
}

void EchoCanceller::SetEnabled(bool enabled) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    m_apm.reset();
    m_blocksProcessed = 0;
    if (enabled) Create();
}

bool EchoCanceller::Enabled() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_enabled;
}

void EchoCanceller::Played(const std::uint8_t* block, std::uint32_t heardInUs) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_apm || block == nullptr) return;
    m_heardInUs = heardInUs;
    webrtc::AudioFrame frame;
    for (std::size_t i = 0; i < kFramesPerBlock; ++i) {
        LoadFrame(frame, block + i * kFrameSamples * 2);
        m_apm->ProcessReverseStream(&frame);
    }
}

void EchoCanceller::Captured(std::uint8_t* block, std::uint32_t recordedAgoUs) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_apm || block == nullptr) return;
    // A played block's first sample sounds heardInUs after it was handed over; the recorded
    // block holding that moment arrives a block later, plus what the capture side holds back.
    const std::uint64_t delayUs = std::uint64_t{m_heardInUs} + kBlockUs + recordedAgoUs;
    m_streamDelayMs = static_cast<int>(std::min<std::uint64_t>(delayUs / 1000, kMaxStreamDelayMs));
    webrtc::AudioFrame frame;
    for (std::size_t i = 0; i < kFramesPerBlock; ++i) {
        std::uint8_t* bytes = block + i * kFrameSamples * 2;
        LoadFrame(frame, bytes);
        m_apm->set_stream_delay_ms(m_streamDelayMs);
        if (m_apm->ProcessStream(&frame) != webrtc::AudioProcessing::kNoError) return; // the block stays as recorded
        std::memcpy(bytes, frame.data_, kFrameSamples * 2);
    }
    ++m_blocksProcessed;
}

int EchoCanceller::StreamDelayMs() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_streamDelayMs;
}

std::uint64_t EchoCanceller::BlocksProcessed() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_blocksProcessed;
}

} // namespace orv
