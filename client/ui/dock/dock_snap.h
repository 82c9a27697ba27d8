// The rules of magnetic windows, without windows: how a proposed position of a dragged window
// snaps to, holds at or tears loose from a neighbour's edges. Rectangles have exclusive
// right and bottom edges.
#pragma once

#include <cstdint>

namespace orv {

struct DockRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const DockRect&) const = default;
    DockRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
};

// Edge bits, seen from the window that owns them.
constexpr std::uint32_t kDockLeft = 1;   // own left edge against the neighbour's right edge
constexpr std::uint32_t kDockRight = 2;  // own right edge against the neighbour's left edge
constexpr std::uint32_t kDockTop = 4;    // own top edge against the neighbour's bottom edge
constexpr std::uint32_t kDockBottom = 8; // own bottom edge against the neighbour's top edge
constexpr int kSnapDistance = 15;

// The same contact seen from the neighbour (left and right exchanged, top and bottom too).
std::uint32_t MirrorDockBits(std::uint32_t bits);

// The bits a sizing edge (1 left, 2 right, 3 top, 4 top-left, 5 top-right, 6 bottom,
// 7 bottom-left, 8 bottom-right) lets go of; 0 for anything else.
std::uint32_t DockBitsOfSizingEdge(int edge);

// One neighbour's part of a drag step: `proposed` (moved by dx, dy from `current`) is
// adjusted against neighbour rectangle `other`, and `bits` updated. Returns how far the
// cursor must move so it keeps its place on the window (0, 0 unless an edge snapped).
struct CursorShift {
    int dx = 0, dy = 0;
};
CursorShift SnapToNeighbour(const DockRect& current, const DockRect& other, DockRect& proposed, std::uint32_t& bits);

} // namespace orv
