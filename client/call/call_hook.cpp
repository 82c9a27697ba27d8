// The handset hook switch as the call layer reads it.
#include "client/call/call_owner.h"

#include <mutex>

namespace orv {

namespace {
std::mutex g_hookLock;
HookStateSource g_hookSource;
} // namespace

void SetHookStateSource(HookStateSource source) {
    std::lock_guard<std::mutex> lock(g_hookLock);
    g_hookSource = std::move(source);
}

int CurrentHookState() {
    HookStateSource source;
    {
        std::lock_guard<std::mutex> lock(g_hookLock);
        source = g_hookSource;
    }
    return source ? source() : 0;
}

} // namespace orv
