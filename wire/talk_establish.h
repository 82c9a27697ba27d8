// The talk establish notice (0x0203) that the user server sends to both parties of a call:
// the call identifier (or the refusal's reason), the numbers, the role, the talk server and
// the peer's media addresses. The server builds it, the client reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

constexpr std::size_t kTalkEstablishSize = 93; // body bytes
constexpr std::uint8_t kRoleCaller = 1;
constexpr std::uint8_t kRoleCalled = 0;

struct TalkEstablish {
    std::uint8_t result = 0;     // 0 = established, else refused
    std::uint32_t callId = 0;    // when established
    std::int32_t reason = 0;     // when refused (same field)
    std::string callingNumber;
    std::string calledNumber;    // the client does not read it
    std::uint8_t role = 0;       // 1 = this client placed the call
    std::uint8_t noForward = 0;  // 1 = must not be forwarded again
    std::uint32_t servId = 0;
    std::uint32_t talkServIP = 0; // first octet in the lowest byte
    std::uint16_t talkServPort = 0;
    std::uint32_t peerAudioIP = 0; // first octet in the lowest byte
    std::uint16_t peerAudioPort = 0;
    std::uint32_t peerVideoIP = 0;
    std::uint16_t peerVideoPort = 0;

    bool IsCaller() const { return role == kRoleCaller; }
};

// False when the body is shorter than its fixed layout.
bool ParseTalkEstablish(const std::uint8_t* body, std::size_t size, TalkEstablish* notice);
// The body for a notice: kTalkEstablishSize bytes at body.
void BuildTalkEstablish(const TalkEstablish& notice, std::uint8_t* body);

} // namespace orv
