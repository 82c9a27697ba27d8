#include "client/data/user_list_file.h"

#include "client/data/atomic_file.h"
#include "client/data/scramble.h"
#include "wire/byte_order.h"
#include "wire/text_field.h"

#include <algorithm>
#include <random>

namespace orv {

namespace {

constexpr std::size_t kNumberOffsetField = 10;
constexpr std::size_t kDigestOffsetField = 22;
constexpr std::size_t kNumberFieldSize = 32;
constexpr std::size_t kDigestFieldSize = 40;
// Ranges of the two offsets: the number area ends before the digest area begins, and
// neither touches the offset words.
constexpr std::size_t kNumberOffsetMin = 24, kNumberOffsetSpan = 468; // 24..491
constexpr std::size_t kDigestOffsetMin = 524, kDigestOffsetSpan = 460; // 524..983

bool IsListText(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c > ' ' && c < 0x7F && c != ','; });
}

} // namespace

void SplitUserEntry(const std::string& entry, std::string* number, std::string* digest) {
    const std::size_t comma = entry.find(',');
    *number = entry.substr(0, comma);
    *digest = comma == std::string::npos ? std::string() : entry.substr(comma + 1);
}

namespace {

bool IsDigitsOnly(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "XXXXXXXX-XXXXXXXX-XXXXXXXX-XXXXXXXX" in upper-case hex.
bool IsDigestForm(const std::string& text) {
    if (text.size() != 35) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ok = i % 9 == 8 ? c == '-' : (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (!ok) return false;
    }
    return true;
}

// Decodes count records scrambled as a block of storedCount records. *wellFormed counts the
// records that look as this client writes them (a number of digits, no digest or a digest).
std::vector<std::string> DecodeRecords(const std::uint8_t* data, std::size_t count,
                                       std::size_t storedCount, std::size_t* wellFormed) {
    std::vector<std::uint8_t> block(data, data + count * kUserRecordSize);
    UnscrambleWithLength(block.data(), block.size(), storedCount * kUserRecordSize, kUserListKey);
    std::vector<std::string> list;
    *wellFormed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* record = block.data() + i * kUserRecordSize;
        const std::size_t n = GetU16LE(record + kNumberOffsetField);
        const std::size_t d = GetU16LE(record + kDigestOffsetField);
        if (n < kNumberOffsetMin || n >= kNumberOffsetMin + kNumberOffsetSpan ||
            d < kDigestOffsetMin || d >= kDigestOffsetMin + kDigestOffsetSpan) {
            continue; // damaged: its offsets would point outside their areas
        }
        const std::string number = GetTextField(record + n, kNumberFieldSize);
        const std::string digest = GetTextField(record + d, kDigestFieldSize);
        if (number.empty()) break;
        if (!IsListText(number) || !IsListText(digest)) continue; // damaged texts
        if (IsDigitsOnly(number) && (digest.empty() || IsDigestForm(digest))) ++*wellFormed;
        list.push_back(number + "," + digest);
    }
    return list;
}

} // namespace

std::vector<std::string> DecodeUserList(const std::uint8_t* data, std::size_t size) {
    const std::size_t count = std::min(size / kUserRecordSize, kMaxUserRecords);
    // The block length enters the scrambling, so a file cut short unscrambles wrongly with
    // its own length. When the file as read has records that do not look right, the longer
    // lengths it may have had are tried too, and a reading with more well-formed records wins.
    std::size_t bestScore = 0;
    std::vector<std::string> best = DecodeRecords(data, count, count, &bestScore);
    for (std::size_t stored = count + 1; bestScore < count && stored <= kMaxUserRecords; ++stored) {
        std::size_t score = 0;
        auto list = DecodeRecords(data, count, stored, &score);
        if (score > bestScore) {
            best = std::move(list);
            bestScore = score;
        }
    }
    return best;
}

std::vector<std::uint8_t> EncodeUserList(const std::vector<std::string>& list, std::uint32_t seed) {
    const std::size_t count = std::min(list.size(), kMaxUserRecords);
    std::vector<std::uint8_t> block(count * kUserRecordSize);
    std::mt19937 random(seed);
    auto random16 = [&random] { return static_cast<std::uint16_t>(random() >> 16); };
    for (std::size_t i = 0; i < count; ++i) {
        std::string number, digest;
        SplitUserEntry(list[i], &number, &digest);
        std::uint8_t* record = block.data() + i * kUserRecordSize;
        const std::uint16_t g = random16(), h = random16();
        for (std::size_t k = 0; k < kUserRecordSize; k += 2) PutU16LE(record + k, random16());
        const std::size_t n = g % kNumberOffsetSpan + kNumberOffsetMin;
        const std::size_t d = h % kDigestOffsetSpan + kDigestOffsetMin;
        PutU16LE(record + kNumberOffsetField, static_cast<std::uint16_t>(n));
        PutU16LE(record + kDigestOffsetField, static_cast<std::uint16_t>(d));
        PutTextField(record + n, kNumberFieldSize, number);
        PutTextField(record + d, kDigestFieldSize, digest);
    }
    ScrambleBlock(block.data(), block.size(), kUserListKey);
    return block;
}

std::vector<std::string> ReadUserListFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(path, kMaxUserRecords * kUserRecordSize, &bytes)) return {};
    return DecodeUserList(bytes.data(), bytes.size());
}

bool WriteUserListFile(const std::string& path, const std::vector<std::string>& list) {
    std::random_device entropy;
    return WriteFileAtomically(path, EncodeUserList(list, entropy()));
}

bool IsStorableUser(const std::string& number, const std::string& digest) {
    return !number.empty() && IsListText(number) && IsListText(digest);
}

void PutUserFirst(std::vector<std::string>* list, const std::string& number,
                  const std::string& digest, bool keepNoDigest) {
    std::string newDigest = digest;
    for (auto it = list->begin(); it != list->end(); ++it) {
        std::string listedNumber, listedDigest;
        SplitUserEntry(*it, &listedNumber, &listedDigest);
        if (listedNumber != number) continue;
        if (keepNoDigest && listedDigest.empty()) newDigest.clear();
        list->erase(it);
        break;
    }
    list->insert(list->begin(), newDigest.empty() ? number : number + "," + newDigest);
}

} // namespace orv
