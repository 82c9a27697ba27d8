#include "client/ui/dock/dock_snap.h"

namespace orv {
namespace {

// One edge pair along one axis: `gap` how far the own edge lies past the neighbour's, `move`
// the drag's movement on that axis, `overlapsAcross` whether the windows overlap on the other axis.
// Returns the shift applied to the proposed rectangle on this axis, and whether it holds.
struct EdgeResult {
    int shift = 0;
    bool hold = false;
};

EdgeResult Edge(int gap, int move, bool overlapsAcross, std::uint32_t bit, std::uint32_t& bits) {
    const int t = kSnapDistance;
    if (bits & bit) {
        if ((move < 0 && -t < gap && gap < 0) || (move > 0 && 0 < gap && gap < t)) return {0, true};
        if ((move < 0 && gap <= -t) || (move > 0 && gap >= t)) bits &= ~bit; // torn loose
        return {};
    }
    if (overlapsAcross && ((move > 0 && -t < gap && gap < 0) || (move < 0 && 0 < gap && gap < t))) {
        bits |= bit;
        return {-gap, false};
    }
    return {};
}

} // namespace

std::uint32_t MirrorDockBits(std::uint32_t bits) {
    std::uint32_t out = 0;
    if (bits & kDockLeft) out |= kDockRight;
    if (bits & kDockRight) out |= kDockLeft;
    if (bits & kDockTop) out |= kDockBottom;
    if (bits & kDockBottom) out |= kDockTop;
    return out;
}

std::uint32_t DockBitsOfSizingEdge(int edge) {
    static constexpr std::uint32_t kBits[] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    return edge >= 1 && edge <= 8 ? kBits[edge] : 0;
}

CursorShift SnapToNeighbour(const DockRect& current, const DockRect& other, DockRect& proposed, std::uint32_t& bits) {
    const int dx = proposed.left - current.left;
    const int dy = proposed.top - current.top;
    const bool overlapsVertically = !(other.bottom < proposed.top || proposed.bottom < other.top);
    const bool overlapsHorizontally = !(other.right < proposed.left || proposed.right < other.left);
    if (!overlapsVertically) bits &= ~(kDockLeft | kDockRight);
    if (!overlapsHorizontally) bits &= ~(kDockTop | kDockBottom);

    CursorShift cursor;
    bool holdX = false, holdY = false;
    const auto vertical = [&](int gap, std::uint32_t bit) {
        const EdgeResult r = Edge(gap, dy, overlapsHorizontally, bit, bits);
        holdY = holdY || r.hold;
        if (r.shift != 0) {
            proposed = proposed.Offset(0, r.shift);
            cursor.dy += r.shift;
        }
    };
    const auto horizontal = [&](int gap, std::uint32_t bit) {
        const EdgeResult r = Edge(gap, dx, overlapsVertically, bit, bits);
        holdX = holdX || r.hold;
        if (r.shift != 0) {
            proposed = proposed.Offset(r.shift, 0);
            cursor.dx += r.shift;
        }
    };
    vertical(proposed.top - other.bottom, kDockTop);
    vertical(proposed.bottom - other.top, kDockBottom);
    horizontal(proposed.left - other.right, kDockLeft);
    horizontal(proposed.right - other.left, kDockRight);
    // A held edge keeps the window where it is on that axis while the cursor moves on.
    if (holdX) proposed = proposed.Offset(current.left - proposed.left, 0);
    if (holdY) proposed = proposed.Offset(0, current.top - proposed.top);
    return cursor;
}

} // namespace orv
