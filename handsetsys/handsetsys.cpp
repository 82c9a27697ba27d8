// The virtual handset driver: the one entry point the handset library calls, the device
// notices to the window it names, and the memory kept in the home folder
// ("handset_memory.bin"), so a bound number survives restarts. The control socket starts
// with the first call into the driver and ends when the library is unloaded.
#include "handset/handsetsys_abi.h"
#include "handsetsys/control_server.h"
#include "handsetsys/memory_file.h"
#include "handsetsys/virtual_handset.h"
#include "platform/message.h"
#include "platform/paths.h"

#include <cstdio>
#include <memory>
#include <mutex>

namespace orv::handsetsys {
namespace {

class Driver {
public:
    Driver()
        : m_memoryPath(JoinPath(HomeFolder(), kMemoryFileName)),
          m_handset([this](const MemoryChip::Words& words) { Save(words); }),
          m_server(m_handset, ControlActions{[this](bool plugged) { Plug(plugged); }}) {
        MemoryChip::Words words;
        std::string error;
        if (LoadMemoryFile(m_memoryPath, &words, &error))
            m_handset.LoadMemory(words);
        else if (std::FILE* f = std::fopen(m_memoryPath.c_str(), "rb")) {
            std::fclose(f); // there is a file, but not a memory: say so and leave it alone
            std::fprintf(stderr, "handsetsys: %s; the handset starts erased\n", error.c_str());
            m_keepFile = true;
        }
        if (!m_server.Start(JoinPath(HomeFolder(), kSocketName), &error))
            std::fprintf(stderr, "handsetsys: no control socket: %s\n", error.c_str());
    }

    int Call(std::uint32_t operation, std::uintptr_t first, std::uintptr_t second) {
        switch (operation) {
        case kOpOpen: return m_handset.Open(reinterpret_cast<int*>(second)) ? 1 : 0;
        case kOpClose: m_handset.Close(); return 1;
        case kOpTransfer: return m_handset.Transfer(reinterpret_cast<TransferBlock*>(second)) ? 1 : 0;
        case kOpNotifyWindow: {
            std::lock_guard<std::mutex> l(m_windowLock);
            m_window = static_cast<HWND>(first);
            if (m_window && m_handset.Lines().plugged)
                PostMessage(m_window, kMsgArrived, 0, 0); // a handset already there arrives now
            return 1;
        }
        case kOpStopNotify: {
            std::lock_guard<std::mutex> l(m_windowLock);
            m_window = 0;
            return 1;
        }
        case kOpDeviceChange: return 1; // plugging is told through the control socket
        default: return 0;
        }
    }

    void Stop() { m_server.Stop(); }

private:
    void Plug(bool plugged) {
        if (m_handset.Lines().plugged == plugged)
            return;
        m_handset.SetPlugged(plugged);
        std::lock_guard<std::mutex> l(m_windowLock);
        if (m_window)
            PostMessage(m_window, plugged ? kMsgArrived : kMsgRemoved, 0, 0);
    }

    void Save(const MemoryChip::Words& words) {
        std::lock_guard<std::mutex> l(m_saveLock);
        if (m_keepFile)
            return;
        std::string error;
        if (!SaveMemoryFile(m_memoryPath, words, &error))
            std::fprintf(stderr, "handsetsys: memory not saved: %s\n", error.c_str());
    }

    std::string m_memoryPath;
    std::mutex m_saveLock;
    bool m_keepFile = false; // a file that is not a memory is never overwritten
    VirtualHandset m_handset;
    ControlServer m_server;
    std::mutex m_windowLock;
    HWND m_window = 0;
};

std::once_flag g_once;
Driver* g_driver = nullptr;

Driver& TheDriver() {
    std::call_once(g_once, [] { g_driver = new Driver; });
    return *g_driver;
}

__attribute__((destructor)) void StopDriver() {
    if (g_driver)
        g_driver->Stop(); // the object stays: a late call still finds a handset
}

} // namespace
} // namespace orv::handsetsys

extern "C" __attribute__((visibility("default"))) int handsetsysCall(std::uint32_t operation, std::uintptr_t first,
                                                                     std::uintptr_t second) {
    return orv::handsetsys::TheDriver().Call(operation, first, second);
}
