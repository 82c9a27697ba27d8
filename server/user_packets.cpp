#include "server/user_packets.h"

#include "wire/byte_reader.h"
#include "wire/byte_writer.h"

namespace orv {

namespace {

constexpr std::size_t kLoginFixedBody = kNumberField + kPasswordField + kBindInfoField + 1 + 2;
constexpr std::size_t kLoginAddressSize = 6;

} // namespace

bool ParseLoginRequest(const std::uint8_t* body, std::size_t size, LoginRequest* request) {
    if (size < kLoginFixedBody) return false;
    ByteReader r(body, size);
    request->number = r.Text(kNumberField);
    request->digest = r.Text(kPasswordField);
    request->bindInfo = r.Text(kBindInfoField);
    request->clientKind = r.U8();
    const std::uint16_t count = r.U16LE();
    // The count is only believed when the body holds exactly that many addresses.
    if (!r.Ok() || r.Remaining() != static_cast<std::size_t>(count) * kLoginAddressSize) return false;
    request->localAddresses.clear();
    request->localAddresses.reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        request->localAddresses.push_back(r.U32LE()); // a number, first octet most significant
        r.U16LE();                                    // port, always 0
    }
    return r.Ok();
}

bool ParseEndpointBody(const std::uint8_t* body, std::size_t size, std::uint32_t* endpoint) {
    if (size != 4) return false;
    ByteReader r(body, size);
    *endpoint = r.U32LE();
    return r.Ok();
}

bool ParseLogoutBody(const std::uint8_t* body, std::size_t size, std::uint32_t* endpoint, std::uint32_t* code) {
    if (size != 8) return false;
    ByteReader r(body, size);
    *endpoint = r.U32LE();
    *code = r.U32LE();
    return r.Ok();
}

std::vector<std::uint8_t> BuildPacket(std::uint16_t type, std::uint32_t seq, const std::vector<std::uint8_t>& body) {
    ByteWriter w = StartPacket(type, seq);
    w.Bytes(body.data(), body.size());
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildHeaderOnly(std::uint16_t type, std::uint32_t seq) {
    ByteWriter w = StartPacket(type, seq);
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildSuccess(std::uint16_t type, std::uint32_t seq, std::uint32_t value) {
    ByteWriter w = StartPacket(type, seq);
    w.U8(0);
    w.U32LE(value);
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildFailure(std::uint16_t type, std::uint32_t seq, std::int32_t reason) {
    ByteWriter w = StartPacket(type, seq);
    w.U8(255);
    w.U32LE(static_cast<std::uint32_t>(reason));
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildServerAddress(std::uint32_t seq, std::uint32_t address, std::uint16_t port) {
    ByteWriter w = StartPacket(kPktQuerySvrIPPort, seq);
    const auto* octets = reinterpret_cast<const std::uint8_t*>(&address);
    w.Bytes(octets, 4);
    w.U16LE(port);
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildLogoutNotice(std::uint32_t seq, std::uint32_t endpoint, std::uint32_t code) {
    ByteWriter w = StartPacket(kPktLogout, seq);
    w.U32LE(endpoint);
    w.U32LE(code);
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildNatDetect(std::uint32_t seq) { return BuildHeaderOnly(kPktNatDetect, seq); }

std::vector<std::uint8_t> BuildCustomInfo(std::uint32_t seq, const CustomInfo& info) {
    ByteWriter w = StartPacket(kPktCustomInfo, seq);
    w.U32LE(info.id);
    w.Text(info.name, kCustomTextField);
    w.Text(info.url, kCustomTextField);
    return FinishPacket(w);
}

} // namespace orv
