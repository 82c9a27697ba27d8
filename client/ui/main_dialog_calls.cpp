// The main window during calls: call, accept, redial and hang up, the call progress the
// core reports, the talk time, and the digits sent while talking.
#include "client/ui/main_dialog.h"

#include "client/call/call_progress.h"

#include "client/core/core_event_fields.h"
#include "client/data/client_config.h"
#include "client/ui/audio/sound_device.h"
#include "client/friends/text_format.h"
#include "client/text/text_rows.h"

namespace orv {

namespace {

constexpr int kTextAccept = 31;
constexpr int kTextRedial = 32;
constexpr int kTextCall = 219;

// Tones that keep sounding until silenced.
bool Repeats(const std::string& tone) {
    return tone == kToneRingback || tone == kToneAlert || tone == "IDR_WAVEDAILTONE";
}

} // namespace

void MainDialog::PlayTone(const std::string& tone, bool repeat) {
    if (tone.empty()) return;
    if (tone == kToneAlert && HandsetRings()) return; // the handset's ringer alerts instead
    lastTone_ = tone;
    if (services_.playTone) services_.playTone(tone, repeat);
}

void MainDialog::ApplySoundDevice() {
    if (core_.Config() == nullptr) return;
    const std::string device = core_.Config()->Audio().device;
    if (services_.toneDevice) services_.toneDevice(device);
    if (CallState() == 0) MoveAudioThreadsTo(device);
}

void MainDialog::SilenceTones() {
    if (services_.playTone) services_.playTone(std::string(), false);
}

void MainDialog::CallOrAccept() {
    if (closing_) return;
    SilenceTones(); // stop the alert
    alert_->Stop();
    const bool idle = CallState() == 0;
    const std::string text = entry_.Number();
    if (idle && text.empty()) return;
    if (idle && !OnLine()) {
        // Without the server the request could only time out: say so now, keep the digits.
        line_.ShowBriefly(Text(kTextNotConnected), Now(), kCallOutcomeMs);
        Refresh();
        return;
    }
    if (!services_.callOrAnswer || !services_.callOrAnswer(text)) return;
    if (idle) lastNumber_ = text;
    else incoming_ = false; // answered: no longer a missed call
    SilenceTones();
}

void MainDialog::Redial() {
    if (lastNumber_.empty()) return;
    entry_.SetNumber(lastNumber_);
    CallOrAccept();
}

void MainDialog::Dial(const std::string& number) {
    entry_.SetNumber(number);
    CallOrAccept();
}

bool MainDialog::DialWhenIdle(const std::string& number) {
    if (closing_ || CallState() != 0) return false;
    Dial(number);
    return true;
}

void MainDialog::HangUp() {
    SilenceTones();
    if (alert_) alert_->Stop();
    if (services_.endTalk) services_.endTalk();
}

void MainDialog::OnCallProgress(const CoreEvent& event) {
    if (closing_) return;
    const int type = EventIntField(event, "type");
    ShowCallOutcome(event, type);
    if (type != kCallIncoming && type != kCallHeld && type != kCallVideoPaused) alert_->Stop();
    const std::string tone = EventField(event, "tone");
    if (tone == kToneSilence) {
        SilenceTones();
    } else {
        PlayTone(tone, Repeats(tone));
    }
    switch (type) {
    case kCallCalling:
        SetButtonTip("BUTTON_RECALL", Text(kTextRedial) + " " + EventField(event, "number"));
        break;
    case kCallNotAllowed:
    case kCallRefused:
        entry_.ClearNumber(); // the next number starts afresh
        break;
    case kCallEndedRemote:
    case kCallEndedLocal:
    case kCallSetupTimeout:
    case kCallRingTimeout:
    case kCallLinkFailed:
    case kCallConnectTimeout:
        SetButtonTip("BUTTON_CALL", Text(kTextCall));
        EndOfCall();
        break;
    case kCallIncoming:
        incoming_ = true;
        RestoreFromTray();
        alert_->Start(Control(QStringLiteral("BUTTON_CALL")), EventField(event, "number"), EventField(event, "name"));
        if (tone.empty()) PlayTone(kToneAlert, true);
        SetButtonTip("BUTTON_CALL", Text(kTextAccept));
        break;
    case kCallMediaOpen:
    case kCallTalking:
        if (!clock_.Talking()) TalkStart();
        break;
    case kCallLinkLost:
        EndOfCall();
        break;
    default: break;
    }
    Refresh();
}

// The outcome of a call stays a few seconds, then the default line returns; a call that
// rang in here and ended unanswered by the caller is a missed call.
void MainDialog::ShowCallOutcome(const CoreEvent& event, int type) {
    std::string text = event.text;
    const bool outcome = type == kCallNotAllowed || type == kCallRefused || type == kCallEndedRemote ||
                         type == kCallEndedLocal || type == kCallLinkLost || type == kCallSetupTimeout ||
                         type == kCallRingTimeout || type == kCallLinkFailed || type == kCallConnectTimeout;
    // Unanswered here, whether the caller gave up or the ringing ran out.
    if ((type == kCallEndedRemote || type == kCallRingTimeout) && incoming_ && !talked_ &&
        EventField(event, "conference").empty())
        text = FillText(Text(kTextMissedCallFrom), {EventField(event, "number")});
    if (text.empty()) {
        if (outcome) line_.Clear(); // no word of its own: the call's line ("Incoming: …") goes
        return;
    }
    if (outcome) {
        line_.ShowBriefly(text, Now(), kCallOutcomeMs);
    } else {
        line_.Show(text);
    }
}

void MainDialog::TalkStart() {
    clock_.TalkStarted(Now());
    entry_.ClearDtmf();
    talked_ = true;
}

void MainDialog::EndOfCall() {
    entry_.ClearNumber();
    entry_.ClearDtmf();
    // A call that talked leaves its talk time up for 5 s; then the clock returns.
    if (talked_) {
        clock_.CallEnded(Now());
        QTimer::singleShot(static_cast<int>(kLastTalkTimeMs), this, [this] { Refresh(); });
    }
    talked_ = false;
    incoming_ = false;
}

} // namespace orv
