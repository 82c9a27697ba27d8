// CallControl: the main window's call behaviour below the front-ends, so that orvcli and
// the desktop client show and do the same. It takes the call-progress messages the
// user-server session posts to the core's window (WM_USER+5), keeps the progress of the
// current call (number and peer, display state, talk time, DTMF buffer, extension digits),
// turns every code and reason into a text, a tone and a state change, sends the buffered
// DTMF digits once a second while talking and the dialled extension digits 3 s after the
// media opened, and reports all of it as core events:
//   call_progress type= reason= number= name= tone= state= view= [talk_start=1]
//                 [call_end=1] [incoming=1] [conference=1]   (text: the message line)
//   call_state state= name=          the process-wide call state changed
//   dtmf_sent digits= [extension=1]  digits handed to the talk server
//
// Threads: everything runs on the thread that made it (the core's thread); the two call
// timers run on the timer manager's thread and only post to this component's window.
#pragma once

#include "client/call/call_progress.h"
#include "client/friends/peer_block.h"
#include "client/net/timer_owner.h"
#include "platform/message.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

class ClientCore;
class CUserServHandler;
class TextTable;
struct CoreEvent;

// What the component asks of the user-server session.
struct CallPort {
    std::function<int(const std::string& dialled)> talkRequest;
    std::function<bool()> answer;
    std::function<int()> endTalk;
    std::function<int(const std::string& digits)> sendDtmf;
    std::function<int(bool pause)> pauseVideo;
    std::function<PeerBlock()> currentPeer;
    std::function<CallKind()> callKind;
};
CallPort UserServCallPort(CUserServHandler& userServ);

struct CallProgressView {
    std::string text;   // the message line of the last call event
    std::string tone;   // the last tone asked for ("silence" = quiet, empty = none yet)
    CallView view = CallView::Idle;
    int state = 0;      // the process-wide call state
    bool talking = false;
    std::uint32_t talkSeconds = 0; // of the running talk, else of the last one
    std::string number; // the peer of the current (or last) call
    std::string name;
    std::string lastNumber; // what redial calls
};

// Periods of the two call timers.
constexpr std::uint32_t kDtmfPeriodMs = 1000;
constexpr std::uint32_t kExtensionDelayMs = 3000;

class CallControl {
public:
    using Emitter = std::function<void(CoreEvent)>;
    using Tick = std::function<std::uint32_t()>;

    // The component of a started core: takes the core's call messages as a message sink.
    explicit CallControl(ClientCore& core);
    // Parts given one by one (tests): tick null = the platform tick.
    CallControl(CallPort port, const TextTable& texts, Emitter emit, Tick tick = nullptr);
    ~CallControl();
    CallControl(const CallControl&) = delete;
    CallControl& operator=(const CallControl&) = delete;

    // A call-progress message (WM_USER+5 at the core's window); true when it was one.
    bool OnCoreMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // The call controls. False when the request could not be made now.
    bool Call(const std::string& dialled); // a number, optionally "*" and an extension
    bool Answer();
    bool Hangup();
    bool Redial();
    // Digits typed while talking ("0".."9", "*", "#"): buffered and sent within a second.
    bool Dtmf(const std::string& digits);
    bool PauseVideo(bool pause);
    // A text the conversation leaves to be shown when its call ends.
    void LeaveText(const std::string& text) { m_leftText = text; }

    CallProgressView Progress() const;

private:
    class CallTimer;
    enum TimerId : WPARAM { kTimerDtmf = 1, kTimerExtension = 2 };

    LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnProgress(int code, LPARAM value);
    void OnCallState(int state);
    void OnDtmfTick();
    void OnExtensionTick();
    void TalkStart();
    void EndOfCall();
    void NewCall();
    void SendDigits(const std::string& digits, bool extension);
    std::uint32_t Now() const { return m_tick(); }

    CallPort m_port;
    const TextTable& m_texts;
    Emitter m_emit;
    Tick m_tick;
    std::unique_ptr<FunctionWindow> m_window;
    std::unique_ptr<CallTimer> m_dtmfTimer;
    std::unique_ptr<CallTimer> m_extensionTimer;

    CallView m_view = CallView::Idle;
    std::string m_text;
    std::string m_tone;
    std::string m_number;
    std::string m_name;
    std::string m_lastNumber;
    std::string m_leftText;
    std::string m_dtmf;
    bool m_extensionTaken = false;
    bool m_talking = false;
    std::uint32_t m_talkStart = 0;
    std::uint32_t m_lastTalkMs = 0;
    int m_reportedState = 0;
};

bool IsDtmfKey(char c);

} // namespace orv
