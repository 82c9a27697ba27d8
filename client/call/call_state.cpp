#include "client/call/call_state.h"

#include "platform/message.h"
#include "platform/thread.h"

#include <atomic>
#include <mutex>

namespace orv {

namespace {

CriticalSection g_stateLock;
int g_state = CALLSTATE_IDLE; // guarded by g_stateLock
std::atomic<HWND> g_stateWindow{0};

} // namespace

bool CallStateAllows(int s, int target, bool caller, int* next) {
    bool allowed = false;
    int after = s;
    switch (target) {
    case CALLSTATE_IDLE: allowed = true; after = CALLSTATE_IDLE; break;
    case CALLSTATE_SENDSETUP: allowed = (s == CALLSTATE_IDLE && !caller) || (s == CALLSTATE_SENDREQUEST && caller); break;
    case CALLSTATE_SENDREQUEST: allowed = s == CALLSTATE_IDLE; break;
    case CALLSTATE_SENDALERT: allowed = s == CALLSTATE_IDLE && !caller; break;
    case CALLSTATE_RECVALERT: allowed = (s == CALLSTATE_SENDREQUEST || s == CALLSTATE_RECVALERT) && caller; break;
    case CALLSTATE_SENDCONNECT:
        allowed = (s == CALLSTATE_SENDALERT && !caller) || (s == CALLSTATE_SENDREQUEST && caller);
        break;
    case CALLSTATE_RECVCONNECT:
        allowed = (s == CALLSTATE_RECVALERT && caller) || (s == CALLSTATE_SENDCONNECT && !caller);
        break;
    case CALLSTATE_SENDDISCONNECT:
    case CALLSTATE_RECVDISCONNECT: allowed = s != CALLSTATE_IDLE; break;
    default: allowed = false; break;
    }
    // The setup check never changes the stored state.
    if (allowed && target != CALLSTATE_SENDSETUP) after = target;
    if (next != nullptr) *next = after;
    return allowed;
}

bool SetCallState(int target, bool caller) {
    std::lock_guard<CriticalSection> lock(g_stateLock);
    int next = g_state;
    bool allowed = CallStateAllows(g_state, target, caller, &next);
    g_state = next;
    if (HWND hwnd = g_stateWindow.load()) PostMessage(hwnd, WM_CALL_STATE, static_cast<WPARAM>(g_state), 0);
    return allowed;
}

int GetCallState() {
    std::lock_guard<CriticalSection> lock(g_stateLock);
    return g_state;
}

void SetCallStateWindow(HWND hwnd) { g_stateWindow.store(hwnd); }
HWND GetCallStateWindow() { return g_stateWindow.load(); }

} // namespace orv
