// Cost of the user server's packet handling per datagram, with a table of N registrations:
// keep-alive (hash lookup), custom information (found by sender address) and logon
// (a SQLite lookup plus the registration, then the logout).
#include "server/server_log.h"
#include "server/user_packets.h"
#include "server/user_server.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/password_digest.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace orv;

std::vector<std::uint8_t> MakePacket(std::uint16_t type, std::uint32_t seq, const std::vector<std::uint8_t>& body) {
    return BuildPacket(type, seq, body);
}

std::vector<std::uint8_t> Login(const std::string& number) {
    ByteWriter w;
    w.Text(number, 32);
    w.Text(PasswordDigest(number, "pw"), 40);
    w.Text("00000000", 64);
    w.U8(2);
    w.U16LE(0);
    return MakePacket(0x0101, 1, w.Get());
}

// A server with `count` subscribers all logged on, each from its own port.
struct Fixture {
    explicit Fixture(int count) {
        SetServerLogEnabled(false);
        std::string error;
        db = SubscriberDb::Open(":memory:", &error);
        if (!db) std::abort();
        server = std::make_unique<UserServer>(*db, UserServerConfig{},
                                              [this](const std::vector<std::uint8_t>& p, const std::string&,
                                                     std::uint16_t) {
                                                  if (p.size() == 13 && p[1] == 0x01 && p[0] == 0x01) {
                                                      ByteReader r(p.data() + 9, 4);
                                                      lastEndpoint = r.U32LE();
                                                  }
                                              });
        for (int i = 0; i < count; ++i) {
            const std::string number = std::to_string(100000 + i);
            db->Add(number, "pw");
            const auto login = Login(number);
            server->OnDatagram(login.data(), login.size(), "127.0.0.1", Port(i), 0);
            endpoints.push_back(lastEndpoint);
        }
    }
    static std::uint16_t Port(int i) { return static_cast<std::uint16_t>(20000 + i); }

    std::unique_ptr<SubscriberDb> db;
    std::unique_ptr<UserServer> server;
    std::vector<std::uint32_t> endpoints;
    std::uint32_t lastEndpoint = 0;
};

void BM_KeepAlive(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    const int last = static_cast<int>(state.range(0)) - 1;
    ByteWriter body;
    body.U32LE(f.endpoints[last]);
    const auto packet = MakePacket(0x0103, 1, body.Get());
    for (auto _ : state) f.server->OnDatagram(packet.data(), packet.size(), "127.0.0.1", Fixture::Port(last), 1);
}
BENCHMARK(BM_KeepAlive)->Arg(10)->Arg(1000);

void BM_CustomInfo(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    const int last = static_cast<int>(state.range(0)) - 1;
    const auto packet = MakePacket(0x010D, 1, {});
    for (auto _ : state) f.server->OnDatagram(packet.data(), packet.size(), "127.0.0.1", Fixture::Port(last), 1);
}
BENCHMARK(BM_CustomInfo)->Arg(10)->Arg(1000)->Arg(100000);

// A logon followed by the client's logout, so the table keeps its size.
void BM_LoginLogout(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    const auto login = Login("100000");
    const std::uint16_t port = Fixture::Port(-1);
    for (auto _ : state) {
        f.server->OnDatagram(login.data(), login.size(), "127.0.0.1", port, 1);
        ByteWriter body;
        body.U32LE(f.lastEndpoint);
        body.U32LE(1);
        const auto logout = MakePacket(0x0102, 2, body.Get());
        f.server->OnDatagram(logout.data(), logout.size(), "127.0.0.1", port, 1);
    }
}
BENCHMARK(BM_LoginLogout)->Arg(10)->Arg(1000)->Arg(100000);

} // namespace

BENCHMARK_MAIN();
