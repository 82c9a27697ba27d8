// A UDP relay of the test's own, put between the clients and the server's media port like a
// translator: each client source gets its own upstream socket, so the server sees one
// address per client and answers reach the right client. It keeps every datagram a client
// sent, and can lose (at random and in bursts) and reorder datagrams (both directions) with a
// seeded generator.
#pragma once

#include "tests/e2e/child_process.h"
#include "tests/server/test_folder.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <random>
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
    UdpRelay(); // binds 127.0.0.1 with a system-chosen port
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    std::uint16_t Port() const { return m_frontPort; }
    // Where client datagrams go (127.0.0.1:port); starts the relay thread on first call.
    void Start(std::uint16_t targetPort, RelayImpairment impairment = {});

    // Changes the share of datagrams lost from now on (a loss burst can end).
    void SetLoss(double loss);

    // Everything the clients sent, in arrival order (before any loss).
    std::vector<RelayedDatagram> FromClients();
    std::uint64_t Dropped() const { return m_dropped.load(); }
    std::uint64_t Reordered() const { return m_reordered.load(); }
    std::uint64_t Forwarded() const { return m_forwarded.load(); }

private:
    struct Flow {
        int upstream = -1;                   // socket towards the server
        std::vector<std::uint8_t> heldUp;    // a datagram held back, client to server
        std::vector<std::uint8_t> heldDown;  // server to client
    };
    void Run();
    void Pass(int socket, const std::vector<std::uint8_t>& datagram, std::uint16_t port,
              std::vector<std::uint8_t>& held);
    Flow& FlowFor(std::uint16_t clientPort);

    int m_front = -1;
    std::uint16_t m_frontPort = 0;
    std::uint16_t m_targetPort = 0;
    int m_wake[2] = {-1, -1};
    RelayImpairment m_impairment;
    std::atomic<double> m_loss{0};
    std::mt19937 m_random;
    int m_burstLeft = 0; // datagrams still to lose in the current burst
    std::map<std::uint16_t, Flow> m_flows; // by client port; relay thread only
    std::mutex m_logLock;
    std::vector<RelayedDatagram> m_log;
    std::atomic<std::uint64_t> m_dropped{0}, m_reordered{0}, m_forwarded{0};
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
