// Keeping top-level windows usable on the screen they open on: how far a fixed-layout
// (skinned) window shrinks to fit the free part of a screen (the screen less its panels),
// how its rectangles scale, and where a window goes so that it lies on a screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace orv {

// A skinned window never shrinks below half its drawn size: smaller, its texts and
// controls would no longer be usable, and the window is left larger than the screen.
constexpr double kSmallestSkinScale = 0.5;

// The factor that fits a window drawn at design size into available: 1 when it fits, else
// the largest factor at which both sides fit, not below kSmallestSkinScale.
double FitScale(QSize design, const QRect& available);

// A rectangle in the skin's coordinates at scale: the edges are scaled and rounded, so
// controls that touch in the skin still touch and never overlap.
QRect ScaleRect(const QRect& design, double scale);
QSize ScaleSize(QSize design, double scale);

// Where a window with the outer rectangle frame goes so that it lies inside available,
// moved as little as possible; a window larger than available keeps its top left corner
// on it (the title and the top of the controls stay reachable).
QPoint PlaceInside(const QRect& frame, const QRect& available);

// The screen a window with the outer rectangle frame belongs on: the one it overlaps most,
// else (off every screen) the one nearest to it, else the primary screen.
QScreen* ScreenFor(const QRect& frame);

// Brings a top-level window onto the screen it belongs on: shrinks it to that screen's free
// area where its minimum size allows, and moves it inside. Returns that screen.
QScreen* KeepOnScreen(QWidget& window);

} // namespace orv
