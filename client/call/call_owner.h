// What a talk-server handler needs from the one who created it (the user-server handler):
// where call events go, the configuration and call records, the current-call slot, and
// call forwarding. Kept abstract so that the call layer does not depend on the user-server
// session above it.
#pragma once

#include "platform/types.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orv {

class CallRecordList;
class ClientConfig;
class TalkServHandler;

// Window messages with call events: (code, value) of the table in talk_serv_handler.h.
constexpr UINT WM_TALK_EVENT = WM_USER + 1;
constexpr UINT WM_CONF_EVENT = WM_USER + 2;

class CallOwner {
public:
    virtual ~CallOwner() = default;

    // The window that receives WM_USER+1 / WM_USER+2 call events; 0 = none.
    virtual HWND CallEventWindow() const = 0;
    virtual ClientConfig& CallConfig() = 0;
    // The call record store; may be null.
    virtual CallRecordList* CallRecords() = 0;
    // The called side starts ringing: the handler becomes the current call and the caller's
    // number is shown.
    virtual void OnCallRinging(TalkServHandler* handler, const std::string& callerId) = 0;
    // The handler is going away: it stops being the current call if it is.
    virtual void OnCallHandlerGone(TalkServHandler* handler) = 0;
    // Asks the user server to forward the call (type 2 busy, 3 no answer). Non-zero when a
    // forward request was sent.
    virtual int RequestCallForward(int type, std::uint32_t servId, std::uint32_t callId, const std::string& caller) = 0;
};

// The USB handset's hook switch as the call layer sees it: 1 = off hook. The layer that
// drives the handset installs the source; without one the handset counts as on hook.
using HookStateSource = std::function<int()>;
void SetHookStateSource(HookStateSource source);
int CurrentHookState();

} // namespace orv
