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
    PutU16(p, static_cast<std::uint16_t>(count));
    p += 2;
    for (std::size_t i = 0; i < count; ++i) {
        PutU32(p, localAddresses[i]);
        PutU16(p + 4, 0);
        p += kLoginAddressSize;
    }
    return packet;
}

bool ParseResultAnswer(const std::uint8_t* body, std::size_t size, ResultAnswer* answer) {
    BodyReader r(body, size);
    answer->result = r.U8();
    std::uint32_t v = r.U32();
    answer->value = v;
    answer->reason = static_cast<std::int32_t>(v);
    return r.ok();
}

bool ParseServerAddressAnswer(const std::uint8_t* body, std::size_t size, ServerAddressAnswer* answer) {
    BodyReader r(body, size);
    answer->address = r.U32();
    answer->port = r.U16();
    return r.ok();
}

bool ParseLogoutNotice(const std::uint8_t* body, std::size_t size, LogoutNotice* notice) {
    BodyReader r(body, size);
    notice->endpointId = r.U32();
    notice->code = r.U32();
    return r.ok();
}

bool ParseCustomInfo(const std::uint8_t* body, std::size_t size, CustomInfo* info) {
    BodyReader r(body, size);
    info->customId = r.U32();
    info->customName = r.Text(64);
    info->bmsUrl = r.Text(64);
    return r.ok();
}

} // namespace orv
