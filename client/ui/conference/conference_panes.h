// ConferencePanes: the conference's four pictures, two by two. Pane 0 shows our own camera,
// panes 1..3 the members of the first three member rows, each from the VideoFrameSlot the
// receive thread decodes that member's stream into (read under the slot's lock while
// painting). A click selects a pane, a double click enlarges it over the others or brings
// the four back. Frames reach the panes only through the frame window, like the video
// window's display: WM_USER+6 (wParam = const VideoFrame*, sent) for a camera frame,
// WM_USER+7 (lParam = VideoFrameSlot*) for a decoded member frame; a member frame whose
// sender no pane shows is dropped.
#pragma once

#include "client/ui/video/video_picture.h"
#include "platform/types.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

namespace orv {

class FunctionWindow;
class VideoFrameSlot;

class ConferencePanes : public QWidget {
public:
    static constexpr int kPanes = 4;
    static constexpr int kPaneWidth = 176;
    static constexpr int kPaneHeight = 144;

    explicit ConferencePanes(QWidget* parent = nullptr);
    ~ConferencePanes() override;

    HWND FrameWindow() const;
    void SetBackground(const QImage& picture, const QColor& colour);

    // Pane 1..3 shows the member with this EndpointID (0: nobody, the pane empties).
    void SetMember(int pane, std::uint32_t endpoint);
    std::uint32_t Member(int pane) const;
    void ShowLocalFrame(const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t available);
    // False (and nothing shown) when no pane shows the slot's sender.
    bool ShowMemberSlot(VideoFrameSlot* slot);
    // Every pane empty, the local picture dropped.
    void Clear();

    bool HasPicture(int pane) const;
    int Selected() const { return selected_; }
    int Zoomed() const { return zoomed_; }
    int PaneAt(QPoint at) const;
    QRect PaneRect(int pane) const;
    // A copy of the picture a pane shows now (empty when it has none).
    VideoPicture PanePicture(int pane) const;
    // The same, upright (null when it has none).
    QImage PaneImage(int pane) const { return PictureImage(PanePicture(pane)); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct Pane {
        std::uint32_t endpoint = 0;
        VideoFrameSlot* slot = nullptr;
    };
    void DrawPane(QPainter& painter, int pane, const QRect& target) const;

    std::array<Pane, kPanes> panes_{};
    VideoPicture local_;
    int selected_ = -1;
    int zoomed_ = -1;
    QImage background_;
    QColor backColour_{27, 30, 33};
    std::unique_ptr<FunctionWindow> frameWindow_;
};

} // namespace orv
