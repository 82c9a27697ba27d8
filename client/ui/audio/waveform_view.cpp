#include "client/ui/audio/waveform_view.h"

#include "client/audio/pipeline/waveform.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <map>

namespace orv {
namespace {

constexpr UINT kRepaintMessage = WM_USER + 1;

// The live views by handle: a block drawn for a view that is gone finds nothing.
std::mutex g_viewsLock;
std::map<HWND, WaveformView*>& Views() {
    static std::map<HWND, WaveformView*> views;
    return views;
}

} // namespace

// The painter the audio threads call (on their own threads).
void TakeWaveformBlock(HWND window, const std::int16_t* samples, std::size_t count) {
    std::lock_guard<std::mutex> views(g_viewsLock);
    const auto it = Views().find(window);
    if (it == Views().end()) return;
    WaveformView& view = *it->second;
    {
        std::lock_guard<std::mutex> lock(view.lock_);
        const std::size_t n = std::min(count, WaveformView::kSamples);
        std::copy_n(samples, n, view.block_.begin());
        std::fill(view.block_.begin() + static_cast<std::ptrdiff_t>(n), view.block_.end(), 0);
        view.hasBlock_ = true;
        ++view.blocks_;
    }
    PostMessage(window, kRepaintMessage, 0, 0);
}

WaveformView::WaveformView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 60);
    window_ = std::make_unique<FunctionWindow>([this](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kRepaintMessage) update();
        return 0;
    });
    window_->Create("WaveformView");
    std::lock_guard<std::mutex> views(g_viewsLock);
    Views()[Handle()] = this;
    SetWaveformPainter(TakeWaveformBlock);
}

WaveformView::~WaveformView() {
    std::lock_guard<std::mutex> views(g_viewsLock);
    Views().erase(Handle());
}

void WaveformView::Clear() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        hasBlock_ = false;
    }
    update();
}

std::uint64_t WaveformView::BlocksDrawn() const {
    std::lock_guard<std::mutex> lock(lock_);
    return blocks_;
}

void WaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    std::array<std::int16_t, kSamples> block;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!hasBlock_) return;
        block = block_;
    }
    QPolygon line;
    for (const WaveformPoint& p : WaveformPolyline(width(), height(), block.data(), block.size())) line << QPoint(p.x, p.y);
    painter.setPen(QPen(QColor(kWaveformRed, kWaveformGreen, kWaveformBlue), 1));
    painter.drawPolyline(line);
}

} // namespace orv
