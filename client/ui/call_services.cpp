#include "client/ui/call_services.h"

#include "client/audio/tones/tone_player.h"
#include "client/call/call_state.h"
#include "client/core/call_control.h"
#include "client/core/video_core.h"

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

void UseTonePlayer(CTonePlayer& tones, MainServices* services) {
    services->playTone = [&tones](const std::string& tone, bool repeat) { tones.Play(tone, repeat ? 1 : 0); };
    services->toneDevice = [&tones](const std::string& device) { tones.ChangeDevice(device); };
}

void UseVideoCore(VideoCore& video, ClientConfig* config, CallControl* calls, MainServices* services) {
    MainVideoServices& v = services->video;
    v.attachDisplay = [&video](HWND display) { video.SetDisplayWindow(display); };
    v.setSendingPaused = [&video](bool paused) { video.SetSendingPaused(paused); };
    v.control = &video.Control();
    v.config = config;
    if (calls != nullptr) v.tellPeerPaused = [calls](bool paused) { calls->PauseVideo(paused); };
}

} // namespace orv
