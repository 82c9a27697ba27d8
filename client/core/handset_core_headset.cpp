// The handset core's headset call buttons: a headset's answer, hang-up, phone and mute
// buttons act on the call as the handset's hook does.
#include "client/audio/pipeline/microphone_mute.h"
#include "client/call/call_state.h"
#include "client/core/client_core.h"
#include "client/core/handset_core.h"
#include "client/handset/headset_buttons.h"

namespace orv {

namespace {
const char* ButtonName(int button) {
    switch (static_cast<HeadsetButton>(button)) {
    case HeadsetButton::Answer: return "answer";
    case HeadsetButton::HangUp: return "hangup";
    case HeadsetButton::Phone: return "phone";
    case HeadsetButton::MicMute: return "micmute";
    }
    return "";
}
} // namespace

int HandsetCore::UseHeadsetButtons(bool on, const std::string& folder) {
    if (!on) {
        m_headset.reset();
        return 0;
    }
    if (m_headset && m_headset->DeviceCount() > 0)
        return m_headset->DeviceCount(); // on already
    if (!m_headset)
        m_headset = std::make_unique<HeadsetButtons>();
    return m_headset->Open(Target(), folder);
}

bool HandsetCore::WatchHeadsetButtons(int fd) {
    if (!m_headset)
        m_headset = std::make_unique<HeadsetButtons>();
    return m_headset->Watch(Target(), fd);
}

void HandsetCore::OnHeadsetButton(int button) {
    const char* name = ButtonName(button);
    if (!*name)
        return;
    Emit("headset_button", "button", name);
    if (static_cast<HeadsetButton>(button) == HeadsetButton::MicMute) {
        SetMicrophoneMuted(!MicrophoneMuted());
        Emit("microphone", "muted", MicrophoneMuted() ? "1" : "0");
        return;
    }
    const int state = m_window.callState ? m_window.callState() : GetCallState();
    const bool ringingHere = state == CALLSTATE_SENDALERT;
    const bool answer = static_cast<HeadsetButton>(button) == HeadsetButton::Answer ||
                        (static_cast<HeadsetButton>(button) == HeadsetButton::Phone && ringingHere);
    if (answer) {
        if (ringingHere && m_window.callOrAccept) {
            Ring(false);
            m_window.callOrAccept();
        }
    } else if (state != CALLSTATE_IDLE && m_window.hangUp) {
        Ring(false);
        m_window.hangUp();
    }
}

} // namespace orv
