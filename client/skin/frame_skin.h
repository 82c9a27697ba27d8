// Picture frames of the video and conference windows, read from a frame description
// ([Personality] and one [Button%d] section per title-bar button). Each edge picture is
// twice the edge thick: the first half is the active window's look, the second the
// inactive one's. Along its length an edge is drawn in three parts: a fixed first part, a
// stretched middle and a fixed last part. The window's shape is its rectangle with the
// corners cut where the corner masks are black or near-black.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

class QPainter;

namespace orv {

struct FrameEdge {
    QImage picture;
    int first = 0; // length of the fixed first part
    int last = 0;  // length of the fixed last part
};

struct FrameButton {
    QString name;  // upper case: "CLOSE", "ZOOM", ...
    QPoint offset; // from the edge named by align
    QString align; // "RIGHT" measures x from the right edge; anything else from the left
    QImage looks;  // lookCount looks side by side
};

struct FrameSkin {
    FrameEdge top, left, right, bottom;
    QImage leftMask, rightMask;
    int lookCount = 3;
    QPoint textShift;
    QColor transparent;
    int frameWidth = 5;
    std::vector<FrameButton> buttons;

    int TopThickness() const { return top.picture.height() / 2; }
    int BottomThickness() const { return bottom.picture.height() / 2; }
    int LeftThickness() const { return left.picture.width() / 2; }
    int RightThickness() const { return right.picture.width() / 2; }
};

// false (skin untouched) when the file names no picture, or an unreadable one, for any of
// the four edges or the two masks.
bool LoadFrameSkin(const std::string& file, FrameSkin& skin);

// Draws strip (one half of an edge picture) over target along its length: the first
// `first` pixels and the last `last` pixels as they are, the part between stretched to fill
// the rest. When that part would end at or before the first part's end it is one pixel long.
void PaintStretchedEdge(QPainter& painter, const QImage& strip, const QRect& target, int first, int last,
                        Qt::Orientation along);

// The four edges of a window of `size`, in the active or the inactive look.
void PaintFrame(QPainter& painter, const FrameSkin& skin, QSize size, bool active);

// Where each title-bar button goes in a window `width` pixels wide.
QPoint FrameButtonPosition(const FrameButton& button, int width);

// The window's shape: its rectangle without the masks' transparent corner pixels.
QRegion FrameShape(const FrameSkin& skin, QSize size);

} // namespace orv
