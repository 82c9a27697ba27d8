// HandsetCore: the handset's keys and hook switch as the main window uses them, below the
// front-ends. It opens the handset device (or takes over the one the logon window opened)
// with its own window as the target, and turns every "usb_notify_msg" into events and call
// actions:
//   handset present=1|0                  plugged in / removed
//   handset_ready bound=0|1 customer=N number=TEXT   its stored data were read
//   handset_key key=0..9|*|#|erase|dial|function|redial
//   handset_hook state=off|on
//   handset_ringer on=1|0
// Keys: any but on-hook first raises the window; digits, star and pound are typed into the
// number field; erase types a backspace and hangs up a call; dial calls the number field or
// answers; off hook starts the dial tone when idle or answers a call ringing here; on hook
// stops the tone and hangs up, or clears the number field when idle; redial is the window's
// own redial (the window keeps the last number). An incoming call rings the handset instead
// of the alert tone when a handset is present.
//
// The window the keys go to changes once: the logon window only waits for the handset's
// stored data (ready), the main window then takes the keys (Retarget).
//
// Threads: the user-interface thread only (the device's callbacks only post here).
#pragma once

#include "platform/message.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

class ClientCore;
class HandsetDevice;
class HeadsetButtons;
struct CoreEvent;

// What the handset asks of the front-end's main window.
struct HandsetWindow {
    std::function<void()> raise;
    std::function<void(char c)> type;                          // '0'..'9', '*', '#', '\b'
    std::function<std::string()> number;                       // the number field
    std::function<void(const std::string& number)> setNumber;  // empty: clear it and the message
    // The tone player: the dial tone (kWaveDialTone) repeating, or an empty name to silence
    // it. Every tone the handset asks for goes through this one function.
    std::function<void(const std::string& tone, bool repeat)> playTone;
    // The window's call button: calls the number field when idle, answers a call ringing here.
    std::function<void()> callOrAccept;
    std::function<void()> hangUp;
    // The call state the window goes by (empty: the process-wide one).
    std::function<int()> callState;
    // The window's redial: nothing when no number was called yet.
    std::function<void()> redial;
    // The handset's stored data were read (ok), or reading them failed (the window says so).
    std::function<void(bool ok)> ready;
};

constexpr int kHandsetMemoryAttempts = 3;

struct HandsetData {
    bool ready = false;
    bool bound = false;
    std::uint32_t customer = 0;
    std::string number; // the bound ORV number, empty when none
};

class HandsetCore {
public:
    HandsetCore(ClientCore& core, HandsetWindow window);
    ~HandsetCore(); // closes the device
    HandsetCore(const HandsetCore&) = delete;
    HandsetCore& operator=(const HandsetCore&) = delete;

    // Opens the device with this core as the target: false without the driver library. Opened
    // once; later calls give the first answer.
    bool Open();
    // The keys go to another window from now on; a handset already off hook is told to it as
    // if it had just been lifted.
    void Retarget(HandsetWindow window);
    HandsetDevice* Device() const { return m_device.get(); }
    const HandsetData& Data() const { return m_data; }

    // The core's events: the alert rings the handset; a bind answer writes or clears the
    // number in the handset.
    void OnCoreEvent(const CoreEvent& event);
    // True while the handset rings for an incoming call (the front-end then plays no alert).
    bool Ringing() const { return m_ringing; }

    // A headset's call buttons: answer a call ringing here, hang up (or refuse the ringing
    // call), the phone button does whichever fits, the mute button turns the microphone's
    // mute over. Off by default; on opens the input devices that have the buttons (the
    // number found), off closes them.
    //   headset_button button=answer|hangup|phone|micmute
    //   microphone muted=1|0
    int UseHeadsetButtons(bool on, const std::string& folder = "/dev/input");
    // The buttons of an input device the caller opened (this object then owns fd).
    bool WatchHeadsetButtons(int fd);

    // Stores the number in the handset and binds it; false for more than 31 characters or
    // when the handset could not be written.
    bool WriteNumber(const std::string& number);

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnKey(int param);
    void OnHeadsetButton(int button);
    HWND Target();
    void OnReady();
    void TellLifted();
    void Ring(bool on);
    void Emit(const std::string& name, const std::string& key, const std::string& value);

    ClientCore& m_core;
    HandsetWindow m_window;
    std::unique_ptr<FunctionWindow> m_target;
    std::unique_ptr<HandsetDevice> m_device;
    std::unique_ptr<HeadsetButtons> m_headset;
    HandsetData m_data;
    bool m_ringing = false;
    bool m_opened = false;
    bool m_bound = false;
};

} // namespace orv
