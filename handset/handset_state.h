// The handset library's process-wide state.
//
// Threads and locks: everything here but the key-scan fields is used on the thread that owns
// the bound window (the user-interface thread). The key-scan thread reads the ring and lamp
// flags, the product id and the callback (atomics), and touches the device only while it
// holds scanLock; PauseKeyScan takes the same lock for a whole serial-memory transaction.
// The driver serialises register access itself, so the user-interface thread's ringer,
// lamp and hook accesses need no lock of ours.
#pragma once

#include "handset/handset.h"
#include "handset/device_registers.h"
#include "handset/key_scan.h"
#include "platform/message.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace orv::handset {

enum class PendingAction { None, Arrival, Removal };

struct HandsetState {
    void* driverLibrary = nullptr;
    handsetsys::EntryPoint entry = nullptr;
    std::uintptr_t moduleHandle = 0;
    std::atomic<PhoneKeyCallback> keyCallback{nullptr};
    PhoneDeviceCallback deviceCallback = nullptr;
    HWND boundWindow = 0;
    WindowProcFn previousProc = nullptr;
    PendingAction pending = PendingAction::None;

    std::atomic<int> productId{0};
    std::atomic<bool> plugged{false};
    std::atomic<bool> ring{false};
    std::atomic<bool> lamp{false};

    std::thread scanThread;
    std::atomic<bool> scanRunning{false};
    bool scanLockMade = false;
    std::recursive_mutex scanLock;
    // How many times PauseKeyScan took scanLock and ResumeKeyScan has not yet released it.
    int pauseDepth = 0;

    DeviceRegisters Registers() const { return DeviceRegisters(entry); }
};

HandsetState& State();

// The bound window's procedure (handset_window.cpp).
LRESULT BoundWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void UnbindWindow();
// Opens the device and starts the key scan (the arrival tick): true when it is ready.
bool OpenDevice();
// Stops the key scan: clears the running flag and waits for the thread (a scan is bounded).
void StopKeyScan();

constexpr std::uintptr_t kArrivalTimerId = 101;
constexpr std::uint32_t kArrivalTickMs = 100;

} // namespace orv::handset
