#include "client/skin/scaled_children.h"

#include "client/skin/screen_fit.h"

#include <algorithm>
#include <cmath>

namespace orv {

void ScaledChildren::Adopt(QWidget* child, double scale) {
    if (child == nullptr || child->isWindow() || Knows(child)) return;
    Placement placement;
    placement.widget = child;
    placement.rect = child->geometry();
    placement.minimum = child->minimumSize();
    placement.font = child->font();
    placement.ownFont = child->testAttribute(Qt::WA_SetFont);
    placements_.push_back(placement);
    if (scale != 1.0) Place(placement, scale);
}

void ScaledChildren::Apply(double scale) {
    placements_.erase(std::remove_if(placements_.begin(), placements_.end(),
                                     [](const Placement& p) { return p.widget.isNull(); }),
                      placements_.end());
    for (const Placement& placement : placements_) Place(placement, scale);
}

bool ScaledChildren::Knows(const QWidget* child) const {
    return std::any_of(placements_.begin(), placements_.end(),
                       [child](const Placement& p) { return p.widget.data() == child; });
}

void ScaledChildren::Place(const Placement& placement, double scale) {
    QWidget& child = *placement.widget;
    if (placement.ownFont) {
        // Text is drawn at the scaled size, not shrunk as a picture: it stays sharp.
        QFont font = placement.font;
        if (font.pixelSize() > 0) {
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * scale))));
        } else if (font.pointSizeF() > 0) {
            font.setPointSizeF(std::max(1.0, font.pointSizeF() * scale));
        }
        child.setFont(font);
    }
    // The minimum first: a rectangle below the old minimum would be widened to it.
    child.setMinimumSize(ScaleSize(placement.minimum, scale));
    child.setGeometry(ScaleRect(placement.rect, scale));
}

} // namespace orv
