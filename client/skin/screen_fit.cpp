#include "client/skin/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

namespace {

int Scaled(int value, double scale) { return static_cast<int>(std::lround(value * scale)); }

// Squared distance between two rectangles (0 when they touch or overlap).
long long Distance(const QRect& a, const QRect& b) {
    const long long dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
    const long long dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
    return dx * dx + dy * dy;
}

} // namespace

double FitScale(QSize design, const QRect& available) {
    if (design.isEmpty() || available.isEmpty()) return 1.0;
    const double across = double(available.width()) / design.width();
    const double down = double(available.height()) / design.height();
    return std::clamp(std::min({1.0, across, down}), kSmallestSkinScale, 1.0);
}

QRect ScaleRect(const QRect& design, double scale) {
    const int left = Scaled(design.x(), scale);
    const int top = Scaled(design.y(), scale);
    const int right = Scaled(design.x() + design.width(), scale);
    const int bottom = Scaled(design.y() + design.height(), scale);
    return QRect(left, top, right - left, bottom - top);
}

QSize ScaleSize(QSize design, double scale) {
    // Rounded down, so a window scaled to fit a screen never exceeds it by a pixel.
    return QSize(static_cast<int>(design.width() * scale + 1e-9), static_cast<int>(design.height() * scale + 1e-9));
}

QPoint PlaceInside(const QRect& frame, const QRect& available) {
    if (available.isEmpty()) return frame.topLeft();
    const int x = std::max(available.left(), std::min(frame.x(), available.x() + available.width() - frame.width()));
    const int y = std::max(available.top(), std::min(frame.y(), available.y() + available.height() - frame.height()));
    return QPoint(x, y);
}

QScreen* ScreenFor(const QRect& frame) {
    QScreen* best = nullptr;
    long long bestOverlap = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry().intersected(frame);
        const long long overlap = common.isEmpty() ? 0 : (long long)common.width() * common.height();
        if (overlap > bestOverlap) {
            best = screen;
            bestOverlap = overlap;
        }
    }
    if (best != nullptr) return best;
    long long nearest = std::numeric_limits<long long>::max();
    for (QScreen* screen : QGuiApplication::screens()) {
        const long long distance = Distance(screen->geometry(), frame);
        if (distance < nearest) {
            best = screen;
            nearest = distance;
        }
    }
    return best != nullptr ? best : QGuiApplication::primaryScreen();
}

QScreen* KeepOnScreen(QWidget& window) {
    QScreen* screen = ScreenFor(window.frameGeometry());
    if (screen == nullptr) return nullptr;
    const QRect available = screen->availableGeometry();
    // What the window system's frame adds around the window's own rectangle.
    const QSize decoration = window.frameGeometry().size() - window.size();
    const QSize room = (available.size() - decoration).expandedTo(QSize(1, 1));
    const QSize size = window.size().boundedTo(room).expandedTo(window.minimumSize());
    if (size != window.size()) window.resize(size);
    const QRect frame(window.frameGeometry().topLeft(), size + decoration);
    const QPoint at = PlaceInside(frame, available);
    if (at != frame.topLeft()) window.move(at);
    return screen;
}

} // namespace orv
