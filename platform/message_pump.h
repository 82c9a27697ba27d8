// For worker threads that do their own work between messages: one pass over what waits in
// the calling thread's queue.
#pragma once

#include "platform/message.h"

namespace orv {

// Dispatches everything waiting without blocking; false when WM_QUIT was among it (what
// waited beside it is still dispatched).
inline bool DispatchWaitingMessages() {
    bool quit = false;
    MSG msg;
    while (PeekMessage(&msg, true)) {
        if (msg.message == WM_QUIT) quit = true;
        else DispatchMessage(&msg);
    }
    return !quit;
}

} // namespace orv
