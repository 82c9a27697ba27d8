// What the main window does with each call event the user-server handler posts to it
// (WM_USER+5, wParam = code, lParam = value): which message text, which tone, which display
// state and which side effects. Pure tables, shared by every front-end, so the desktop
// client and orvcli show the same.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

class TextTable;

// The codes of WM_USER+5 at the main window.
enum CallProgressCode : int {
    kCallNotAllowed = 0,   // the call state did not allow a request (value 1)
    kCallCalling = 1,      // request sent
    kCallRefused = 2,      // the user server refused our request (value: reason)
    kCallEndedRemote = 3,  // ended by the peer or the network (value: reason)
    kCallEndedLocal = 4,   // ended here
    kCallRemoteRings = 5,  // the called side rings
    kCallIncoming = 6,     // a call rings in
    kCallTalking = 7,      // answered here
    kCallMediaOpen = 8,    // the peer answered, media open
    kCallSetupTimeout = 9,
    kCallRingTimeout = 10,
    kCallLinkFailed = 11,    // talk-server link closed before it came up
    kCallConnectTimeout = 12,
    kCallLinkLost = 13,      // talk-server link closed during the call
    kCallHeld = 23,          // value 1: the call is being forwarded
    kCallVideoPaused = 24,   // value: the peer's pause byte
};

// The main window's display state.
enum class CallView { Idle, Calling, Ringing, Incoming, Talking, Ended };
const char* CallViewName(CallView view);

// A disconnect reason with this bit set carries a server refusal code 1..14 in its low part.
constexpr std::uint32_t kReasonServerCodeBit = 0x01000000;

// How a text is completed with the peer.
enum class TextFill {
    None,        // the text as it is
    NumberName,  // "%s %s": number and name
    NumberOnly,  // "%s %s" with the number and an empty name, or "%s": the number
    NumberFirst, // the number, a blank, then the text
};

struct ProgressText {
    int number = 0; // text number; 0 = no text
    TextFill fill = TextFill::None;
};

// The text for a refused call request (code 2) and for a call ended by the peer or the
// network (code 3).
ProgressText RefusalText(std::int32_t reason);
ProgressText DisconnectText(std::uint32_t reason);

// Tone resources.
constexpr char kToneBusy[] = "IDR_WAVEBUSY";
constexpr char kToneRingback[] = "IDR_WAVERING";
constexpr char kToneAlert[] = "IDR_WAVEALERT";
// Not a resource: the tone player is told to stop.
constexpr char kToneSilence[] = "silence";

// Tip texts of the call and redial buttons.
constexpr int kTextCallTip = 219;   // "Call"
constexpr int kTextAcceptTip = 31;  // "Accept"
constexpr int kTextRedialTip = 32;  // "Redial"

// Which conversation carries the call.
struct CallKind {
    bool conference = false; // the conference-server conversation
    bool chairing = false;   // this side chairs the conference
};

struct CallProgressStep {
    ProgressText text;
    bool leftTextFirst = false; // a text left by the conversation replaces `text`
    const char* tone = "";      // tone to play; empty = none
    bool silence = false;       // the tone player goes quiet
    bool alert = false;         // incoming-call alert: handset ringer, else kToneAlert
    bool restoreWindow = false;
    bool talkStart = false;
    bool callEnd = false;
    bool extensionTimer = false; // start the extension-digits timer before the talk starts
    bool showVideo = false;      // hide the conference window, show the video window
    bool videoPause = false;     // the video window shows the pause state of the value
    int callTip = 0;             // new tip text of the call button; 0 = unchanged
    bool redialTip = false;      // the redial button's tip names the number being called
    bool changesView = false;
    CallView view = CallView::Idle;
};

CallProgressStep CallProgressFor(int code, std::intptr_t value, const CallKind& kind);

// The text completed with the peer's number and name; empty for text number 0.
std::string ProgressTextString(const ProgressText& text, const TextTable& texts, const std::string& number,
                               const std::string& name);

} // namespace orv
