// The calls the server carries: one entry per call from the talk request until a while after
// it ended, with both parties (their registration, their talk-server link, their CallSetup
// and the media addresses the rendezvous learned for them). The user server, the talk server
// and the media rendezvous share the table on the server's one thread, so it has no lock.
#pragma once

#include "linkcommon/link_event.h"
#include "server/talk_packets.h"

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>

namespace orv {

enum class Medium { Audio = 0, Video = 1 };

inline const char* MediumName(Medium m) { return m == Medium::Audio ? "audio" : "video"; }

// One medium of a party as the rendezvous saw it: where its datagrams come from (public) and
// what the client says of its own socket (local, with its subnet).
struct MediaPath {
    bool learned = false;
    MediaAddress seen;
    MediaAddress local;
    std::uint32_t subnet = 0;
};

struct CallParty {
    std::string number;
    std::uint32_t endpoint = 0;  // 0 for the server's own side of an echo call
    std::string userAddress;     // the party's user-server link, for notices
    std::uint16_t userPort = 0;
    LinkHandle link = 0;         // its talk-server link once its CallSetup arrived
    bool hasSetup = false;
    CallSetup setup;
    std::uint32_t setupSeq = 0;
    MediaPath media[2];          // indexed by Medium

    MediaPath& Path(Medium m) { return media[static_cast<int>(m)]; }
    const MediaPath& Path(Medium m) const { return media[static_cast<int>(m)]; }
};

enum class CallPhase {
    Setup,    // notices sent, waiting for both CallSetups
    Accepted, // CallAccept sent to both
    Alerting, // the called side rings
    Talking,
    Held,     // the called side handed the call on (forwarding); waiting for the new party
    Ended,    // kept a while so late messages get a clear answer
};
const char* PhaseName(CallPhase phase);

enum class Side { Caller = 0, Called = 1 };
inline Side Other(Side s) { return s == Side::Caller ? Side::Called : Side::Caller; }
inline const char* SideName(Side s) { return s == Side::Caller ? "caller" : "called"; }

struct TalkCall {
    std::uint32_t id = 0;
    CallParty parties[2];
    bool echo = false;          // the server answers it (echo-test number)
    bool noForward = false;     // told to the called side: do not forward again
    std::string dialled;        // the called number of the talk request
    std::string original;       // the number first dialled, when the call was forwarded
    CallPhase phase = CallPhase::Setup;
    std::uint32_t phaseSince = 0; // tick of the latest phase change
    bool answered = false;
    std::uint32_t endReason = 0;
    std::string endedBy;        // "caller", "called" or "server"
    std::string digits;         // DTMF digits received, in order
    std::uint32_t requestSeq = 0; // the caller's talk request, for its resends
    std::int64_t recordId = 0;  // its row in the call records, 0 when none
    LinkHandle heldLink = 0;    // the called side's link that handed the call on

    CallParty& Party(Side s) { return parties[static_cast<int>(s)]; }
    const CallParty& Party(Side s) const { return parties[static_cast<int>(s)]; }
    bool Active() const { return phase != CallPhase::Ended; }
    void SetPhase(CallPhase p, std::uint32_t now) {
        phase = p;
        phaseSince = now;
    }
};

class TalkCallTable {
public:
    TalkCallTable();

    // A new call with a fresh, non-zero identifier that no kept call has.
    TalkCall& Create(std::uint32_t now);
    TalkCall* Find(std::uint32_t id);
    // The active call that number takes part in (as caller or current called party).
    TalkCall* FindActiveByNumber(const std::string& number);
    // The active call and side of a registration, by its endpoint identifier.
    TalkCall* FindActiveByEndpoint(std::uint32_t endpoint, Side* side);
    void Remove(std::uint32_t id);
    std::size_t Size() const { return m_calls.size(); }
    std::size_t ActiveCount() const;

    template <typename F> void ForEach(F&& f) {
        for (auto& [id, call] : m_calls) f(call);
    }

private:
    std::map<std::uint32_t, TalkCall> m_calls;
    std::mt19937 m_random;
};

} // namespace orv
