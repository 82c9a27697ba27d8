#include "client/userserver/user_serv_packets.h"

#include <algorithm>
#include <cstdio>

namespace orv {

namespace {
constexpr std::size_t kLoginFixedSize = kPacketHeaderSize + kNumberField + kPasswordField + kBindInfoField + 1 + 2;
constexpr std::size_t kLoginAddressSize = 6;
} // namespace

std::string FormatBindInfo(std::uint32_t bindValue) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08x", bindValue);
    return text;
}

std::vector<std::uint8_t> BuildLoginRequest(const char* number, const char* password, const std::string& bindInfo,
                                            const std::vector<std::uint32_t>& localAddresses) {
    std::size_t count = std::min(localAddresses.size(), kMaxLoginAddresses);
    std::vector<std::uint8_t> packet(kLoginFixedSize + kLoginAddressSize * count, 0);
    std::uint8_t* p = packet.data() + kPacketHeaderSize;
    PutTextField(p, kNumberField, number);
    p += kNumberField;
    PutTextField(p, kPasswordField, password);
    p += kPasswordField;
    PutTextField(p, kBindInfoField, bindInfo.c_str());
    p += kBindInfoField;
    *p++ = kClientKind;
    PutU16LE(p, static_cast<std::uint16_t>(count));
    p += 2;
    for (std::size_t i = 0; i < count; ++i) {
        PutU32LE(p, localAddresses[i]);
        PutU16LE(p + 4, 0);
        p += kLoginAddressSize;
    }
    return packet;
}

bool ParseResultAnswer(const std::uint8_t* body, std::size_t size, ResultAnswer* answer) {
    ByteReader r(body, size);
    answer->result = r.U8();
    std::uint32_t v = r.U32LE();
    answer->value = v;
    answer->reason = static_cast<std::int32_t>(v);
    return r.Ok();
}

bool ParseServerAddressAnswer(const std::uint8_t* body, std::size_t size, ServerAddressAnswer* answer) {
    ByteReader r(body, size);
    answer->address = r.U32LE();
    answer->port = r.U16LE();
    return r.Ok();
}

bool ParseLogoutNotice(const std::uint8_t* body, std::size_t size, LogoutNotice* notice) {
    ByteReader r(body, size);
    notice->endpointId = r.U32LE();
    notice->code = r.U32LE();
    return r.Ok();
}

bool ParseCustomInfo(const std::uint8_t* body, std::size_t size, CustomInfo* info) {
    ByteReader r(body, size);
    info->customId = r.U32LE();
    info->customName = r.TextFull(64);
    info->bmsUrl = r.TextFull(64);
    return r.Ok();
}

} // namespace orv
