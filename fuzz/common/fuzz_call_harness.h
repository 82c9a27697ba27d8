// What the call-handler fuzz targets share beyond the parts: a handler whose receive path and
// link events the target drives, and one client set-up for the whole run with no timer thread
// and no network thread, so everything runs on the target's thread and a run is repeatable.
#pragma once

#include "fuzz/common/fuzz_call_parts.h"
#include "fuzz/common/fuzz_client_setup.h"
#include "platform/message.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

// Opens a stream handler's receive path and link events to the target.
template <class Handler>
class FuzzStreamHandler : public Handler {
public:
    using Handler::Handler;
    void Receive(const std::uint8_t* data, std::size_t size) {
        if (this->CheckStreamMessage(data, size)) this->OnRecv(data, size);
    }
    void Connected() { this->OnConnected(); }
    void Lost() { this->OnDisconnected(); }
};

struct CallFuzzHarness {
    std::atomic<std::uint32_t> clock{1000};
    std::unique_ptr<ClientConfig> config;
    std::unique_ptr<FuzzOwner> owner;
    std::shared_ptr<CTimerManager> timers;

    CallFuzzHarness(const std::string& homeName, bool forwardBusy)
        : config(MakeFuzzConfig(UseFuzzHome(homeName))), owner(std::make_unique<FuzzOwner>(*config, forwardBusy)),
          timers(InstallFuzzTimers([this] { return clock.load(); })) {
        config->Audio().device = "fuzz";
        InstallCallMediaFactory([] { return std::make_unique<QuietMedia>(); });
        EndpointID.store(77);
    }

    // Moves the clock on by steps of 100 ms and runs a timer pass.
    void Advance(std::size_t steps) {
        clock += static_cast<std::uint32_t>(steps) * 100;
        timers->ScanOnce();
    }
};

// Runs what the handlers posted to this thread (a handler that ended deletes itself there).
inline void PumpMessages() {
    MSG msg;
    while (PeekMessage(&msg, true)) DispatchMessage(&msg);
}

} // namespace orv
