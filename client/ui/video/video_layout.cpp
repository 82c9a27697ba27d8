#include "client/ui/video/video_layout.h"

#include <algorithm>

namespace orv {

QSize ZoomedClientSize(const VideoFrameMetrics& m, int percent) {
    return QSize(m.left + m.right + m.width * percent / 100, m.top + m.bottom + m.height * percent / 100);
}

QSize MinimumClientSize(const VideoFrameMetrics& m) { return ZoomedClientSize(m, kMinimumZoomPercent); }

QRect PictureRect(const VideoFrameMetrics& m, const QSize& client) {
    const int areaWidth = client.width() - m.left - m.right;
    const int areaHeight = client.height() - m.top - m.bottom;
    if (areaWidth <= 0 || areaHeight <= 0 || m.width <= 0 || m.height <= 0) return QRect();
    // The narrower dimension keeps its length; the other is cut to the aspect and centred.
    const long long byWidth = static_cast<long long>(areaWidth) * m.height;
    const long long byHeight = static_cast<long long>(areaHeight) * m.width;
    int w = areaWidth;
    int h = areaHeight;
    if (byWidth > byHeight) {
        w = static_cast<int>(byHeight / m.height);
    } else {
        h = static_cast<int>(byWidth / m.width);
    }
    return QRect(m.left + (areaWidth - w) / 2, m.top + (areaHeight - h) / 2, w, h);
}

QPoint DockBeside(const QRect& main, const QSize& size, const QRect& workArea) {
    int x = main.right() + 1;
    if (x + size.width() > workArea.right() + 1 && main.left() - size.width() >= workArea.left())
        x = main.left() - size.width();
    int y = main.top() + (main.height() - size.height()) / 2;
    x = std::clamp(x, workArea.left(), std::max(workArea.left(), workArea.right() + 1 - size.width()));
    y = std::clamp(y, workArea.top(), std::max(workArea.top(), workArea.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

} // namespace orv
