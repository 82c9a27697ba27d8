#include "client/core/handset_core.h"

#include "client/audio/tones/tone_resources.h"
#include "client/call/call_progress.h"
#include "client/call/call_owner.h"
#include "client/call/call_state.h"
#include "client/core/client_core.h"
#include "client/handset/handset_device.h"
#include "client/handset/headset_buttons.h"

#include <utility>

namespace orv {
namespace {

const char* KeyName(int param) {
    static const char* const kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    if (param >= 0 && param <= 9)
        return kDigits[param];
    switch (param) {
    case kHandsetStar: return "*";
    case kHandsetPound: return "#";
    case kHandsetErase: return "erase";
    case kHandsetDial: return "dial";
    case kHandsetFunction: return "function";
    case kHandsetRedial: return "redial";
    default: return "";
    }
}

// Calls a hook of the window when the window has it.
template <typename Hook, typename... Args>
void Do(const Hook& hook, Args&&... args) {
    if (hook)
        hook(std::forward<Args>(args)...);
}

std::string Field(const CoreEvent& event, const std::string& key) {
    for (const auto& [k, v] : event.fields) {
        if (k == key)
            return v;
    }
    return "";
}

} // namespace

HandsetCore::HandsetCore(ClientCore& core, HandsetWindow window) : m_core(core), m_window(std::move(window)) {}

HandsetCore::~HandsetCore() {
    m_headset.reset(); // its reader posts to the target window
    SetHookStateSource({});
    if (m_device) {
        m_device->Close();
        m_device.reset();
    }
}

bool HandsetCore::Open() {
    if (m_opened)
        return m_bound;
    m_opened = true;
    if (!m_device)
        m_device = std::make_unique<HandsetDevice>();
    const bool bound = m_bound = m_device->Open(Target());
    // A called side whose handset is off hook is busy (the call layer asks from its threads,
    // so it reads the library, not this object).
    HandsetDevice* device = m_device.get();
    if (bound)
        SetHookStateSource([device] { return device->HookState(); });
    TellLifted();
    return bound;
}

HWND HandsetCore::Target() {
    if (!m_target) {
        m_target = std::make_unique<FunctionWindow>(
            [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); });
        m_target->Create("");
    }
    return m_target->GetSafeHwnd();
}

void HandsetCore::Retarget(HandsetWindow window) {
    m_window = std::move(window);
    TellLifted();
}

// Lifted before the window was there: the dial tone starts as if it had just happened.
void HandsetCore::TellLifted() {
    if (m_bound && m_device->HookState() == 1)
        PostMessage(m_target->GetSafeHwnd(), HandsetDevice::NotifyMessage(), 0, kHandsetOffHook);
}

LRESULT HandsetCore::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == HeadsetButtons::NotifyMessage()) {
        OnHeadsetButton(static_cast<int>(wParam));
        return 0;
    }
    if (message != HandsetDevice::NotifyMessage())
        return 0;
    if (wParam == 0) {
        OnKey(static_cast<int>(lParam));
    } else if (wParam == 1) {
        switch (lParam) {
        case kHandsetPlugged: Emit("handset", "present", "1"); break;
        case kHandsetRemoved:
            m_data = HandsetData{};
            m_ringing = false;
            Emit("handset", "present", "0");
            break;
        case kHandsetReady: OnReady(); break;
        default: break;
        }
    }
    return 0;
}

void HandsetCore::OnReady() {
    HandsetData data;
    data.ready = true;
    data.bound = HandsetDevice::NumberBound();
    if (!m_device->ReadCustomerNumber(kHandsetMemoryAttempts, &data.customer) ||
        (data.bound && !m_device->ReadOrvNumber(kHandsetMemoryAttempts, &data.number))) {
        m_data = HandsetData{};
        m_core.Emit({"handset_ready", {{"ok", "0"}}, m_core.Texts().Text(1), m_core.Texts().Text(75)});
        if (auto ready = m_window.ready) // a copy: the hook may retarget the handset
            ready(false);
        return;
    }
    m_data = data;
    m_core.Emit({"handset_ready",
                 {{"ok", "1"}, {"bound", data.bound ? "1" : "0"}, {"customer", std::to_string(data.customer)},
                  {"number", data.number}},
                 "", ""});
    if (auto ready = m_window.ready)
        ready(true);
}

void HandsetCore::OnKey(int param) {
    const char* name = KeyName(param);
    if (*name)
        Emit("handset_key", "key", name);
    if (param != kHandsetOnHook && m_window.raise)
        m_window.raise();
    const int state = m_window.callState ? m_window.callState() : GetCallState();
    if (param >= 0 && param <= kHandsetPound) {
        Do(m_window.type, param <= 9 ? static_cast<char>('0' + param) : (param == kHandsetStar ? '*' : '#'));
        return;
    }
    switch (param) {
    case kHandsetErase:
        Do(m_window.type, '\b');
        if (state != CALLSTATE_IDLE)
            Do(m_window.hangUp);
        break;
    case kHandsetDial:
        Ring(false);
        Do(m_window.callOrAccept);
        break;
    case kHandsetOffHook:
        Emit("handset_hook", "state", "off");
        if (state == CALLSTATE_IDLE) {
            Do(m_window.playTone, std::string(kWaveDialTone), true);
        } else if (state == CALLSTATE_SENDALERT) {
            Ring(false);
            Do(m_window.callOrAccept);
        }
        break;
    case kHandsetOnHook:
        Emit("handset_hook", "state", "on");
        Do(m_window.playTone, std::string(), false);
        if (state != CALLSTATE_IDLE) {
            Ring(false);
            Do(m_window.hangUp);
        } else {
            Do(m_window.setNumber, std::string());
        }
        break;
    case kHandsetRedial: Do(m_window.redial); break;
    default: break;
    }
}

void HandsetCore::OnCoreEvent(const CoreEvent& event) {
    if (event.name == "call_progress" && Field(event, "tone") == kToneAlert) {
        if (HandsetDevice::Present())
            Ring(true);
    } else if (event.name == "call_state" && Field(event, "state") != std::to_string(CALLSTATE_SENDALERT)) {
        Ring(false);
    } else if (event.name == "bind_set" && Field(event, "result") == "0" && m_device && m_data.ready) {
        // "Using with USB phone only": the handset keeps the number it is bound to.
        const std::string option = Field(event, "option");
        if (option == "1")
            WriteNumber(m_core.Status().number);
        else if (option == "0" && m_device->ClearBinding(kHandsetMemoryAttempts))
            m_data.bound = false;
    }
}

bool HandsetCore::WriteNumber(const std::string& number) {
    if (!m_device || !m_device->WriteOrvNumber(number, kHandsetMemoryAttempts))
        return false;
    m_data.bound = true;
    m_data.number = number;
    return true;
}

void HandsetCore::Ring(bool on) {
    if (!m_device || on == m_ringing)
        return;
    m_ringing = on;
    m_device->Ring(on);
    Emit("handset_ringer", "on", on ? "1" : "0");
}

void HandsetCore::Emit(const std::string& name, const std::string& key, const std::string& value) {
    m_core.Emit({name, {{key, value}}, "", ""});
}

} // namespace orv
