// The process-wide call state: one value 0..8 behind one lock, changed only through the
// transition table below. Only one call exists at a time. Every change request, allowed or
// not, posts WM_USER+5 with the state after the request to the registered call-state window
// (the friend list, which greys its call actions while a call runs).
#pragma once

#include "platform/types.h"

namespace orv {

enum CallState : int {
    CALLSTATE_IDLE = 0,
    CALLSTATE_SENDSETUP = 1, // check only: never stored
    CALLSTATE_SENDREQUEST = 2,
    CALLSTATE_SENDALERT = 3,
    CALLSTATE_RECVALERT = 4,
    CALLSTATE_SENDCONNECT = 5,
    CALLSTATE_RECVCONNECT = 6,
    CALLSTATE_SENDDISCONNECT = 7,
    CALLSTATE_RECVDISCONNECT = 8,
};

constexpr UINT WM_CALL_STATE = WM_USER + 5;

// The table itself: whether a request for target from state current is allowed for a side
// that placed the call (caller) or not, and the state afterwards.
bool CallStateAllows(int current, int target, bool caller, int* next);

// Requests target under the lock; returns whether it was allowed. Posts WM_USER+5 (state
// after the request, 0) before the lock is released.
bool SetCallState(int target, bool caller);
int GetCallState();

// The window told of every change request; 0 = none.
void SetCallStateWindow(HWND hwnd);
HWND GetCallStateWindow();

} // namespace orv
