#include "client/account/acct_packets.h"

#include "wire/byte_reader.h"
#include "wire/byte_writer.h"
#include "wire/packet_header.h"

namespace orv {

namespace {

constexpr std::size_t kNumberField = 32;
constexpr std::size_t kPasswordField = 40;

} // namespace

std::vector<std::uint8_t> BuildAccountQuery(const std::string& number, const std::string& password) {
    ByteWriter w = StartPacket(PKT_ACCOUNT_QUERY, 0);
    w.Text(number, kNumberField);
    w.Text(password, kPasswordField);
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildAccountFill(const std::string& number, const std::string& password,
                                           const std::string& card, const std::string& cardPassword) {
    ByteWriter w = StartPacket(PKT_ACCOUNT_FILL, 0);
    w.Text(number, kNumberField);
    w.Text(password, kPasswordField);
    w.Text(card, kCardField);
    w.Text(cardPassword, kCardField);
    return FinishPacket(w);
}

bool ParseAccountAnswer(const std::uint8_t* message, std::size_t size, AccountAnswer* answer) {
    if (size != kAccountAnswerSize) return false;
    ByteReader r(message + kPacketHeaderSize, size - kPacketHeaderSize);
    answer->result = r.U8();
    answer->value = r.U32LE();
    return r.Ok();
}

} // namespace orv
