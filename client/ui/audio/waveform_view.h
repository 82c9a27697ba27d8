// A black strip on which the microphone or speaker thread draws each block it handles as a
// waveform. The threads know the view by the handle of its message window; the block is
// kept under the view's lock and the user-interface thread is woken to paint it.
#pragma once

#include "platform/message.h"
#include "platform/types.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

namespace orv {

class WaveformView : public QWidget {
public:
    explicit WaveformView(QWidget* parent = nullptr);
    ~WaveformView() override;

    // The handle an audio thread draws to.
    HWND Handle() const { return window_->GetSafeHwnd(); }
    // Forgets the last block: the strip is black again.
    void Clear();
    // How many blocks reached the view (any thread).
    std::uint64_t BlocksDrawn() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend void TakeWaveformBlock(HWND window, const std::int16_t* samples, std::size_t count);
    static constexpr std::size_t kSamples = 240;
    std::unique_ptr<FunctionWindow> window_;
    mutable std::mutex lock_; // the block, written on an audio thread, painted on the UI thread
    std::array<std::int16_t, kSamples> block_{};
    bool hasBlock_ = false;
    std::uint64_t blocks_ = 0;
};

} // namespace orv
