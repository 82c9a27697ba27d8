// Arbitrary datagrams into the user server's packet handling. The input is a script of
// steps, so the fuzzer also reaches the states after a logon: each step is one op byte, a
// length byte and that many bytes. Ops: raw datagram from one of two client ports; a valid
// logon; a keep-alive of the latest endpoint; time passing with the timer; admin expiry.
#include "fuzz/common/step_script.h"
#include "server/server_log.h"
#include "server/user_packets.h"
#include "server/user_server.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/password_digest.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace orv;

std::vector<std::uint8_t> MakePacket(std::uint16_t type, std::uint32_t seq, const std::vector<std::uint8_t>& body) {
    return BuildPacket(type, seq, body);
}

std::vector<std::uint8_t> ValidLogin() {
    ByteWriter w;
    w.Text("8001", 32);
    w.Text(PasswordDigest("8001", "1111"), 40);
    w.Text("00000000", 64);
    w.U8(2);
    w.U16LE(0);
    return MakePacket(0x0101, 1, w.Get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One database for the run (opening one costs more than a whole input); each input
    // starts from the same subscriber state.
    static SubscriberDb* const db = [] {
        SetServerLogEnabled(false);
        std::string error;
        auto opened = SubscriberDb::Open(":memory:", &error);
        if (!opened || !opened->Add("8001", "1111")) std::abort();
        return opened.release();
    }();
    if (!db->SetState("8001", SubscriberState::Active) || !db->SetPassword("8001", "1111")) std::abort();
    // Friends and options of earlier inputs are gone too.
    if (sqlite3_exec(db->Handle(),
                     "DELETE FROM friends; DELETE FROM forwarding; DELETE FROM offline_calls;"
                     " UPDATE subscribers SET bind_option = '0';",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::abort();
    }

    std::uint32_t lastEndpoint = 0;
    UserServerConfig config;
    config.ttlSeconds = 3;
    config.natIntervalMs = 1000;
    UserServer server(*db, config, [&](const std::vector<std::uint8_t>& p, const std::string&, std::uint16_t) {
        // Every answer must be a well-formed packet whose length field matches.
        orv::Packet parsed;
        if (ParsePacket(p.data(), p.size(), &parsed) != PacketError::None) std::abort();
        if (parsed.header.type == kPktLogin && p.size() == 13 && p[8] == 0) {
            ByteReader r(p.data() + 9, 4);
            lastEndpoint = r.U32LE();
        }
    });
    static const std::vector<std::uint8_t> login = ValidLogin();

    std::uint32_t now = 0;
    StepScript script(data, size);
    while (const std::optional<FuzzStep> step = script.Next()) {
        const auto [op, len, chunk] = *step;
        const std::uint16_t port = (op & 0x80) != 0 ? 40002 : 40001;
        switch (op % 6) {
        case 0:
        case 1: server.OnDatagram(chunk, len, "127.0.0.1", port, now); break;
        case 2: server.OnDatagram(login.data(), login.size(), "127.0.0.1", port, now); break;
        case 3: {
            ByteWriter body;
            body.U32LE(lastEndpoint);
            const auto ka = MakePacket(kPktKeepAlive, len, body.Get());
            server.OnDatagram(ka.data(), ka.size(), "127.0.0.1", port, now);
            break;
        }
        case 4:
            now += (len + 1) * 250u;
            server.OnTimer(now);
            break;
        case 5: server.ExpireNumber("8001", now); break;
        }
    }
    // Whatever came in, a right logon still works (the input may have changed the password
    // through the service, which is fine; put it back first).
    if (!db->SetPassword("8001", "1111")) std::abort();
    lastEndpoint = 0;
    server.OnDatagram(login.data(), login.size(), "127.0.0.1", 40003, now);
    if (lastEndpoint == 0) std::abort();
    return 0;
}
