// What orvload counts and measures: the conversation's counters, latency percentiles, and
// the server process's CPU time, resident memory and receive-queue drops from /proc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

struct LoadCounters {
    std::uint64_t loginsSent = 0;
    std::uint64_t loginResends = 0;     // a logon unanswered for 5 s: sent again
    std::uint64_t loginsAccepted = 0;
    std::uint64_t loginsRefused = 0;
    std::uint64_t keepAlivesSent = 0;
    std::uint64_t keepAlivesAnswered = 0;
    std::uint64_t keepAlivesLost = 0;   // unanswered for 5 s: sent again
    std::uint64_t relogonDemands = 0;
    std::uint64_t logoutsReceived = 0;
    std::uint64_t natDetects = 0;       // each one echoed
    std::uint64_t otherPackets = 0;     // answers out of turn, presence pushes and the like
    std::uint64_t junk = 0;             // datagrams that are not a well-framed packet
    std::uint64_t sendErrors = 0;
};

// The p-th percentile (0..100) of values by nearest rank; 0 for none. Sorts a copy.
double Percentile(std::vector<double> values, double p);

// One reading of a process: CPU seconds used so far and resident memory; false when the
// process is gone or /proc cannot be read.
struct ProcessReading {
    double cpuSeconds = 0;
    std::uint64_t rssKb = 0;
};
bool ReadProcess(int pid, ProcessReading* reading);
// CPU time of the process's main thread in nanoseconds (where the server does its work),
// -1 when it cannot be read. Unlike waiting times, it does not grow on a busy machine.
long long ReadMainThreadCpuNs(int pid);

// Datagrams the kernel dropped for process pid's UDP socket bound to port (a full receive
// buffer), IPv4 or IPv6; with pid 0 (or descriptors that cannot be read), for any socket
// bound to port. -1 when there is none.
long long ReadUdpDrops(int pid, std::uint16_t port);

} // namespace orv
