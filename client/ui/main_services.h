// What the main window asks of the parts below it: the call operations of the user-server
// conversation, the tone player, the connection dialog's reconnect, the shell and the
// clock. The program fills it from the core; an operation left empty is simply not done.
#pragma once

#include "client/ui/conference/main_conference.h"
#include "client/ui/video/main_video.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orv {

// Results of the reconnect (the connection dialog run again in its reconnect mode).
enum ReconnectResult : int {
    kReconnectFailed = 0,
    kReconnectOk = 1,
    kReconnectOkFilesUpdated = 2, // logged on again, and the live update installed files
};

struct MainServices {
    // The process-wide call state (0 idle .. 8).
    std::function<int()> callState;
    // Calls text when idle, or answers the call ringing here; true when it was taken.
    std::function<bool(const std::string& text)> callOrAnswer;
    std::function<void()> endTalk;
    // Digits typed while talking, handed on as typed; the call component buffers them and
    // sends them within a second (and sends the dialled extension once the media opened).
    std::function<void(const std::string& digits)> sendDtmf;
    // Plays a tone resource ("IDR_WAVE5", "IDR_WAVEBUSY", ...); an empty name silences it.
    std::function<void(const std::string& tone, bool repeat)> playTone;
    // Moves the tone player to another sound device.
    std::function<void(const std::string& device)> toneDevice;
    // True while the server answers the keep-alive (empty: always); calls are refused at
    // once while it does not.
    std::function<bool()> onLine;
    // True once the server is taken for lost while idle, which starts the reconnect (empty:
    // as soon as it is off line).
    std::function<bool()> serverLost;
    // Runs the connection dialog again in its reconnect mode.
    std::function<int()> reconnect;
    // Opens a web address or document (default: the desktop's opener).
    std::function<bool(const std::string& target)> openDocument;
    // True while a handset is plugged in: it rings instead of the alert tone, and the
    // settings offer "Using with USB phone only" (empty: no handset).
    std::function<bool()> handsetPresent;
    // The settings were applied: the handset takes its part of them (the headset buttons).
    std::function<void()> handsetConfiguration;
    // Millisecond tick (default: the platform tick).
    std::function<std::uint32_t()> tick;
    // The camera and the call's video (all empty: the video window shows no pictures).
    MainVideoServices video;
    // The conference window's questions (tests answer them); empty: its own dialogs.
    ConferenceWindowHooks conference;
};

} // namespace orv
