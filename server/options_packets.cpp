#include "server/options_packets.h"

#include "server/user_packets.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"

namespace orv {

namespace {

constexpr std::size_t kForwardRecordSize = 1 + 4 * kNumberField;
constexpr std::size_t kSupportField = 32;

void WriteForward(ByteWriter& w, const ForwardSettings& s) {
    w.U8(s.enabled && !s.AllEmpty() ? 1 : 0);
    w.Text(s.offline, kNumberField);
    w.Text(s.busy, kNumberField);
    w.Text(s.noAnswer, kNumberField);
    w.Text(s.always, kNumberField);
}

} // namespace

bool ParseForwardBody(const std::uint8_t* body, std::size_t size, ForwardSettings* settings) {
    if (size != kForwardRecordSize) return false;
    ByteReader r(body, size);
    settings->enabled = r.U8() != 0;
    settings->offline = r.Text(kNumberField);
    settings->busy = r.Text(kNumberField);
    settings->noAnswer = r.Text(kNumberField);
    settings->always = r.Text(kNumberField);
    return r.Ok();
}

bool ParseSetPasswordBody(const std::uint8_t* body, std::size_t size, SetPasswordRequest* request) {
    if (size != kNumberField + 2 * kPasswordField) return false;
    ByteReader r(body, size);
    request->number = r.Text(kNumberField);
    request->oldDigest = r.Text(kPasswordField);
    request->newDigest = r.Text(kPasswordField);
    return r.Ok();
}

bool ParseSetBindOptionBody(const std::uint8_t* body, std::size_t size, SetBindOptionRequest* request) {
    if (size != kNumberField + kPasswordField + 1) return false;
    ByteReader r(body, size);
    request->number = r.Text(kNumberField);
    request->digest = r.Text(kPasswordField);
    request->option = static_cast<char>(r.U8());
    return r.Ok();
}

std::vector<std::uint8_t> BuildForwardAnswer(std::uint32_t seq, const ForwardSettings& settings) {
    ByteWriter w;
    w.U8(0);
    WriteForward(w, settings);
    return BuildPacket(kPktGetForward, seq, w.Get());
}

std::vector<std::uint8_t> BuildOfflineCalls(std::uint32_t seq, const std::vector<OfflineCall>& calls) {
    const std::size_t count = calls.size() < kMaxOfflineCalls ? calls.size() : kMaxOfflineCalls;
    ByteWriter w;
    w.U16LE(static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        w.U8(0);
        w.Text(calls[i].caller, kNumberField);
        w.Text(calls[i].called, kNumberField);
        w.U32LE(calls[i].time);
        w.U8(calls[i].kind);
    }
    return BuildPacket(kPktOfflineCalls, seq, w.Get());
}

std::vector<std::uint8_t> BuildSupportInfo(std::uint32_t seq, const std::vector<SupportEntry>& entries) {
    const std::size_t count = entries.size() < kMaxSupportEntries ? entries.size() : kMaxSupportEntries;
    ByteWriter w;
    w.U16LE(static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        w.Text(entries[i].number, kSupportField);
        w.Text(entries[i].text, kSupportField);
    }
    return BuildPacket(kPktSupportInfo, seq, w.Get());
}

std::vector<std::uint8_t> BuildBindOption(std::uint32_t seq, char option) {
    return BuildPacket(kPktQueryBindOption, seq, {static_cast<std::uint8_t>(option)});
}

std::vector<std::uint8_t> BuildServerAnswer(std::uint16_t type, std::uint32_t seq, bool withMode, std::uint32_t mode,
                                            std::uint32_t address, std::uint16_t port) {
    ByteWriter w = StartPacket(type, seq);
    w.U8(0);
    w.U32LE(0);
    if (withMode) w.U32LE(mode);
    const auto* octets = reinterpret_cast<const std::uint8_t*>(&address);
    w.Bytes(octets, 4);
    w.U16LE(port);
    return FinishPacket(w);
}

std::vector<std::uint8_t> BuildResultOnly(std::uint16_t type, std::uint32_t seq, std::uint8_t result) {
    return BuildPacket(type, seq, {result});
}

} // namespace orv
