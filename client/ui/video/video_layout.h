// The geometry of the video window: the picture keeps the skin's aspect ratio inside the
// margins, zoom sizes the window from the skin's picture size, and dragging cannot make the
// picture smaller than 75 %.
#pragma once

#include <QRect>
#include <QSize>

namespace orv {

struct VideoFrameMetrics {
    int left = 0, top = 0, right = 0, bottom = 0; // margins around the picture
    int width = 352, height = 288;                // the picture's aspect and 100 % size
};

constexpr int kMinimumZoomPercent = 75;

// The client size that shows the picture at percent % of the skin's size.
QSize ZoomedClientSize(const VideoFrameMetrics& metrics, int percent);
// The smallest client size a drag may leave (the picture at 75 %).
QSize MinimumClientSize(const VideoFrameMetrics& metrics);
// The picture's place in a client area of the given size: inside the margins, reduced to the
// aspect ratio and centred. Empty when nothing fits.
QRect PictureRect(const VideoFrameMetrics& metrics, const QSize& client);

// Where a window of size `size` goes beside the main window `main` within the work area:
// to its right, vertically centred on it; on its left when the right side has no room; kept
// inside the work area.
QPoint DockBeside(const QRect& main, const QSize& size, const QRect& workArea);

} // namespace orv
