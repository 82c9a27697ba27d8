// Calls to the service's echo number, placed by the first clients of a run while it lasts:
// the talk request on the client's own registration, the talk server's link (set-up, then
// the accept), an audio socket announced to the media rendezvous, 50 audio packets a second
// for the call's length and the count and round trip of those that come back, then the
// disconnect and the next call. Each call's sockets sit on an epoll set of their own, which
// the run's loop watches as one descriptor.
#pragma once

#include "tools/orvload/load_options.h"
#include "wire/packet_header.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orv {

class EchoCalls {
public:
    // sendUser sends a user-server payload from client i's socket; endpointOf gives client
    // i's EndpointID (0 while it is not registered).
    using SendUser = std::function<void(std::size_t i, const std::vector<std::uint8_t>& payload)>;
    using ClientQuery = std::function<std::uint32_t(std::size_t i)>; // EndpointID, 0 = not registered
    EchoCalls(const LoadOptions& options, SendUser sendUser, ClientQuery endpointOf);
    ~EchoCalls();

    int Epoll() const { return m_epoll; }
    // Places calls for idle callers, sends the audio that is due and ends calls whose time
    // is up. Returns the time of the next thing due (microseconds).
    std::int64_t Poll(std::int64_t now);
    // The sockets of calls have something to read.
    void OnReadable(std::int64_t now);
    // A talk establish notice reached client i.
    void OnEstablish(std::size_t i, const Packet& p, std::int64_t now);
    void PrintResult() const;

private:
    struct Call;
    void Join(Call& call, std::int64_t now);
    void ReadTalk(Call& call, std::int64_t now);
    void ReadMedia(Call& call, std::int64_t now);
    void End(Call& call);

    LoadOptions m_options;
    SendUser m_sendUser;
    ClientQuery m_endpointOf;
    int m_epoll = -1;
    std::vector<std::unique_ptr<Call>> m_calls;
    std::uint64_t m_requested = 0, m_refused = 0, m_accepted = 0, m_completed = 0, m_broken = 0;
    std::uint64_t m_mediaSent = 0, m_mediaEchoed = 0;
    std::vector<double> m_roundTripMs;
};

} // namespace orv
