// Magnetic top-level windows. Each of the main, video and conference windows owns one
// manager. While its window is dragged, the window snaps flush to a visible neighbour's edge
// within 15 pixels (the cursor moves along, so it keeps its place on the window), holds there
// until pulled 15 pixels past it, and on release tells every neighbour how the two now touch.
// The leader (the main window) carries the windows docked to it when it is dragged. Managers
// talk only through the registered messages "Dock Wnd Status Notify" and "Dock Wnd Move
// Notify", posted to each other's message windows. Everything runs on the user-interface
// thread.
#pragma once

#include "client/ui/dock/dock_snap.h"
#include "platform/message.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace orv {

constexpr char kDockStatusMessage[] = "Dock Wnd Status Notify"; // wParam sender, lParam its edge bits
constexpr char kDockMoveMessage[] = "Dock Wnd Move Notify";     // wParam dx, lParam dy

class CDockManager : public QObject {
public:
    static constexpr int kFollower = 0;
    static constexpr int kLeader = 1;

    CDockManager();
    ~CDockManager() override;

    // Takes charge of window's drags (its presses outside child controls). Refused when
    // already attached or window is null. Empties the neighbour table.
    bool Attach(QWidget* window, int mode);
    // A window this one snaps to; its own manager must be attached to it for the two to
    // exchange messages. Refused when already present or null.
    bool AddNeighbour(QWidget* window);
    void ClearNeighbours();

    // The hook, fed by the event filter on the attached window (public for the windows that
    // size themselves). Positions are global, in pixels.
    void OnTitleButtonDown(QPoint cursor);
    void OnMouseMove(QPoint cursor);
    void OnButtonUp(QPoint cursor);
    void OnSized();
    void OnSizingBegins(int edge); // 1 left .. 8 bottom-right
    void OnStatusNotify(HWND sender, std::uint32_t bits);
    void OnMoveNotify(int dx, int dy);

    bool IsDocked(const QWidget* neighbour);
    std::uint32_t EdgeBits(const QWidget* neighbour);
    HWND MessageWindow() const { return messages_->GetSafeHwnd(); }
    bool Dragging() const { return dragging_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Neighbour {
        QPointer<QWidget> window;
        bool docked = false;
        std::uint32_t bits = 0;
    };
    void SnapStep(const DockRect& proposed);
    void StatusStep();
    void Place(const DockRect& rect);
    static HWND MessageWindowOf(const QWidget* window);
    Neighbour* Find(const QWidget* window);

    std::unique_ptr<FunctionWindow> messages_;
    UINT statusMessage_ = 0;
    UINT moveMessage_ = 0;
    QPointer<QWidget> window_;
    int mode_ = kFollower;
    std::recursive_mutex lock_; // the neighbour table, against windows made and destroyed meanwhile
    std::vector<Neighbour> neighbours_;
    DockRect current_;
    bool dragging_ = false;
    bool placing_ = false; // our own move is under way
    DockRect dragStart_;
    DockRect lastMoveAlong_;
    QPoint dragCursor_;
};

// The rectangle of a window on the desktop, frame included.
DockRect WindowDockRect(const QWidget& window);

} // namespace orv
