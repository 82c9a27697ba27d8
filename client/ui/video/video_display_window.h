// VideoDisplayWindow: paints the local and the remote picture, one of them over the whole
// window and, when wanted, the other as a small picture in the lower right corner (from 3/5
// of the width and height to the edges, framed). Local frames arrive as a header and bits;
// remote frames as the VideoFrameSlot the receive thread decoded into, read under the
// slot's lock while painting. Threads other than the window's reach it only through its
// frame window, so all of its state stays on the user-interface thread: WM_USER+6
// (wParam = const VideoFrame*) for a camera frame, sent, so the bits stay valid; WM_USER+7
// (lParam = VideoFrameSlot*) for a decoded remote frame.
#pragma once

#include "client/ui/video/video_picture.h"
#include "platform/types.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace orv {

class FunctionWindow;
class VideoFrameSlot;

constexpr UINT WM_VIDEO_LOCAL_FRAME = WM_USER + 6;
constexpr UINT WM_VIDEO_REMOTE_FRAME = WM_USER + 7;

// A created frame window that hands each camera frame (WM_USER+6, wParam = const
// VideoFrame*) to local as a header and bits, and each decoded remote slot (WM_USER+7,
// lParam = VideoFrameSlot*) to remote, on the thread that made it.
std::unique_ptr<FunctionWindow> CreatePictureFrameWindow(
    const char* name, std::function<void(const BitmapInfoHeader&, const std::uint8_t*, std::size_t)> local,
    std::function<void(VideoFrameSlot*)> remote);

struct VideoDisplayLooks {
    QImage background;    // shown where the local picture is disabled
    QColor backColour{0, 0, 0};
    QImage pauseIcon;     // drawn over the remote picture while the peer pauses
    QPoint pauseOffset;   // from the remote picture's top left
    QColor pauseMask{255, 0, 255}; // the icon's transparent colour
};

class VideoDisplayWindow : public QWidget {
public:
    static constexpr int kBlinkMs = 500;
    static inline const QColor kGrey{125, 125, 125};
    static inline const QColor kSmallFrame{200, 200, 200};

    struct Snapshot {
        VideoPicture picture;
        bool local = true; // which picture was big
    };

    explicit VideoDisplayWindow(QWidget* parent = nullptr);
    ~VideoDisplayWindow() override;

    HWND FrameWindow() const;
    void SetLooks(const VideoDisplayLooks& looks);

    void ShowLocalFrame(const BitmapInfoHeader& header, const std::uint8_t* bits, std::size_t available);
    void ShowRemoteSlot(VideoFrameSlot* slot);
    void SetLayout(bool smallOpen, bool localBig);
    void ClearRemote();
    // Disabled: the stored local frame is dropped and the background shows instead.
    void EnableLocal(bool enabled);
    // The peer paused its video: the icon blinks over the remote picture, 500 ms on, 500 off.
    void SetPauseIcon(bool on);

    bool SmallOpen() const { return smallOpen_; }
    bool LocalBig() const { return localBig_; }
    bool LocalEnabled() const { return localEnabled_; }
    bool HasLocalFrame() const { return !local_.Empty(); }
    bool PauseIconOn() const { return pauseOn_; }
    bool PauseIconShown() const { return pauseOn_ && pauseVisible_; } // on and in its visible half
    QRect SmallRect() const;

    // A copy of the big picture (empty when it has none yet).
    Snapshot TakeSnapshot() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum Part { LocalPart = 1, RemotePart = 2, BothParts = 3 };
    void Repaint(int parts);
    void Blink();
    // Each returns false when it had nothing to draw (the caller fills grey).
    bool DrawLocal(QPainter& painter, const QRect& target) const;
    bool DrawRemote(QPainter& painter, const QRect& target) const;
    void DrawPauseIcon(QPainter& painter, const QPoint& origin) const;
    void FrameSmall(QPainter& painter) const;

    VideoPicture local_;
    bool localEnabled_ = true;
    VideoFrameSlot* remote_ = nullptr;
    bool smallOpen_ = false;
    bool localBig_ = true;
    bool pauseOn_ = false;
    bool pauseVisible_ = true;
    VideoDisplayLooks looks_;

    QTimer blink_;
    std::unique_ptr<FunctionWindow> frameWindow_;
};

} // namespace orv
