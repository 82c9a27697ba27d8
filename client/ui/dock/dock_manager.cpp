#include "client/ui/dock/dock_manager.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QVariant>

namespace orv {
namespace {
constexpr char kMessageWindowProperty[] = "orvDockMessageWindow";
}

DockRect WindowDockRect(const QWidget& window) {
    const QRect r = window.frameGeometry();
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

CDockManager::CDockManager()
    : statusMessage_(RegisterWindowMessage(kDockStatusMessage)), moveMessage_(RegisterWindowMessage(kDockMoveMessage)) {
    messages_ = std::make_unique<FunctionWindow>([this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == statusMessage_) OnStatusNotify(static_cast<HWND>(wParam), static_cast<std::uint32_t>(lParam));
        if (message == moveMessage_) OnMoveNotify(static_cast<int>(static_cast<std::intptr_t>(wParam)),
                                                  static_cast<int>(static_cast<std::intptr_t>(lParam)));
        return 0;
    });
    messages_->Create("DockManager");
}

CDockManager::~CDockManager() {
    if (window_) {
        window_->removeEventFilter(this);
        window_->setProperty(kMessageWindowProperty, QVariant());
    }
}

bool CDockManager::Attach(QWidget* window, int mode) {
    if (window == nullptr || window_) return false;
    window_ = window;
    mode_ = mode;
    current_ = WindowDockRect(*window);
    window->setProperty(kMessageWindowProperty, QVariant::fromValue<qulonglong>(MessageWindow()));
    window->installEventFilter(this);
    ClearNeighbours();
    return true;
}

bool CDockManager::AddNeighbour(QWidget* window) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (window == nullptr || Find(window) != nullptr) return false;
    neighbours_.push_back({window, false, 0});
    return true;
}

void CDockManager::ClearNeighbours() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    neighbours_.clear();
}

CDockManager::Neighbour* CDockManager::Find(const QWidget* window) {
    for (Neighbour& n : neighbours_) {
        if (n.window == window) return &n;
    }
    return nullptr;
}

HWND CDockManager::MessageWindowOf(const QWidget* window) {
    return window ? static_cast<HWND>(window->property(kMessageWindowProperty).toULongLong()) : 0;
}

void CDockManager::OnTitleButtonDown(QPoint cursor) {
    if (!window_) return;
    dragging_ = true;
    dragStart_ = WindowDockRect(*window_);
    lastMoveAlong_ = dragStart_;
    current_ = dragStart_;
    dragCursor_ = cursor;
}

void CDockManager::OnMouseMove(QPoint cursor) {
    if (!window_ || !dragging_) return;
    const QPoint moved = cursor - dragCursor_;
    SnapStep(dragStart_.Offset(moved.x(), moved.y()));
}

void CDockManager::OnButtonUp(QPoint cursor) {
    if (!window_ || !dragging_) return;
    OnMouseMove(cursor); // the last stretch of the drag counts like any other
    StatusStep();
    dragging_ = false;
    Place(current_);
}

void CDockManager::OnSized() {
    if (window_ && !placing_) current_ = WindowDockRect(*window_);
}

void CDockManager::OnSizingBegins(int edge) {
    if (!window_) return;
    dragging_ = false;
    const std::uint32_t released = DockBitsOfSizingEdge(edge);
    {
        std::lock_guard<std::recursive_mutex> lock(lock_);
        for (Neighbour& n : neighbours_) {
            n.bits &= ~released;
            n.docked = n.bits != 0;
        }
    }
    StatusStep();
}

void CDockManager::SnapStep(const DockRect& proposedAtFirst) {
    if (proposedAtFirst == current_) return;
    std::lock_guard<std::recursive_mutex> lock(lock_);
    DockRect proposed = proposedAtFirst;
    for (Neighbour& n : neighbours_) {
        if (!n.window || !n.window->isVisible()) continue;
        if (mode_ == kLeader && n.docked) continue; // it comes along instead
        const CursorShift shift = SnapToNeighbour(current_, WindowDockRect(*n.window), proposed, n.bits);
        if (shift.dx != 0 || shift.dy != 0) QCursor::setPos(QCursor::pos() + QPoint(shift.dx, shift.dy));
    }
    Place(proposed);
    if (mode_ != kLeader) return;
    const int dx = proposed.left - lastMoveAlong_.left;
    const int dy = proposed.top - lastMoveAlong_.top;
    lastMoveAlong_ = proposed;
    if (dx == 0 && dy == 0) return;
    for (const Neighbour& n : neighbours_) {
        if (n.docked) PostMessage(MessageWindowOf(n.window), moveMessage_, static_cast<WPARAM>(static_cast<std::intptr_t>(dx)),
                                  static_cast<LPARAM>(dy));
    }
}

void CDockManager::StatusStep() {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    for (Neighbour& n : neighbours_) {
        n.docked = n.bits != 0;
        PostMessage(MessageWindowOf(n.window), statusMessage_, static_cast<WPARAM>(MessageWindow()),
                    static_cast<LPARAM>(n.bits));
    }
}

void CDockManager::OnStatusNotify(HWND sender, std::uint32_t bits) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    for (Neighbour& n : neighbours_) {
        if (n.window && MessageWindowOf(n.window) == sender) {
            n.bits = MirrorDockBits(bits);
            n.docked = n.bits != 0;
        }
    }
}

void CDockManager::OnMoveNotify(int dx, int dy) {
    if (!window_) return;
    Place(WindowDockRect(*window_).Offset(dx, dy));
}

void CDockManager::Place(const DockRect& rect) {
    current_ = rect;
    if (!window_) return;
    placing_ = true;
    window_->move(rect.left, rect.top);
    placing_ = false;
}

bool CDockManager::IsDocked(const QWidget* neighbour) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    const Neighbour* n = Find(neighbour);
    return n != nullptr && n->docked;
}

std::uint32_t CDockManager::EdgeBits(const QWidget* neighbour) {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    const Neighbour* n = Find(neighbour);
    return n ? n->bits : 0;
}

bool CDockManager::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_.data()) return false;
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
        if (!dragging_) OnSized();
        return false;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        OnTitleButtonDown(mouse->globalPosition().toPoint());
        return true; // the drag is ours, not the window's own
    }
    case QEvent::MouseMove:
        if (!dragging_) return false;
        OnMouseMove(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseButtonRelease:
        if (!dragging_) return false;
        OnButtonUp(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    default:
        return false;
    }
}

} // namespace orv
