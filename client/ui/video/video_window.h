// VideoWindow: the window in which the user sees the call's pictures. It holds the
// VideoDisplayWindow under a row of buttons (zoom, small picture, picture switch, snapshot,
// pause/resume sending, video options) and keeps the picture at the skin's aspect ratio.
// With a frame in its skin file the window wears that frame, and the buttons the frame's
// title bar carries leave the row (the row goes when it is empty). Its docking manager
// (a follower) moves it when its title strip is dragged.
#pragma once

#include "client/ui/dock/dock_manager.h"
#include "client/ui/video/snapshot_dialog.h"
#include "client/ui/video/video_display_window.h"
#include "client/ui/video/video_window_skin.h"
#include "client/ui/video/zoom_menu.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

class QToolButton;

namespace orv {

class SkinFrame;
class TextTable;

struct VideoWindowHooks {
    // The renderer's sending-paused flag (the camera keeps feeding the windows).
    std::function<void(bool paused)> setSendingPaused;
    // "VIDEOCONFIG": the video options.
    std::function<void(QWidget* parent)> openVideoOptions;
    // Enter and printable keys typed here belong to the main window.
    QPointer<QWidget> keyTarget;
};

class VideoWindow : public QWidget {
public:
    // Zoom menu commands; a command is matched to the nearest item at or above it.
  static constexpr int kZoomReduce = orv::ZoomMenu::kReduce;
  static constexpr int kZoomNormal = orv::ZoomMenu::kNormal;
  static constexpr int kZoom150 = orv::ZoomMenu::k150;
  static constexpr int kZoom200 = orv::ZoomMenu::k200;
  static constexpr int kZoomFullScreen = orv::ZoomMenu::kFullScreen;
  static constexpr int kButtonBarHeight = 30; // the button row, while it has buttons

  VideoWindow(const TextTable& texts, const std::string& skinFile, QWidget* parent = nullptr);
  ~VideoWindow() override;

  VideoDisplayWindow& Display() { return *display_; }
  void SetHooks(VideoWindowHooks hooks) { hooks_ = std::move(hooks); }

  // A call's media opened: remote big with the small local picture, sending not paused.
  void VideoOn();
  // Video off: local big, no small picture, no remote picture, no pause icon.
  void Reset();
  void SetPeerPaused(bool paused);

  // Runs a button's command by name ("ZOOM", "SMALLVIDEO", "VIDEOSWITCH", "CAMERA",
  // "PAUSE", "PLAY", "VIDEOCONFIG", "CLOSE", "RESTORE").
  void Command(const QString& name);
  void Zoom(int command);
  int ZoomCommand() const { return zoom_; }
  bool SendingPaused() const { return sendingPaused_; }
  QToolButton* Button(const QString& name) const;
  orv::ZoomMenu* ZoomMenu() const { return zoomMenu_; }
  SnapshotDialog* OpenSnapshot() const { return snapshot_; }
  // The picture area in window coordinates.
  QRect PictureArea() const;
  const VideoFrameMetrics& Metrics() const { return skin_.metrics; }
  // The frame the skin gave the window, or null when it keeps the system frame.
  SkinFrame* Frame() const { return frame_; }
  CDockManager& Dock() { return dock_; }

  // Places the window beside the main window, within the screen's work area.
  void DockBeside(const QWidget& main);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildButtons();
    void TakeFrameButtons();
    // The client area's size for a picture of `picture`: the button row and the frame added.
    QSize WindowSizeFor(QSize picture) const;
    void PlaceChildren();
    void SetLayout(bool smallOpen, bool localBig);
    void SetPaused(bool paused);
    void UpdateTips();
    void TakeSnapshot();
    std::string Text(int number) const;

    const TextTable& texts_;
    VideoWindowSkin skin_;
    VideoWindowHooks hooks_;
    VideoDisplayWindow* display_ = nullptr;
    QWidget* bar_ = nullptr;
    int barHeight_ = kButtonBarHeight;
    SkinFrame* frame_ = nullptr;
    CDockManager dock_;
    std::map<QString, QToolButton*> buttons_;
    orv::ZoomMenu* zoomMenu_ = nullptr;
    int zoom_ = kZoomNormal;
    bool sendingPaused_ = false;
    QPointer<SnapshotDialog> snapshot_;
};

} // namespace orv
