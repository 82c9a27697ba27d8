// "User.dat": scrambling, the 10-record limit, ordering, random filler, damaged files.
#include "client/data/scramble.h"
#include "client/data/user_list_file.h"
#include "tests/localdata/temp_folder.h"
#include "wire/byte_order.h"

#include <gtest/gtest.h>

#include <random>

namespace orv {
namespace {

using test::TempFolder;

TEST(Scramble, ChainsWordsThroughTheBlockLengthModulus) {
    // 14 bytes: three words, M = 14; the two trailing bytes stay as they are.
    std::vector<std::uint8_t> block(14);
    PutU32LE(block.data(), 0x11111111);
    PutU32LE(block.data() + 4, 0x22222222);
    PutU32LE(block.data() + 8, 0x33333333);
    block[12] = 0xAB;
    block[13] = 0xCD;
    const auto plain = block;
    ScrambleBlock(block.data(), block.size(), kUserListKey);
    EXPECT_EQ(GetU32LE(block.data()), 0x11111111u ^ 0x4E2A6C19u);
    EXPECT_EQ(GetU32LE(block.data() + 4), 0x22222222u ^ (0x5F3B7D08u % 14));
    EXPECT_EQ(GetU32LE(block.data() + 8), 0x33333333u ^ (0x22222222u % 14));
    EXPECT_EQ(block[12], 0xAB);
    EXPECT_EQ(block[13], 0xCD);
    UnscrambleBlock(block.data(), block.size(), kUserListKey);
    EXPECT_EQ(block, plain);
}

TEST(UserList, KeepsTheTenMostRecentAndMovesRestoredNumbersToTheFront) {
    TempFolder home;
    const std::string path = home.File(kUserListFile);
    std::vector<std::string> list;
    for (int i = 0; i < 11; ++i) {
        PutUserFirst(&list, std::to_string(8000 + i), "D" + std::to_string(i), false);
        ASSERT_TRUE(WriteUserListFile(path, list));
    }
    EXPECT_EQ(test::ReadBytes(path).size(), 10 * kUserRecordSize);
    auto stored = ReadUserListFile(path);
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored.front(), "8010,D10");
    EXPECT_EQ(stored.back(), "8001,D1"); // 8000 was the oldest and fell off

    // Storing a listed number moves it first and replaces its digest.
    PutUserFirst(&stored, "8005", "NEW", false);
    ASSERT_TRUE(WriteUserListFile(path, stored));
    stored = ReadUserListFile(path);
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[0], "8005,NEW");
    EXPECT_EQ(stored[1], "8010,D10");
    EXPECT_EQ(std::count_if(stored.begin(), stored.end(),
                            [](const std::string& e) { return e.rfind("8005,", 0) == 0; }),
              1);

    // Without a digest the entry is the number alone; with keep-no-digest it stays so.
    PutUserFirst(&stored, "8005", "", false);
    EXPECT_EQ(stored[0], "8005");
    PutUserFirst(&stored, "8005", "SOME", true);
    EXPECT_EQ(stored[0], "8005");
    PutUserFirst(&stored, "8010", "OTHER", true); // had a digest: takes the new one
    EXPECT_EQ(stored[0], "8010,OTHER");
}

TEST(UserList, EveryWriteHasFreshFillerAndOffsetsButReadsBackTheSame) {
    const std::vector<std::string> list = {"8001,F9C65759-7A4F54A0-07F476AB-839B2A9B", "8002", "13912345678,X"};
    const auto first = EncodeUserList(list, 1);
    const auto second = EncodeUserList(list, 2);
    ASSERT_EQ(first.size(), 3 * kUserRecordSize);
    EXPECT_NE(first, second);
    const std::vector<std::string> expected = {"8001,F9C65759-7A4F54A0-07F476AB-839B2A9B", "8002,",
                                               "13912345678,X"};
    EXPECT_EQ(DecodeUserList(first.data(), first.size()), expected);
    EXPECT_EQ(DecodeUserList(second.data(), second.size()), expected);

    // The offsets lie in their ranges in every record, over many seeds.
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        auto bytes = EncodeUserList(list, seed);
        UnscrambleBlock(bytes.data(), bytes.size(), kUserListKey);
        for (std::size_t r = 0; r < list.size(); ++r) {
            const std::uint16_t n = GetU16LE(bytes.data() + r * kUserRecordSize + 10);
            const std::uint16_t d = GetU16LE(bytes.data() + r * kUserRecordSize + 22);
            ASSERT_GE(n, 24);
            ASSERT_LE(n, 491);
            ASSERT_GE(d, 524);
            ASSERT_LE(d, 983);
        }
    }
}

TEST(UserList, LongTextsAreCutToTheirFields) {
    const std::string number(40, '7');
    const std::string digest(50, 'A');
    const auto bytes = EncodeUserList({number + "," + digest}, 5);
    EXPECT_EQ(DecodeUserList(bytes.data(), bytes.size()),
              std::vector<std::string>{std::string(31, '7') + "," + std::string(39, 'A')});
}

TEST(UserList, DamagedFilesKeepTheirGoodRecords) {
    const std::string d1 = "F9C65759-7A4F54A0-07F476AB-839B2A9B";
    const std::string d3 = "0123ABCD-4567EF01-89ABCDEF-FEDCBA98";
    const std::vector<std::string> list = {"8001," + d1, "8002", "8003," + d3, "8004"};
    const auto good = EncodeUserList(list, 9);

    // Cut short inside the third record, or after it: the whole records are read, although
    // the scrambling depends on the length the file had.
    EXPECT_EQ(DecodeUserList(good.data(), 2 * kUserRecordSize + 500),
              (std::vector<std::string>{"8001," + d1, "8002,"}));
    EXPECT_EQ(DecodeUserList(good.data(), 3 * kUserRecordSize),
              (std::vector<std::string>{"8001," + d1, "8002,", "8003," + d3}));
    EXPECT_EQ(DecodeUserList(good.data(), 1 * kUserRecordSize), (std::vector<std::string>{"8001," + d1}));
    EXPECT_TRUE(DecodeUserList(good.data(), 1000).empty());

    // The second record's number offset damaged: that record is skipped, the others kept.
    auto damaged = good;
    damaged[kUserRecordSize + 10] ^= 0xFF;
    damaged[kUserRecordSize + 11] ^= 0xFF;
    EXPECT_EQ(DecodeUserList(damaged.data(), damaged.size()),
              (std::vector<std::string>{"8001," + d1, "8003," + d3, "8004,"}));

    // Random bytes of any length: no crash, at most 10 entries of bounded length.
    std::mt19937 random(77);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> noise(random() % 12000);
        for (auto& b : noise) b = static_cast<std::uint8_t>(random());
        const auto read = DecodeUserList(noise.data(), noise.size());
        ASSERT_LE(read.size(), kMaxUserRecords);
        for (const auto& entry : read) ASSERT_LE(entry.size(), 31u + 1 + 39);
    }

    // A missing file is an empty list.
    TempFolder home;
    EXPECT_TRUE(ReadUserListFile(home.File("absent.dat")).empty());
}

} // namespace
} // namespace orv
