// HandsetDevice: the client's side of the handset library. It owns a hidden window the
// library binds to, turns the library's key and status codes into the registered message
// "usb_notify_msg" posted to one target window (the logon window while logging on, then the
// main window), and offers the ringer, the hook state and the handset's stored data.
//
// "usb_notify_msg" (wParam, lParam):
//   (0, 0..9) digit, (0, 10) star, (0, 11) pound, (0, 12) erase key, (0, 13) dial/answer key,
//   (0, 16) off hook, (0, 17) on hook, (0, 18) the fourth function key, (0, 19) redial key;
//   (1, 0) handset plugged in, (1, 1) handset removed, (1, 2) handset ready, word 0 read.
//
// Threads: made, used and closed on the user-interface thread. The library's callbacks run
// on its key-scan thread and on the user-interface thread; they only post. Memory operations
// hold the library's key-scan lock for the whole transaction. One device exists at a time,
// reachable through Current().
#pragma once

#include "platform/message.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

constexpr char kUsbNotifyMessageName[] = "usb_notify_msg";

// usb_notify_msg with wParam 0: what each library key code becomes (-1: not a key).
int HandsetKeyParam(int libraryCode);
enum HandsetKeyParamValue : int {
    kHandsetStar = 10,
    kHandsetPound = 11,
    kHandsetErase = 12,
    kHandsetDial = 13,
    kHandsetOffHook = 16,
    kHandsetOnHook = 17,
    kHandsetFunction = 18,
    kHandsetRedial = 19,
};
// usb_notify_msg with wParam 1.
enum HandsetDeviceParam : int { kHandsetPlugged = 0, kHandsetRemoved = 1, kHandsetReady = 2 };

class HandsetDevice {
public:
    HandsetDevice();
    ~HandsetDevice(); // closes the device when still open
    HandsetDevice(const HandsetDevice&) = delete;
    HandsetDevice& operator=(const HandsetDevice&) = delete;

    static HandsetDevice* Current();
    static UINT NotifyMessage();

    // Opens the library and binds it; true when it is bound (false without the driver).
    bool Open(HWND target);
    void Retarget(HWND target);
    void Close();
    bool Bound() const { return m_libraryBound; }

    void Ring(bool on);
    int HookState() const; // any thread
    static bool Present();
    // From word 0, once it was read.
    static std::uint8_t KeyByte();
    static bool NumberBound();

    // Memory operations: each whole transaction is tried up to attempts times.
    bool ReadKeyWord(int attempts);                     // true when read; then KeyByte()/NumberBound()
    bool ReadCustomerNumber(int attempts, std::uint32_t* number);
    bool ReadOrvNumber(int attempts, std::string* number);
    // Stores the number and sets the bound flag ("Using with USB phone only"); a number
    // longer than 31 characters is refused and nothing is written.
    bool WriteOrvNumber(const std::string& number, int attempts);
    // Clears the bound flag (the number stays but no longer counts).
    bool ClearBinding(int attempts);

private:
    bool Transaction(int attempts, bool (HandsetDevice::*step)(void*), void* data);
    bool KeyWordStep(void* data);
    bool CustomerStep(void* data);
    bool NumberReadStep(void* data);
    bool NumberWriteStep(void* data);
    bool BindingStep(void* data);

    std::unique_ptr<FunctionWindow> m_hidden;
    std::atomic<bool> m_libraryBound{false}; // read by the call layer's threads through HookState
};

} // namespace orv
