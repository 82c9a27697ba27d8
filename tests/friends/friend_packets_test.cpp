// Friend packets: exact sizes and layout of what the client sends, round trips of every
// body, and refusal of every truncated body.
#include "client/friends/friend_packets.h"
#include "wire/byte_reader.h"
#include "wire/packet_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace orv {
namespace {

FriendEntry FullEntry() {
    FriendEntry e;
    e.record.recordId = 0x01020304;
    e.record.userId = "8001";
    e.record.friendName = "Åsa Öberg";           // UTF-8, 11 bytes
    e.record.phone = "010*5566";
    e.record.mobile = "1390000111122223333444455556666"; // 31: the most a field holds
    e.record.netPhone = "8002";
    e.record.email = "asa@example.org";
    e.record.group = "Colleagues";
    e.status = 3;
    return e;
}

const std::uint8_t* Body(const std::vector<std::uint8_t>& packet) { return packet.data() + kPacketHeaderSize; }
std::size_t BodySize(const std::vector<std::uint8_t>& packet) { return packet.size() - kPacketHeaderSize; }

void ExpectHeader(const std::vector<std::uint8_t>& packet, std::uint16_t type) {
    PacketHeader header;
    ASSERT_TRUE(ReadPacketHeader(packet.data(), packet.size(), &header));
    EXPECT_EQ(header.type, type);
    EXPECT_EQ(header.length, packet.size());
}

// Every body shorter than the full one must be refused.
template <typename T>
void ExpectTruncationsRefused(const std::vector<std::uint8_t>& packet,
                              bool (*parse)(const std::uint8_t*, std::size_t, T*)) {
    for (std::size_t size = 0; size < BodySize(packet); ++size) {
        std::vector<std::uint8_t> cut(Body(packet), Body(packet) + size); // exact size for ASan
        T out;
        EXPECT_FALSE(parse(cut.data(), cut.size(), &out)) << "body of " << size << " bytes";
    }
    T out;
    EXPECT_FALSE(parse(nullptr, 0, &out));
}

TEST(FriendPacketsTest, DetailsAreFetchedLastIdFirst) {
    EXPECT_EQ(FriendDetailFetchOrder({11, 22, 33}), (std::vector<std::uint32_t>{33, 22, 11}));
}

TEST(FriendPacketsTest, RequestsHaveTheirFixedSizesAndLayout) {
    auto index = BuildFriendIndexRequest();
    ExpectHeader(index, PKT_FRIEND_INDEX);
    EXPECT_EQ(index.size(), 8u);

    for (auto [packet, type] : {std::pair{BuildFriendDetailRequest(0xA1B2C3D4), PKT_FRIEND_DETAIL},
                                std::pair{BuildDelFriendRequest(0xA1B2C3D4), PKT_DEL_FRIEND}}) {
        ExpectHeader(packet, type);
        ASSERT_EQ(packet.size(), 12u);
        std::uint32_t id = 0;
        ASSERT_TRUE(ParseRecordIdRequest(Body(packet), BodySize(packet), &id));
        EXPECT_EQ(id, 0xA1B2C3D4u);
        EXPECT_EQ(packet[8], 0xD4); // little-endian
        ExpectTruncationsRefused(packet, &ParseRecordIdRequest);
    }

    const FriendEntry entry = FullEntry();
    auto set = BuildSetFriendRequest(entry);
    ExpectHeader(set, PKT_SET_FRIEND);
    ASSERT_EQ(set.size(), 205u);
    const std::uint8_t* record = Body(set);
    EXPECT_EQ(std::memcmp(record + 4, "8001\0", 5), 0);
    EXPECT_EQ(std::memcmp(record + 116, "8002\0", 5), 0);
    EXPECT_EQ(std::memcmp(record + 180, "Colleagues\0", 11), 0);
    EXPECT_EQ(record[84 + 31], 0);   // a full mobile field still ends with its zero byte
    EXPECT_EQ(set.back(), 3);        // status
    FriendEntry parsed;
    ASSERT_TRUE(ParseSetFriendRequest(Body(set), BodySize(set), &parsed));
    EXPECT_EQ(parsed, entry);
    ExpectTruncationsRefused(set, &ParseSetFriendRequest);
}

TEST(FriendPacketsTest, OverlongFieldsAreCutWhenPacked) {
    FriendEntry entry = FullEntry();
    entry.record.friendName = "abcdefghijklmnopqrstuvwxyz";
    entry.record.group = "ééééééééé"; // 18 bytes: cut to 14, not inside a character
    auto set = BuildSetFriendRequest(entry);
    FriendEntry parsed;
    ASSERT_TRUE(ParseSetFriendRequest(Body(set), BodySize(set), &parsed));
    EXPECT_EQ(parsed.record.friendName, "abcdefghijklmno");
    EXPECT_EQ(parsed.record.group, "ééééééé");
}

TEST(FriendPacketsTest, IndexAnswerRoundTripsAndDistrustsItsCount) {
    FriendIndexAnswer answer;
    answer.recordIds = {5, 0xFFFFFFFF, 1};
    auto packet = BuildFriendIndexAnswer(answer);
    ExpectHeader(packet, PKT_FRIEND_INDEX);
    FriendIndexAnswer parsed;
    ASSERT_TRUE(ParseFriendIndexAnswer(Body(packet), BodySize(packet), &parsed));
    EXPECT_FALSE(parsed.notReady);
    EXPECT_EQ(parsed.recordIds, answer.recordIds);
    ExpectTruncationsRefused(packet, &ParseFriendIndexAnswer);

    const std::uint8_t claimsMany[] = {0xFE, 0xFF, 1, 0, 0, 0}; // 65534 announced, one present
    EXPECT_FALSE(ParseFriendIndexAnswer(claimsMany, sizeof claimsMany, &parsed));

    FriendIndexAnswer notReady;
    notReady.notReady = true;
    packet = BuildFriendIndexAnswer(notReady);
    ASSERT_TRUE(ParseFriendIndexAnswer(Body(packet), BodySize(packet), &parsed));
    EXPECT_TRUE(parsed.notReady);
    EXPECT_TRUE(parsed.recordIds.empty());

    const std::uint8_t empty[] = {0, 0};
    ASSERT_TRUE(ParseFriendIndexAnswer(empty, sizeof empty, &parsed));
    EXPECT_FALSE(parsed.notReady);
    EXPECT_TRUE(parsed.recordIds.empty());
}

TEST(FriendPacketsTest, ResultAnswersRoundTripForSuccessFailureAndUnknownResults) {
    FriendDetailAnswer detail;
    detail.entry = FullEntry();
    FriendDetailAnswer detailParsed;
    auto packet = BuildFriendDetailAnswer(detail);
    ExpectHeader(packet, PKT_FRIEND_DETAIL);
    EXPECT_EQ(packet.size(), 8u + 1 + 196 + 1);
    ASSERT_TRUE(ParseFriendDetailAnswer(Body(packet), BodySize(packet), &detailParsed));
    EXPECT_EQ(detailParsed.result, 0);
    EXPECT_EQ(detailParsed.entry, detail.entry);
    ExpectTruncationsRefused(packet, &ParseFriendDetailAnswer);

    detail.result = kResultFailure;
    detail.reason = -2;
    packet = BuildFriendDetailAnswer(detail);
    ASSERT_TRUE(ParseFriendDetailAnswer(Body(packet), BodySize(packet), &detailParsed));
    EXPECT_EQ(detailParsed.result, 255);
    EXPECT_EQ(detailParsed.reason, -2);
    ExpectTruncationsRefused(packet, &ParseFriendDetailAnswer);

    SetFriendAnswer set;
    set.recordId = 0x8000000F;
    SetFriendAnswer setParsed;
    packet = BuildSetFriendAnswer(set);
    ExpectHeader(packet, PKT_SET_FRIEND);
    ASSERT_TRUE(ParseSetFriendAnswer(Body(packet), BodySize(packet), &setParsed));
    EXPECT_EQ(setParsed.recordId, set.recordId);
    ExpectTruncationsRefused(packet, &ParseSetFriendAnswer);
    set.result = kResultFailure;
    set.reason = -17;
    packet = BuildSetFriendAnswer(set);
    ASSERT_TRUE(ParseSetFriendAnswer(Body(packet), BodySize(packet), &setParsed));
    EXPECT_EQ(setParsed.result, 255);
    EXPECT_EQ(setParsed.reason, -17);
    ExpectTruncationsRefused(packet, &ParseSetFriendAnswer);

    DelFriendAnswer del;
    DelFriendAnswer delParsed;
    packet = BuildDelFriendAnswer(del);
    ExpectHeader(packet, PKT_DEL_FRIEND);
    ASSERT_TRUE(ParseDelFriendAnswer(Body(packet), BodySize(packet), &delParsed));
    EXPECT_EQ(delParsed.result, 0);
    del.result = kResultFailure;
    del.reason = -2;
    packet = BuildDelFriendAnswer(del);
    ASSERT_TRUE(ParseDelFriendAnswer(Body(packet), BodySize(packet), &delParsed));
    EXPECT_EQ(delParsed.reason, -2);
    ExpectTruncationsRefused(packet, &ParseDelFriendAnswer);
    EXPECT_TRUE(DelFriendAnswerRemoves(delParsed)); // -2: the server has no such record
    delParsed.reason = -3;
    EXPECT_FALSE(DelFriendAnswerRemoves(delParsed));
    EXPECT_TRUE(DelFriendAnswerRemoves(DelFriendAnswer{}));

    const std::uint8_t unknown[] = {7}; // neither success nor failure: nothing else is read
    ASSERT_TRUE(ParseSetFriendAnswer(unknown, 1, &setParsed));
    EXPECT_EQ(setParsed.result, 7);
    EXPECT_EQ(setParsed.recordId, 0u);
}

TEST(FriendPacketsTest, StatusPushRoundTrips) {
    FriendStatusPush push{1, 77};
    auto packet = BuildFriendStatusPush(push);
    ExpectHeader(packet, PKT_FRIEND_STATUS);
    EXPECT_EQ(packet.size(), 13u);
    FriendStatusPush parsed;
    ASSERT_TRUE(ParseFriendStatusPush(Body(packet), BodySize(packet), &parsed));
    EXPECT_EQ(parsed.status, 1);
    EXPECT_EQ(parsed.recordId, 77u);
    ExpectTruncationsRefused(packet, &ParseFriendStatusPush);
}

} // namespace
} // namespace orv
