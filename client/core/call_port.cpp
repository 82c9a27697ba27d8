// The call controls on a real session: the user-server handler's talk side behind the
// component's port, and the component as a message sink of the core.
#include "client/call/call_state.h"
#include "client/core/call_control.h"
#include "client/core/client_core.h"
#include "client/userserver/user_serv_handler.h"

namespace orv {

namespace {
constexpr char kConfHandlerName[] = "ConfServHandler";
} // namespace

CallPort UserServCallPort(CUserServHandler& userServ) {
    CUserServHandler* h = &userServ;
    CallPort port;
    port.talkRequest = [h](const std::string& dialled) { return h->DoTalkRequest(dialled); };
    port.answer = [h] { return GetCallState() == CALLSTATE_SENDALERT && h->CallOrAnswer("", nullptr); };
    port.endTalk = [h] { return h->EndTalk(); };
    port.sendDtmf = [h](const std::string& digits) { return h->DoCallDTMF(digits); };
    port.pauseVideo = [h](bool pause) {
        TalkServHandler* call = h->LockCallHandler();
        int result = call != nullptr ? call->DoCallPauseVideo(pause) : 0;
        h->UnlockCallHandler();
        return result;
    };
    port.currentPeer = [h] { return h->GetCurrentPeer(); };
    port.callKind = [h] {
        CallKind kind;
        TalkServHandler* call = h->LockCallHandler();
        if (call != nullptr && call->GetHandlerName() == kConfHandlerName) {
            kind.conference = true;
            kind.chairing = call->IsCaller();
        }
        h->UnlockCallHandler();
        return kind;
    };
    return port;
}

CallControl::CallControl(ClientCore& core)
    : CallControl(UserServCallPort(*core.UserServ()), core.Texts(), [&core](CoreEvent e) { core.Emit(std::move(e)); }) {
    core.AddMessageSink([this](UINT message, WPARAM wParam, LPARAM lParam) {
        return OnCoreMessage(message, wParam, lParam);
    });
}

} // namespace orv
