// The children of a fixed-layout window, placed in the skin's coordinates and kept at the
// window's scale: each child's rectangle, minimum size and font are remembered as first
// placed, and scaled together from those, so a window drawn smaller keeps every control
// where its picture is, with text that still fits.
#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

namespace orv {

class ScaledChildren {
public:
    // Remembers child's placement as it is now, as its place in the skin's coordinates, and
    // puts it at scale. A child already known, a window, or null is left alone.
    void Adopt(QWidget* child, double scale);
    // Places every known child at scale (children since deleted are dropped).
    void Apply(double scale);
    bool Knows(const QWidget* child) const;

private:
    struct Placement {
        QPointer<QWidget> widget;
        QRect rect;
        QSize minimum;
        QFont font;
        bool ownFont = false; // the font was set on the child, not inherited
    };
    static void Place(const Placement& placement, double scale);

    std::vector<Placement> placements_;
};

} // namespace orv
