#include "client/core/call_control.h"

#include "client/call/call_state.h"
#include "client/log/log.h"
#include "client/net/msg_handler.h"
#include "client/core/client_core.h"
#include "platform/tick.h"

#include <thread>

namespace orv {

namespace {

constexpr UINT WM_CALL_TIMER = WM_USER + 1; // at the component's own window: wParam = timer id

const char* CallStateName(int state) {
    static const char* const names[] = {
        "CALLSTATE_IDLE",       "CALLSTATE_SENDSETUP",   "CALLSTATE_SENDREQUEST",
        "CALLSTATE_SENDALERT",  "CALLSTATE_RECVALERT",   "CALLSTATE_SENDCONNECT",
        "CALLSTATE_RECVCONNECT", "CALLSTATE_SENDDISCONNECT", "CALLSTATE_RECVDISCONNECT",
    };
    return state >= 0 && state <= 8 ? names[state] : "?";
}

bool TalkingState(int state) { return state == CALLSTATE_SENDCONNECT || state == CALLSTATE_RECVCONNECT; }

std::string FieldText(const char* field) {
    // Peer block fields are NUL-padded; one that fills its whole width is cut there.
    std::size_t n = 0;
    while (n < kPeerFieldSize && field[n] != '\0') ++n;
    return std::string(field, n);
}

} // namespace

bool IsDtmfKey(char c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; }

// One call timer on the process-wide timer manager: a one-shot entry that, when it fires,
// posts its id to the component's window; the component starts it again for the next tick.
class CallControl::CallTimer : public CTimerOwner {
public:
    CallTimer(HWND target, WPARAM id) : m_target(target), m_id(id) {}
    ~CallTimer() override {
        m_closing.store(true);
        Stop();
        // A callback that took its use before the entry went only posts; wait for it.
        while (m_uses.load() != 0) std::this_thread::yield();
    }

    void Start(std::uint32_t periodMs) {
        CreateTimerManagerOnce();
        if (auto timers = GetTimerManager()) {
            timers->RemoveOwnerTimers(this);
            timers->AddTimer(nullptr, 0, 0, periodMs, kTimerOneShot, this, 0);
        }
    }
    void Stop() {
        if (auto timers = GetTimerManager()) timers->RemoveOwnerTimers(this);
    }

    bool TakeUse() override {
        if (m_closing.load()) return false;
        m_uses.fetch_add(1);
        return true;
    }
    void GiveBackUse() override { m_uses.fetch_sub(1); }
    void ReSendData(TimerEntry&) override {}
    void OnMsgTimeOut(const std::uint8_t*, std::uint32_t) override {}
    void OnTimer() override { PostMessage(m_target, WM_CALL_TIMER, m_id, 0); }

private:
    const HWND m_target;
    const WPARAM m_id;
    std::atomic<bool> m_closing{false};
    std::atomic<int> m_uses{0};
};

CallControl::CallControl(CallPort port, const TextTable& texts, Emitter emit, Tick tick)
    : m_port(std::move(port)), m_texts(texts), m_emit(std::move(emit)), m_tick(std::move(tick)) {
    if (!m_tick) m_tick = [] { return GetTickCount(); };
    m_window = std::make_unique<FunctionWindow>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnWindowMessage(message, wParam, lParam); });
    HWND hwnd = m_window->Create("CallControl");
    m_dtmfTimer = std::make_unique<CallTimer>(hwnd, kTimerDtmf);
    m_extensionTimer = std::make_unique<CallTimer>(hwnd, kTimerExtension);
    // The call-state notices come to this window: they share their message number with the
    // call progress, so they must never reach the core's window (which a headless friend
    // list uses). A desktop friend list that takes them later gets them instead.
    SetCallStateWindow(hwnd);
    m_reportedState = GetCallState();
}

CallControl::~CallControl() {
    if (GetCallStateWindow() == m_window->GetSafeHwnd()) SetCallStateWindow(0);
    m_dtmfTimer.reset();
    m_extensionTimer.reset();
    m_window.reset();
}

bool CallControl::OnCoreMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CALL_STATE) return false; // the same number: call progress at the core's window
    OnProgress(static_cast<int>(wParam), lParam);
    return true;
}

LRESULT CallControl::OnWindowMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_CALL_STATE) {
        OnCallState(static_cast<int>(wParam));
    } else if (message == WM_CALL_TIMER && wParam == kTimerDtmf) {
        OnDtmfTick();
    } else if (message == WM_CALL_TIMER && wParam == kTimerExtension) {
        OnExtensionTick();
    }
    return 0;
}

