#include "client/call/call_progress.h"

#include "client/friends/text_format.h"
#include "client/text/text_table.h"

namespace orv {

const char* CallViewName(CallView view) {
    switch (view) {
    case CallView::Idle: return "idle";
    case CallView::Calling: return "calling";
    case CallView::Ringing: return "ringing";
    case CallView::Incoming: return "incoming";
    case CallView::Talking: return "talking";
    case CallView::Ended: return "ended";
    }
    return "?";
}

ProgressText RefusalText(std::int32_t reason) {
    switch (reason) {
    case -1: return {10};
    case -2: return {11};
    case -3: return {12};
    case -5: return {14};
    case -6: return {15};
    case -7: return {16};
    case -8: return {17};
    case -9: return {18};
    case -10: return {19, TextFill::NumberFirst};
    case -11: return {20};
    case -12: return {21};
    case -14: return {40, TextFill::NumberOnly};
    case -16: return {346};
    default: return {};
    }
}

ProgressText DisconnectText(std::uint32_t reason) {
    switch (reason) {
    case 0: return {39, TextFill::NumberName};
    case 1:
    case 18: return {40, TextFill::NumberName};
    case 2: return {41, TextFill::NumberName};
    case 3: return {42};
    case 4: return {43};
    case 5: return {44};
    case 6:
    case 7:
    case 9:
    case 10:
    case 14: return {45};
    case 8: return {46};
    case 11: return {70};
    case 13: return {49};
    case 16: return {55};
    case 17:
    case 20: return {328};
    case 19: return {};
    case 21: return {329};
    default: break; // 12, 15 and anything above 21
    }
    if ((reason & kReasonServerCodeBit) != 0) {
        const std::uint32_t code = reason & ~kReasonServerCodeBit;
        if (code >= 1 && code <= 14) return {static_cast<int>(117 + code)};
    }
    return {50};
}

namespace {

CallProgressStep WithView(CallProgressStep step, CallView view) {
    step.changesView = true;
    step.view = view;
    return step;
}

CallProgressStep Talking(const CallKind& kind) {
    CallProgressStep s;
    if (kind.conference) {
        s.text = kind.chairing ? ProgressText{330} : ProgressText{331, TextFill::NumberOnly};
    } else {
        s.text = {53, TextFill::NumberName};
        s.showVideo = true;
    }
    s.silence = true;
    s.talkStart = true;
    return WithView(s, CallView::Talking);
}

} // namespace

CallProgressStep CallProgressFor(int code, std::intptr_t value, const CallKind& kind) {
    CallProgressStep s;
    switch (code) {
    case kCallCalling:
        s.text = {30, TextFill::NumberName};
        s.redialTip = true;
        return WithView(s, CallView::Calling);
    case kCallRefused:
        s.text = RefusalText(static_cast<std::int32_t>(value));
        s.tone = kToneBusy;
        return WithView(s, CallView::Ended);
    case kCallEndedRemote:
        s.text = DisconnectText(static_cast<std::uint32_t>(value));
        s.leftTextFirst = true;
        s.callTip = kTextCallTip;
        s.tone = kToneBusy;
        s.callEnd = true;
        return WithView(s, CallView::Ended);
    case kCallEndedLocal:
        s.text = {38};
        s.leftTextFirst = true;
        s.callTip = kTextCallTip;
        s.silence = true;
        s.callEnd = true;
        return WithView(s, CallView::Ended);
    case kCallRemoteRings:
        s.text = {51, TextFill::NumberName};
        s.tone = kToneRingback;
        return WithView(s, CallView::Ringing);
    case kCallIncoming:
        s.text = kind.conference ? ProgressText{62, TextFill::NumberOnly} : ProgressText{52, TextFill::NumberName};
        s.restoreWindow = true;
        s.alert = true;
        s.callTip = kTextAcceptTip;
        return WithView(s, CallView::Incoming);
    case kCallTalking: return Talking(kind);
    case kCallMediaOpen: {
        CallProgressStep t = Talking(kind);
        t.extensionTimer = true;
        return t;
    }
    // The failures below follow the end of the call (or are the end of it, for a link that
    // never came up): the window stays in its ended state with the failure's text.
    case kCallSetupTimeout: s.text = {54}; return WithView(s, CallView::Ended);
    case kCallRingTimeout: s.text = {55}; return WithView(s, CallView::Ended);
    case kCallLinkFailed: s.text = {85}; return WithView(s, CallView::Ended);
    case kCallConnectTimeout: s.text = {86}; return WithView(s, CallView::Ended);
    case kCallLinkLost:
        s.text = {87};
        s.callEnd = true;
        return WithView(s, CallView::Ended);
    case kCallHeld:
        if (value == 1) s.text = {111};
        return s;
    case kCallVideoPaused:
        s.videoPause = true;
        return s;
    default: return s; // 0 and unknown codes: nothing to show
    }
}

std::string ProgressTextString(const ProgressText& text, const TextTable& texts, const std::string& number,
                               const std::string& name) {
    if (text.number == 0) return "";
    const std::string& pattern = texts.Text(text.number);
    switch (text.fill) {
    case TextFill::None: return pattern;
    case TextFill::NumberName: return FillText(pattern, {number, name});
    case TextFill::NumberOnly: return FillText(pattern, {number, ""});
    case TextFill::NumberFirst: return number + " " + pattern;
    }
    return pattern;
}

} // namespace orv
