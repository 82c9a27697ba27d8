// The bound window's procedure: device arrival and removal, each settled on a 100 ms timer
// of the window, and the key-scan thread that runs while a device is open.
#include "handset/handset_state.h"

#include <chrono>

namespace orv::handset {
namespace {

void ScanLoop() {
    HandsetState& s = State();
    ScanFlags flags;
    flags.lastHook = 0;
    const DeviceRegisters regs = s.Registers();
    while (s.scanRunning) {
        // Never blocks on the lock, so a stop is seen even while a memory transaction holds it.
        if (!s.scanLock.try_lock()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        flags.ring = s.ring;
        flags.lamp = s.lamp;
        const int code = ScanOnce(regs, flags, s.productId);
        s.scanLock.unlock();
        if (code != kKeyNone) {
            if (PhoneKeyCallback callback = s.keyCallback)
                callback(code);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void StartTimer(HWND hwnd, PendingAction action) {
    HandsetState& s = State();
    if (s.pending == action)
        return;
    if (s.pending != PendingAction::None)
        KillTimer(hwnd, kArrivalTimerId);
    s.pending = action;
    SetTimer(hwnd, kArrivalTimerId, kArrivalTickMs);
}

void Settle(HWND hwnd) {
    HandsetState& s = State();
    if (s.pending == PendingAction::Arrival) {
        if (!OpenDevice())
            return; // tried again on the next tick
        if (s.deviceCallback)
            s.deviceCallback(1, 0);
    } else if (s.pending == PendingAction::Removal) {
        if (Phone_Close() != 0)
            return;
        if (s.deviceCallback)
            s.deviceCallback(0, 0);
    }
    s.pending = PendingAction::None;
    KillTimer(hwnd, kArrivalTimerId);
}

} // namespace

bool OpenDevice() {
    HandsetState& s = State();
    if (s.scanRunning)
        return true;
    if (!s.entry)
        return false;
    int productId = 0;
    if (s.entry(handsetsys::kOpOpen, s.moduleHandle, reinterpret_cast<std::uintptr_t>(&productId)) == 0) {
        s.entry(handsetsys::kOpClose, 0, 0);
        return false;
    }
    s.productId = productId;
    s.Registers().InitPort();
    s.scanLockMade = true;
    s.ring = false;
    s.lamp = false;
    s.plugged = true;
    if (PhoneKeyCallback callback = s.keyCallback)
        callback(kStatusReady);
    if (s.scanThread.joinable())
        s.scanThread.join();
    s.scanRunning = true;
    s.scanThread = std::thread(ScanLoop);
    return true;
}

void UnbindWindow() {
    HandsetState& s = State();
    if (!s.boundWindow)
        return;
    if (s.previousProc)
        SetWindowProc(s.boundWindow, s.previousProc);
    if (s.pending != PendingAction::None)
        KillTimer(s.boundWindow, kArrivalTimerId);
    s.pending = PendingAction::None;
    if (s.entry)
        s.entry(handsetsys::kOpStopNotify, 0, 0);
    s.boundWindow = 0;
    s.previousProc = nullptr;
    s.deviceCallback = nullptr;
}

LRESULT BoundWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HandsetState& s = State();
    const WindowProcFn previous = s.previousProc;
    switch (message) {
    case handsetsys::kMsgArrived: StartTimer(hwnd, PendingAction::Arrival); break;
    case handsetsys::kMsgRemoved: StartTimer(hwnd, PendingAction::Removal); break;
    case WM_TIMER:
        if (wParam == kArrivalTimerId && s.pending != PendingAction::None)
            Settle(hwnd);
        break;
    case WM_CLOSE:
    case WM_DESTROY: UnbindWindow(); break;
    case handsetsys::kMsgDeviceChange:
        if (s.entry)
            s.entry(handsetsys::kOpDeviceChange, wParam, static_cast<std::uintptr_t>(lParam));
        break;
    default: break;
    }
    return CallWindowProc(previous, hwnd, message, wParam, lParam);
}

} // namespace orv::handset