void CallControl::OnProgress(int code, LPARAM value) {
    const CallKind kind = m_port.callKind ? m_port.callKind() : CallKind{};
    if (m_port.currentPeer) {
        PeerBlock peer = m_port.currentPeer();
        m_number = FieldText(peer.dialled);
        m_name = FieldText(peer.name);
    }
    if (code == kCallIncoming) NewCall();
    const CallProgressStep step = CallProgressFor(code, value, kind);
    std::string text = ProgressTextString(step.text, m_texts, m_number, m_name);
    if (step.leftTextFirst && !m_leftText.empty()) text = m_leftText;
    if (!text.empty()) m_text = text;

    std::string tone;
    if (step.silence) tone = kToneSilence;
    if (*step.tone != '\0') tone = step.tone;
    if (step.alert) tone = kToneAlert;
    if (!tone.empty()) m_tone = tone;

    if (step.extensionTimer) m_extensionTimer->Start(kExtensionDelayMs);
    if (step.talkStart && !m_talking) TalkStart();
    if (step.callEnd) EndOfCall();
    if (step.changesView) m_view = step.view;

    const int state = GetCallState();
    CoreEvent event{"call_progress",
                    {{"type", std::to_string(code)},
                     {"reason", std::to_string(value)},
                     {"number", m_number},
                     {"name", m_name},
                     {"tone", tone},
                     {"state", std::to_string(state)},
                     {"view", CallViewName(m_view)}},
                    "",
                    text};
    if (step.talkStart) event.fields.emplace_back("talk_start", "1");
    if (step.callEnd) event.fields.emplace_back("call_end", "1");
    if (step.alert) event.fields.emplace_back("incoming", "1");
    if (kind.conference) event.fields.emplace_back("conference", "1");
    m_emit(std::move(event));
}

void CallControl::OnCallState(int state) {
    if (state == m_reportedState) return;
    m_reportedState = state;
    m_emit({"call_state", {{"state", std::to_string(state)}, {"name", CallStateName(state)}}, "", ""});
}

void CallControl::TalkStart() {
    m_talking = true;
    m_talkStart = Now();
    m_dtmf.clear();
    m_dtmfTimer->Start(kDtmfPeriodMs);
}

void CallControl::EndOfCall() {
    if (m_talking) m_lastTalkMs = Now() - m_talkStart;
    m_talking = false;
    m_dtmfTimer->Stop();
    m_extensionTimer->Stop();
    m_dtmf.clear();
    m_leftText.clear();
}

void CallControl::NewCall() {
    m_dtmf.clear();
    m_extensionTaken = false;
    m_leftText.clear();
}

void CallControl::OnDtmfTick() {
    if (!m_talking) return;
    if (!m_dtmf.empty()) {
        std::string digits;
        digits.swap(m_dtmf);
        SendDigits(digits, false);
    }
    m_dtmfTimer->Start(kDtmfPeriodMs);
}

// The digits after the first "*" of the dialled text go to the talk server once the media
// is open, unless they begin with another "*"; asked once a call, so the timer stops then.
void CallControl::OnExtensionTick() {
    std::string extension;
    if (!m_extensionTaken && m_port.currentPeer) {
        PeerBlock peer = m_port.currentPeer();
        extension = FieldText(peer.extension);
    }
    m_extensionTaken = true;
    if (extension.empty()) return;
    if (extension[0] != '*') SendDigits(extension, true);
    m_extensionTimer->Start(kExtensionDelayMs);
}

void CallControl::SendDigits(const std::string& digits, bool extension) {
    int sent = m_port.sendDtmf ? m_port.sendDtmf(digits) : 0;
    CoreEvent event{"dtmf_sent", {{"digits", digits}}, "", ""};
    if (extension) event.fields.emplace_back("extension", "1");
    if (!sent) event.name = "dtmf_failed";
    m_emit(std::move(event));
}

bool CallControl::Call(const std::string& dialled) {
    if (dialled.empty() || !m_port.talkRequest) return false;
    NewCall();
    m_lastNumber = dialled;
    return m_port.talkRequest(dialled) != 0;
}

bool CallControl::Answer() { return m_port.answer && m_port.answer(); }

bool CallControl::Hangup() {
    m_tone = kToneSilence;
    return m_port.endTalk && m_port.endTalk() != 0;
}

bool CallControl::Redial() { return !m_lastNumber.empty() && Call(m_lastNumber); }

bool CallControl::Dtmf(const std::string& digits) {
    if (digits.empty() || !m_talking || !TalkingState(GetCallState())) return false;
    for (char c : digits)
        if (!IsDtmfKey(c)) return false;
    m_dtmf += digits;
    return true;
}

bool CallControl::PauseVideo(bool pause) { return m_port.pauseVideo && m_port.pauseVideo(pause) != 0; }

CallProgressView CallControl::Progress() const {
    CallProgressView v;
    v.text = m_text;
    v.tone = m_tone;
    v.view = m_view;
    v.state = GetCallState();
    v.talking = m_talking;
    v.talkSeconds = (m_talking ? Now() - m_talkStart : m_lastTalkMs) / 1000;
    v.number = m_number;
    v.name = m_name;
    v.lastNumber = m_lastNumber;
    return v;
}

} // namespace orv
