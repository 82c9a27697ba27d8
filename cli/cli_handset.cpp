#include "cli/cli_handset.h"

#include "client/call/call_state.h"
#include "client/core/call_control.h"
#include "client/core/client_core.h"

namespace orv {

CliHandset::CliHandset(ClientCore& core) : m_core(core), m_handset(core, MakeWindow()) {}

HandsetWindow CliHandset::MakeWindow() {
    HandsetWindow window;
    window.type = [this](char c) {
        CallControl* calls = m_core.Calls();
        if (c != '\b' && calls && calls->Progress().talking) {
            calls->Dtmf(std::string(1, c)); // while talking a key is a tone to the peer
            return;
        }
        std::string number = m_number;
        if (c == '\b') {
            if (!number.empty())
                number.pop_back();
        } else {
            number.push_back(c);
        }
        SetNumber(number);
    };
    window.number = [this] { return m_number; };
    window.setNumber = [this](const std::string& number) { SetNumber(number); };
    window.playTone = [this](const std::string& tone, bool repeat) {
        m_core.Emit({"handset_tone", {{"tone", tone}, {"repeat", repeat ? "1" : "0"}}, "", ""});
    };
    window.callOrAccept = [this] {
        CallControl* calls = m_core.Calls();
        if (!calls)
            return;
        const int state = GetCallState();
        if (state == CALLSTATE_SENDALERT)
            calls->Answer();
        else if (state == CALLSTATE_IDLE && !m_number.empty())
            calls->Call(m_number);
    };
    window.hangUp = [this] {
        if (CallControl* calls = m_core.Calls())
            calls->Hangup();
    };
    // The call component keeps the last number called here.
    window.redial = [this] {
        CallControl* calls = m_core.Calls();
        if (!calls || calls->Progress().lastNumber.empty())
            return;
        SetNumber(calls->Progress().lastNumber);
        calls->Redial();
    };
    return window;
}

void CliHandset::SetNumber(const std::string& number) {
    m_number = number.substr(0, 31); // the number field's length
    m_core.Emit({"handset_number", {{"number", m_number}}, "", ""});
}

} // namespace orv
