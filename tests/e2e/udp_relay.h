// A UDP relay of the test's own, put between the clients and the server's media port like a
// translator: each client source gets its own upstream socket, so the server sees one
// address per client and answers reach the right client. It keeps every datagram a client
// sent, and can lose (at random and in bursts) and reorder datagrams (both directions), and
// hold everything for a while as a stalled network would. Which datagrams are lost or
// reordered follows from the seed and the datagram itself (direction, RTP SSRC and sequence
// number), never from how the flows happened to interleave: a loaded machine loses the same
// packets as an idle one.
#pragma once

#include "tests/e2e/child_process.h"
#include "tests/server/test_folder.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv::test {

struct RelayedDatagram {
    std::uint16_t clientPort = 0; // the client's source port
    std::vector<std::uint8_t> bytes;
    std::chrono::steady_clock::time_point at;
};

struct RelayImpairment {
    double loss = 0;    // share of datagrams dropped, each direction
    double reorder = 0; // share held back and sent after the next one of the same flow
    double burst = 0;   // share that begin a burst of three lost in a row
    unsigned seed = 1;
};

class UdpRelay {
public:
    // Binds frontAddress (a loopback address, host order) and frontPort (0: the system's
    // choice).
    explicit UdpRelay(std::uint32_t frontAddress = 0x7F000001, std::uint16_t frontPort = 0);
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    std::uint16_t Port() const { return m_frontPort; }
    // Where client datagrams go (127.0.0.1:port); starts the relay thread on first call.
    void Start(std::uint16_t targetPort, RelayImpairment impairment = {});

    // Changes the share of datagrams lost from now on (a loss burst can end).
    void SetLoss(double loss);
    // Holds every datagram, both directions, for the next `duration`, then sends them all
    // at once in their order (at most kStallLimit are held; later ones are dropped).
    void Stall(std::chrono::milliseconds duration);
    std::uint64_t Stalls() const { return m_stalls.load(); }
    // Stalls for duration right after the count-th datagram from the clients went on, so
    // that what answers it is held.
    void StallAfterClientDatagrams(std::size_t count, std::chrono::milliseconds duration);
    static constexpr std::size_t kStallLimit = 4096;

    // Everything the clients sent, in arrival order (before any loss).
    std::vector<RelayedDatagram> FromClients();
    std::uint64_t Dropped() const { return m_dropped.load(); }
    std::uint64_t Reordered() const { return m_reordered.load(); }
    std::uint64_t Forwarded() const { return m_forwarded.load(); }

private:
    struct Held {
        std::vector<std::uint8_t> bytes;
        std::uint64_t key = 0;
    };
    struct Flow {
        int upstream = -1;     // socket towards the server
        Held heldUp;           // a datagram held back, client to server
        Held heldDown;         // server to client
        std::uint64_t otherUp = 0, otherDown = 0; // datagrams that are not RTP, counted
    };
    struct Stalled {
        int socket;
        std::uint16_t port;
        std::vector<std::uint8_t> bytes;
    };
    void Run();
    void Pass(int socket, const std::vector<std::uint8_t>& datagram, std::uint16_t port, bool up, Flow& flow);
    void Send(int socket, const std::vector<std::uint8_t>& datagram, std::uint16_t port);
    // A uniform number in [0, 1) for the datagram with this key and the purpose salt.
    double Chance(std::uint64_t key, std::uint64_t salt) const;
    bool Lost(std::uint64_t key, bool rtp) const;
    int StallWaitMs();
    Flow& FlowFor(std::uint16_t clientPort);

    int m_front = -1;
    std::uint16_t m_frontPort = 0;
    std::uint16_t m_targetPort = 0;
    int m_wake[2] = {-1, -1};
    RelayImpairment m_impairment;
    std::atomic<double> m_loss{0};
    std::atomic<std::int64_t> m_stallUntilUs{0}; // steady clock; relay thread reads it
    std::atomic<std::size_t> m_stallAfter{0};     // 0: no stall after a client datagram
    std::atomic<std::int64_t> m_stallAfterMs{0};
    std::size_t m_fromClients = 0; // relay thread only
    std::vector<Stalled> m_stalled;               // relay thread only
    std::map<std::uint16_t, Flow> m_flows; // by client port; relay thread only
    std::mutex m_logLock;
    std::vector<RelayedDatagram> m_log;
    std::atomic<std::uint64_t> m_dropped{0}, m_reordered{0}, m_forwarded{0}, m_stalls{0};
    std::thread m_thread;
};

// Starts orvserver on home (talk and media ports chosen by the system, echoNumber as the
// echo test) with the two relays announced as its media rendezvous, and points each relay
// at the server's media port of its medium. False when the server does not come up.
bool StartServerBehindRelays(ChildProcess& server, const std::string& home, UdpRelay& audio, UdpRelay& video,
                             const std::string& echoNumber, RelayImpairment impairment, int timeoutMs,
                             std::string* userAddress);

// orvserver in a home folder of its own behind an audio and a video relay.
struct RelayedServer {
    UdpRelay audioRelay, videoRelay;
    TestFolder home;
    ChildProcess process;
    std::string address; // its user port, "host:port"

    bool Start(const std::string& echoNumber, RelayImpairment impairment, int timeoutMs) {
        return StartServerBehindRelays(process, home.Path(), audioRelay, videoRelay, echoNumber, impairment,
                                       timeoutMs, &address);
    }
};

} // namespace orv::test
