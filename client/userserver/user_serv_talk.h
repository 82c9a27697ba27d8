// The talk side of the user-server session: what the session keeps about the current call
// (the current call handler behind its own lock, the dialled text, the peer shown to the
// user, the video context handed to each call), the talk request body, and the relay table
// from call-handler events to the call-progress codes of the front-end.
#pragma once

#include "client/call/talk_serv_handler.h"
#include "client/friends/peer_block.h"
#include "platform/thread.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Call progress posted to the main window (talk) or the conference window (conference).
constexpr UINT WM_CALL_PROGRESS = WM_USER + 5;
constexpr UINT WM_CONF_ANSWERED = WM_USER + 25;

// Codes of the session's own call progress.
constexpr int kProgressRefusedLocally = 0; // value 1: the call state did not allow the request
constexpr int kProgressCalling = 1;
constexpr int kProgressRequestRefused = 2; // value: the server's reason
constexpr int kProgressRequestCancelled = 4;
constexpr int kProgressConfRegistered = 14; // conference window: own room established

// Call record end kinds of calls that never reached a talk server.
constexpr std::uint32_t kEndRequestRefused = 1;
constexpr std::uint32_t kEndRequestCancelled = 2;
constexpr std::uint32_t kEndRequestTimeout = 7;

constexpr std::size_t kTalkRequestSize = 72;

// The number part of a dialled text: everything before the first "*".
std::string DialledNumber(const std::string& dialled);
// The extension: everything after the first "*" (empty without one).
std::string DialledExtension(const std::string& dialled);
// The talk request (header included, SeqNum 0): own number and called number.
std::vector<std::uint8_t> BuildTalkRequest(const std::string& ownNumber, const std::string& calledNumber);

// The code a call-handler event is relayed under; -1 = not relayed, -2 = unknown (logged).
int RelayedTalkCode(int code);
int RelayedConfCode(int code);

struct TalkSide {
    CriticalSection csCallHandler; // guards callHandler; held by LockCallHandler's caller
    TalkServHandler* callHandler = nullptr;
    mutable CriticalSection csPeer; // guards the texts below
    std::string dialled;
    PeerBlock peer;
    std::atomic<HWND> remoteVideoWindow{0};
    std::atomic<bool> videoSend{false};
};

} // namespace orv
