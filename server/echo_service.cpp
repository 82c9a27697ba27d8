#include "server/echo_service.h"

#include "server/server_log.h"
#include "wire/media_header.h"

namespace orv {

namespace {
constexpr std::uint8_t kVersionMask = 0xC0;
constexpr std::uint8_t kVersion2 = 0x80;
} // namespace

bool EchoService::Echo(const std::uint8_t* data, std::size_t size, std::uint32_t ssrc,
                       std::vector<std::uint8_t>* out) {
    MediaHeader header;
    std::size_t payload = 0;
    if (!UnpackMediaHeader(data, size, header) || (header.versionByte & kVersionMask) != kVersion2 ||
        !FindMediaPayload(data, size, payload)) {
        return false;
    }
    header.versionByte = static_cast<std::uint8_t>(header.versionByte & ~0x0F); // no contributing sources
    header.ssrc = ssrc;
    out->resize(kMediaHeaderBytes + (size - payload));
    PackMediaHeader(header, out->data());
    std::copy(data + payload, data + size, out->begin() + kMediaHeaderBytes);
    return true;
}

void EchoService::OnDigits(std::uint32_t callId, const std::string& caller, const std::string& digits) const {
    ServerLog("echo service %s: call %u from %s sent digits %s", m_number.c_str(), callId, caller.c_str(),
              digits.c_str());
}

} // namespace orv
