// A test bench for the handset library: a temporary home folder, a window of the test's
// thread bound to the library, the virtual handset's control socket through a running
// handsetctl, and the codes both callbacks delivered, in order.
#pragma once

#include "platform/message.h"
#include "tests/e2e/child_process.h"
#include "tests/server/test_folder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orv {

// Writes the virtual handset's memory file: key byte, customer number and, when number is
// not empty, that number bound; every other word erased.
bool WriteHandsetMemory(const std::string& path, std::uint8_t key, std::uint32_t customer,
                        const std::string& number);

class HandsetBench {
public:
    static constexpr int kWaitMs = 5000;

    // Opens the library with the bench's callbacks and binds it to a window of this thread,
    // then starts the control.
    HandsetBench(); // the home folder is the process's from now on
    bool Open();
    // Starts handsetctl on the bench's home folder (the library must have called the driver,
    // which makes the control socket).
    bool StartControl();
    ~HandsetBench();

    // One handsetctl command; its answer line ("" when none came).
    std::string Command(const std::string& line);
    // Serves this thread's messages until done() holds or the deadline passed.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs);
    // Waits until at least count key codes arrived (no pumping needed: keys come from the
    // key-scan thread).
    bool WaitKeyCount(std::size_t count, int timeoutMs = kWaitMs);

    static std::vector<int> Keys();
    static std::vector<std::pair<int, int>> Devices();
    HWND Window() const { return m_window ? m_window->GetSafeHwnd() : 0; }
    const TestFolder& Home() const { return m_home; }

private:
    TestFolder m_home;
    std::unique_ptr<FunctionWindow> m_window;
    ChildProcess m_control;
};

} // namespace orv
