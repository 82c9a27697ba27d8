#include "tools/orvload/load_run.h"

#include "tools/orvload/load_calls.h"
#include "tools/orvload/load_client.h"
#include "tools/orvload/load_sockets.h"
#include "tools/orvload/load_stats.h"
#include "udplink/datagram_codec.h"

#include <sys/epoll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <queue>

namespace orv {

namespace {

constexpr int kEventsPerWait = 1024;
constexpr int kReadsPerEvent = 8;
// The epoll entry of the calls' own epoll set (client entries are their indexes).
constexpr std::uint64_t kCallsTag = ~std::uint64_t{0};
constexpr std::int64_t kLongestWaitUs = 50000;

std::int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Deadline {
    std::int64_t due;
    std::uint32_t client;
    std::uint32_t token;
    bool operator>(const Deadline& other) const { return due > other.due; }
};

// The server's CPU share between two readings, and its memory and socket drops now.
class ServerWatch {
public:
    ServerWatch(int pid, std::uint16_t port, std::int64_t now) : m_pid(pid), m_port(port) {
        Take(now, &m_start);
        m_last = m_start;
    }

    std::string Line(std::int64_t now, bool sinceStart) {
        if (m_pid == 0) return "";
        Sample sample;
        if (!Take(now, &sample)) return " server=gone";
        const Sample& from = sinceStart ? m_start : m_last;
        const double wall = static_cast<double>(sample.at - from.at) / 1e6;
        const double cpu = wall > 0 ? 100.0 * (sample.usage.cpuSeconds - from.usage.cpuSeconds) / wall : 0;
        m_last = sample;
        char text[160];
        std::snprintf(text, sizeof text, " server_cpu=%.1f%% server_rss_kb=%llu", cpu,
                      static_cast<unsigned long long>(sample.usage.rssKb));
        std::string line = text;
        // The system's socket table is long with many clients: read once, at the end.
        if (sinceStart) line += " server_drops=" + std::to_string(ReadUdpDrops(m_pid, m_port));
        return line;
    }

private:
    struct Sample {
        std::int64_t at = 0;
        ProcessReading usage;
    };
    bool Take(std::int64_t now, Sample* sample) {
        sample->at = now;
        return m_pid != 0 && ReadProcess(m_pid, &sample->usage);
    }
    int m_pid;
    std::uint16_t m_port;
    Sample m_start;
    Sample m_last;
};

void PrintCounters(const char* tag, double seconds, const LoadClients& clients, const LoadCounters& c,
                   const std::string& server) {
    std::printf("%s t=%.1f registered=%zu kept_alive=%zu logins=%llu accepted=%llu refused=%llu login_resends=%llu "
                "keepalives=%llu answered=%llu keepalive_lost=%llu relogon_demands=%llu logouts=%llu nat_detects=%llu "
                "other=%llu junk=%llu send_errors=%llu%s\n",
                tag, seconds, clients.Registered(), clients.KeptAlive(),
                static_cast<unsigned long long>(c.loginsSent), static_cast<unsigned long long>(c.loginsAccepted),
                static_cast<unsigned long long>(c.loginsRefused), static_cast<unsigned long long>(c.loginResends),
                static_cast<unsigned long long>(c.keepAlivesSent),
                static_cast<unsigned long long>(c.keepAlivesAnswered),
                static_cast<unsigned long long>(c.keepAlivesLost), static_cast<unsigned long long>(c.relogonDemands),
                static_cast<unsigned long long>(c.logoutsReceived), static_cast<unsigned long long>(c.natDetects),
                static_cast<unsigned long long>(c.otherPackets), static_cast<unsigned long long>(c.junk),
                static_cast<unsigned long long>(c.sendErrors), server.c_str());
    std::fflush(stdout);
}

// The server's main-thread CPU time at the start of each group's first logons, and once
// every first logon is answered.
class GroupCpu {
public:
    GroupCpu(int pid, std::uint32_t clients, std::uint32_t groups) : m_pid(pid), m_clients(clients), m_groups(groups) {}
    // Before first logon i is sent.
    void BeforeFirstLogon(std::size_t i) {
        if (m_pid != 0 && m_groups != 0 && i == m_clients * m_readings.size() / m_groups) Read();
    }
    void AllLoggedOn() {
        if (m_pid != 0 && m_readings.size() == m_groups) Read();
    }
    // Microseconds per logon of group g; -1 when unknown.
    double PerLogonUs(std::uint32_t g, std::size_t logons) const {
        if (g + 1 >= m_readings.size() || logons == 0 || m_readings[g] < 0 || m_readings[g + 1] < 0) return -1;
        return static_cast<double>(m_readings[g + 1] - m_readings[g]) / 1000.0 / static_cast<double>(logons);
    }

private:
    void Read() { m_readings.push_back(ReadMainThreadCpuNs(m_pid)); }
    int m_pid;
    std::size_t m_clients;
    std::size_t m_groups;
    std::vector<long long> m_readings;
};

void PrintLatencies(const LoadClients& clients, std::uint32_t groups, const GroupCpu& cpu) {
    const auto& all = clients.AllLogonMs();
    std::printf("RESULT latency_ms logons=%zu p50=%.2f p90=%.2f p99=%.2f max=%.2f\n", all.size(), Percentile(all, 50),
                Percentile(all, 90), Percentile(all, 99), Percentile(all, 100));
    const auto& first = clients.FirstLogonMs();
    for (std::uint32_t g = 0; g < groups; ++g) {
        const std::size_t begin = first.size() * g / groups;
        const std::size_t end = first.size() * (g + 1) / groups;
        std::vector<double> done;
        for (std::size_t i = begin; i < end; ++i) {
            if (first[i] >= 0) done.push_back(first[i]);
        }
        std::printf("GROUP index=%u clients=%zu logged_on=%zu p50_ms=%.2f p90_ms=%.2f max_ms=%.2f "
                    "server_cpu_us_per_logon=%.1f\n",
                    g, end - begin, done.size(), Percentile(done, 50), Percentile(done, 90), Percentile(done, 100),
                    cpu.PerLogonUs(g, end - begin));
    }
    std::fflush(stdout);
}

} // namespace

bool WriteSubscriberFile(const LoadOptions& options, std::string* error) {
    std::ofstream out(options.writeSubscribers, std::ios::trunc);
    for (std::uint32_t i = 0; i < options.clients && out; ++i) {
        out << options.firstNumber + i << ' ' << options.password << '\n';
    }
    out.close();
    if (!out) *error = "cannot write " + options.writeSubscribers;
    return static_cast<bool>(out);
}

bool RunLoad(const LoadOptions& options, std::string* error) {
    LoadSockets sockets;
    if (!sockets.Open(options, error)) return false;
    std::priority_queue<Deadline, std::vector<Deadline>, std::greater<>> deadlines;
    LoadClients clients(
        options.clients, options.firstNumber, options.password,
        [&](std::size_t i, const std::vector<std::uint8_t>& payload) {
            if (!sockets.Send(i, payload)) ++clients.Counters().sendErrors;
        },
        [&](std::size_t i, std::int64_t due, std::uint32_t token) {
            deadlines.push({due, static_cast<std::uint32_t>(i), token});
        });

    std::unique_ptr<EchoCalls> calls;
    if (options.echoCalls != 0) {
        calls = std::make_unique<EchoCalls>(
            options, [&](std::size_t i, const std::vector<std::uint8_t>& payload) { sockets.Send(i, payload); },
            [&](std::size_t i) {
                const LoadClient& c = clients.Client(i);
                return c.state == LoadClientState::Registered && c.keptAlive ? c.endpoint : 0u;
            });
        clients.SetEstablishHandler(
            [&](std::size_t i, const Packet& p, std::int64_t now) { calls->OnEstablish(i, p, now); });
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = kCallsTag;
        epoll_ctl(sockets.Epoll(), EPOLL_CTL_ADD, calls->Epoll(), &event);
    }

    const std::int64_t start = NowUs();
    const std::int64_t end = start + static_cast<std::int64_t>(options.durationSeconds) * 1000000;
    const std::int64_t reportUs = static_cast<std::int64_t>(options.reportSeconds) * 1000000;
    std::int64_t nextReport = reportUs > 0 ? start + reportUs : end;
    ServerWatch server(options.serverPid, options.serverPort, start);
    std::size_t nextFirst = 0;
    std::size_t firstLogonsDone = 0;
    GroupCpu groupCpu(options.serverPid, options.clients, options.groups);
    std::vector<epoll_event> events(kEventsPerWait);
    std::uint8_t buffer[kUdpMaxSend + 2];

    for (std::int64_t now = start; now < end; now = NowUs()) {
        // First logons at the given rate, from the run's start.
        while (nextFirst < options.clients &&
               start + static_cast<std::int64_t>(nextFirst) * 1000000 / options.rate <= now) {
            groupCpu.BeforeFirstLogon(nextFirst);
            clients.StartLogon(nextFirst++, now);
        }
        while (!deadlines.empty() && deadlines.top().due <= now) {
            const Deadline d = deadlines.top();
            deadlines.pop();
            clients.OnDeadline(d.client, d.token, now);
        }
        if (firstLogonsDone < options.clients) {
            while (firstLogonsDone < options.clients && clients.Client(firstLogonsDone).firstLogonDone) ++firstLogonsDone;
            if (firstLogonsDone == options.clients) groupCpu.AllLoggedOn();
        }
        if (options.untilLogons != 0 && clients.KeptAlive() == options.clients &&
            clients.Counters().loginsAccepted >= options.untilLogons) {
            break;
        }
        if (now >= nextReport && reportUs > 0) {
            PrintCounters("PROGRESS", static_cast<double>(now - start) / 1e6, clients, clients.Counters(),
                          server.Line(now, false));
            nextReport += reportUs;
        }
        std::int64_t wake = std::min({end, now + kLongestWaitUs, reportUs > 0 ? nextReport : end});
        if (!deadlines.empty()) wake = std::min(wake, deadlines.top().due);
        if (calls) wake = std::min(wake, calls->Poll(now));
        if (nextFirst < options.clients) wake = std::min(wake, start + static_cast<std::int64_t>(nextFirst) * 1000000 / options.rate);
        const int ready = epoll_wait(sockets.Epoll(), events.data(), kEventsPerWait,
                                     static_cast<int>(std::max<std::int64_t>(0, (wake - now + 999) / 1000)));
        const std::int64_t received = NowUs();
        for (int e = 0; e < ready; ++e) {
            if (events[e].data.u64 == kCallsTag) {
                calls->OnReadable(received);
                continue;
            }
            const std::size_t i = static_cast<std::size_t>(events[e].data.u64);
            for (int n = 0; n < kReadsPerEvent; ++n) {
                const ssize_t size = recv(sockets.Fd(i), buffer, sizeof buffer, 0);
                if (size < 0) break; // nothing more, or the server's port refused a datagram
                DatagramPayload payload;
                if (!DecodeDatagram(kUdpFlagScramble, buffer, static_cast<std::size_t>(size), &payload)) {
                    ++clients.Counters().junk;
                    continue;
                }
                clients.OnPayload(i, payload.data, payload.size, received);
            }
        }
    }
    const std::int64_t stop = NowUs();
    PrintCounters("RESULT", static_cast<double>(stop - start) / 1e6, clients, clients.Counters(),
                  server.Line(stop, true));
    PrintLatencies(clients, options.groups, groupCpu);
    if (calls) calls->PrintResult();
    return true;
}

} // namespace orv
