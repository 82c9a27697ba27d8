// A picture frame around a top-level window, given in one call: ApplyFrameSkin reads the
// frame description, drops the system frame, reserves the frame's edges as the window's
// contents margins (layouts and contentsRect() stay inside), draws the edges and the title
// in the active or inactive look, cuts the corners from the window's shape, places the
// title-bar buttons and reports their clicks by name. The outer FrameWidth pixels size the
// window; the title strip moves it, or leaves the drag to the window (its docking manager)
// when asked to. When it shows, the window is kept on its screen (screen_fit.h).
#pragma once

#include "client/skin/frame_skin.h"

#include <QPoint>
#include <QWidget>

#include <functional>
#include <map>
#include <string>

class QToolButton;

namespace orv {

class FrameTitleButton;

// Sizing edges, numbered as the docking manager takes them.
enum FrameSizingEdge {
    kSizeNone = 0, kSizeLeft = 1, kSizeRight = 2, kSizeTop = 3, kSizeTopLeft = 4, kSizeTopRight = 5,
    kSizeBottom = 6, kSizeBottomLeft = 7, kSizeBottomRight = 8,
};

struct FrameHooks {
    // A title-bar button was clicked; name as the description gives it, upper case.
    std::function<void(const QString& name)> command;
    // The user began sizing the window by one of its edges.
    std::function<void(int edge)> sizingBegins;
    // true: a drag on the title strip moves the window. false: the press goes on to the
    // window itself, for a docking manager that moves it.
    bool moveByTitle = true;
};

class SkinFrame : public QWidget {
public:
    SkinFrame(QWidget& window, FrameSkin skin, FrameHooks hooks);

    const FrameSkin& Skin() const { return skin_; }
    // The title-bar button of that name (upper case), or null.
    QToolButton* Button(const QString& name) const;
    // Which sizing edge a point in window coordinates lies on.
    int SizingEdgeAt(QPoint at) const;
    bool TitleAt(QPoint at) const;
    // Drawn in the active look now.
    bool ActiveLook() const;
    // The colour of the title text in the look drawn now. Unless set, one colour for both
    // looks: light on a dark title strip, dark on a light one.
    QColor TitleColour() const { return ActiveLook() ? titleColour_ : inactiveTitleColour_; }
    void SetTitleColours(const QColor& active, const QColor& inactive);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Relayout();
    QRect TitleRect() const;

    QWidget& window_;
    FrameSkin skin_;
    FrameHooks hooks_;
    QColor titleColour_;
    QColor inactiveTitleColour_;
    std::map<QString, FrameTitleButton*> buttons_;
    bool moving_ = false;
    QPoint grab_; // cursor less window position when a title drag began
};

// Gives window the frame of the description file. Call it before the window is first shown
// (a shown window is shown again). Returns the frame, owned by the window, or null (the
// window keeps its system frame) when the description lacks an edge or mask picture or the
// window already has a frame.
SkinFrame* ApplyFrameSkin(QWidget& window, const std::string& file, FrameHooks hooks = {});

// The frame a window was given, or null.
SkinFrame* FrameOf(const QWidget& window);

} // namespace orv
