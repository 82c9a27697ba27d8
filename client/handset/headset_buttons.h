// HeadsetButtons: the call buttons of a headset as the kernel reports them through its
// input event devices (KEY_PICKUP_PHONE, KEY_HANGUP_PHONE, KEY_PHONE, KEY_MICMUTE). The
// devices that can send one of these keys are opened read-only; a reader thread turns each
// press into the registered message "headset_button_msg" (wParam: the HeadsetButton) posted
// to one window. Releases and key repeats are not told; a device that goes away is dropped.
//
// Threads: made, opened and closed on the user-interface thread; the reader thread only
// posts. Everything read is checked: only whole event records of the host's size count,
// and only the four keys above are told.
#pragma once

#include "platform/message.h"

#include <cstddef>
#include <string>
#include <thread>
#include <vector>

namespace orv {

constexpr char kHeadsetButtonMessageName[] = "headset_button_msg";

enum class HeadsetButton : int { Answer = 1, HangUp = 2, Phone = 3, MicMute = 4 };

// The button a key code of the input layer stands for; 0 for any other code.
int HeadsetButtonForKey(unsigned code);

class HeadsetButtons {
public:
    HeadsetButtons() = default;
    ~HeadsetButtons(); // Close
    HeadsetButtons(const HeadsetButtons&) = delete;
    HeadsetButtons& operator=(const HeadsetButtons&) = delete;

    static UINT NotifyMessage();

    // Opens every "event*" device of folder that has one of the call keys and starts reading;
    // the number of devices opened (0: none, nothing started).
    int Open(HWND target, const std::string& folder = "/dev/input");
    // Reads input events from an already opened descriptor, which this object then owns
    // (a device the caller found another way). False when reading cannot start.
    bool Watch(HWND target, int fd);
    void Close();
    int DeviceCount() const { return static_cast<int>(m_fds.size()); }

private:
    bool Start(HWND target);
    void Run();
    // Takes what one descriptor has: false when it is gone.
    bool ReadDevice(std::size_t index);

    std::vector<int> m_fds;
    std::vector<std::vector<unsigned char>> m_partial; // per device, an unfinished record
    int m_wake[2] = {-1, -1};
    HWND m_target = 0;
    std::thread m_reader;
};

} // namespace orv
