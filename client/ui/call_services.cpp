#include "client/ui/call_services.h"

#include "client/call/call_state.h"
#include "client/core/call_control.h"

namespace orv {

namespace {
constexpr int kStateIdle = 0;
constexpr int kStateRingingHere = 3;
} // namespace

void UseCallControl(CallControl& calls, MainServices* services) {
    services->callState = [] { return GetCallState(); };
    services->callOrAnswer = [&calls](const std::string& text) {
        const int state = GetCallState();
        if (state == kStateRingingHere) return calls.Answer();
        return state == kStateIdle && calls.Call(text);
    };
    services->endTalk = [&calls] { calls.Hangup(); };
    services->sendDtmf = [&calls](const std::string& digits) { calls.Dtmf(digits); };
}

} // namespace orv
