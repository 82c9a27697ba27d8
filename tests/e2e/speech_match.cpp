#include "tests/e2e/speech_match.h"

#include "client/audio/devices/wav_reader.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace orv::test {

namespace {

constexpr int kRate = 8000;
constexpr std::size_t kSegment = kRate / 4;      // 250 ms
constexpr long kSegmentSlack = kRate * 80 / 1000; // +-80 ms around the overall delay
constexpr std::size_t kFrame = kRate / 100;       // 10 ms loudness frames

using Complex = std::complex<double>;

void Fft(std::vector<Complex>& a, bool inverse) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const double angle = 2 * M_PI / static_cast<double>(length) * (inverse ? 1 : -1);
        const Complex step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += length) {
            Complex w(1);
            for (std::size_t k = 0; k < length / 2; ++k) {
                const Complex u = a[i + k], v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
                w *= step;
            }
        }
    }
    if (inverse) {
        for (Complex& x : a) x /= static_cast<double>(n);
    }
}

// The lag in [0, maxLag] where the recording best matches the reference (raw correlation).
long OverallLag(const std::vector<float>& reference, const std::vector<float>& recording, long maxLag) {
    std::size_t n = 1;
    while (n < reference.size() + recording.size()) n <<= 1;
    std::vector<Complex> a(n), b(n);
    std::copy(reference.begin(), reference.end(), a.begin());
    std::copy(recording.begin(), recording.end(), b.begin());
    Fft(a, false);
    Fft(b, false);
    for (std::size_t i = 0; i < n; ++i) a[i] = std::conj(a[i]) * b[i];
    Fft(a, true);
    long best = 0;
    for (long lag = 1; lag <= maxLag && static_cast<std::size_t>(lag) < n; ++lag) {
        if (a[static_cast<std::size_t>(lag)].real() > a[static_cast<std::size_t>(best)].real()) best = lag;
    }
    return best;
}

double Ncc(const float* x, const float* y, std::size_t n) {
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        xy += static_cast<double>(x[i]) * y[i];
        xx += static_cast<double>(x[i]) * x[i];
        yy += static_cast<double>(y[i]) * y[i];
    }
    return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
}

double Energy(const float* x, std::size_t n) {
    double e = 0;
    for (std::size_t i = 0; i < n; ++i) e += static_cast<double>(x[i]) * x[i];
    return e / static_cast<double>(n);
}

std::vector<double> LoudnessDb(const std::vector<float>& x, std::size_t from, std::size_t frames) {
    std::vector<double> db;
    for (std::size_t f = 0; f < frames; ++f) {
        const std::size_t at = from + f * kFrame;
        const double e = at + kFrame <= x.size() ? Energy(x.data() + at, kFrame) : 0;
        db.push_back(10 * std::log10(e + 1e-7));
    }
    return db;
}

double PearsonOf(const std::vector<double>& a, const std::vector<double>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    if (n == 0) return 0;
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < n; ++i) ma += a[i], mb += b[i];
    ma /= static_cast<double>(n), mb /= static_cast<double>(n);
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += (a[i] - ma) * (b[i] - mb), aa += (a[i] - ma) * (a[i] - ma), bb += (b[i] - mb) * (b[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

} // namespace

std::vector<float> ReadSpeech8k(const std::string& path, std::string* error) {
    WavAudio audio;
    std::string why;
    if (!ReadWavFile(path, audio, why) || audio.sampleRate != kRate) {
        if (error != nullptr) *error = why.empty() ? "not 8000 Hz" : why;
        return {};
    }
    return audio.mono;
}

SpeechMatch MatchSpeech(const std::vector<float>& reference, const std::vector<float>& recording,
                        double maxDelayMs) {
    SpeechMatch match;
    if (reference.size() < kSegment || recording.size() < kSegment) return match;
    const long lag = OverallLag(reference, recording, static_cast<long>(maxDelayMs * kRate / 1000));
    match.delayMs = 1000.0 * static_cast<double>(lag) / kRate;

    // Voiced: louder than a hundredth of the reference's mean energy.
    const double floor = Energy(reference.data(), reference.size()) / 100;
    double sum = 0;
    for (std::size_t start = 0; start + kSegment <= reference.size(); start += kSegment) {
        if (Energy(reference.data() + start, kSegment) < floor) continue;
        double best = 0;
        for (long shift = lag - kSegmentSlack; shift <= lag + kSegmentSlack; ++shift) {
            const long at = static_cast<long>(start) + shift;
            if (at < 0 || static_cast<std::size_t>(at) + kSegment > recording.size()) continue;
            best = std::max(best, Ncc(reference.data() + start, recording.data() + at, kSegment));
        }
        sum += best;
        ++match.segments;
    }
    match.correlation = match.segments > 0 ? sum / match.segments : 0;

    const std::size_t frames = reference.size() / kFrame;
    match.envelope = PearsonOf(LoudnessDb(reference, 0, frames),
                               LoudnessDb(recording, static_cast<std::size_t>(lag), frames));
    return match;
}

std::vector<DelayPoint> TrackDelay(const std::vector<float>& reference, const std::vector<float>& recording,
                                   double windowMs, double maxDelayMs) {
    std::vector<DelayPoint> track;
    const std::size_t window = static_cast<std::size_t>(windowMs * kRate / 1000);
    const std::size_t maxLag = static_cast<std::size_t>(maxDelayMs * kRate / 1000);
    if (window == 0) return track;
    for (std::size_t at = maxLag; at + window <= recording.size() && at + window <= reference.size() + maxLag;
         at += window) {
        const float* heard = recording.data() + at;
        if (Energy(heard, window) < 1e-6) continue; // quiet: nothing to align
        // The reference from maxLag before the window to its end: lag L there is delay maxLag - L.
        const std::size_t from = at - maxLag;
        const std::size_t length = std::min(window + maxLag, reference.size() - from);
        const std::vector<float> said(reference.begin() + static_cast<long>(from),
                                      reference.begin() + static_cast<long>(from + length));
        const std::vector<float> piece(heard, heard + window);
        const long lag = OverallLag(piece, said, static_cast<long>(maxLag));
        const std::size_t delay = maxLag - static_cast<std::size_t>(lag);
        if (at < delay || at - delay + window > reference.size()) continue;
        const double match = Ncc(heard, reference.data() + (at - delay), window);
        if (match < 0.5) continue;
        track.push_back({static_cast<double>(at) * 1000 / kRate, static_cast<double>(delay) * 1000 / kRate, match});
    }
    return track;
}

} // namespace orv::test
