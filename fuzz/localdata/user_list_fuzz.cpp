// "User.dat" reader: a valid file of 10 records, with the input XORed over its unscrambled
// bytes and its length cut by the first two input bytes, reads into at most 10 entries of
// bounded length and never reads outside the file.
#include "client/data/scramble.h"
#include "client/data/user_list_file.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> PlainTemplate() {
    std::vector<std::string> list;
    for (int i = 0; i < 10; ++i) list.push_back(std::to_string(8000 + i) + ",0123ABCD-4567EF01-89ABCDEF-FEDCBA98");
    auto bytes = orv::EncodeUserList(list, 1);
    orv::UnscrambleBlock(bytes.data(), bytes.size(), orv::kUserListKey);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::uint8_t> plain = PlainTemplate();
    if (size < 2) return 0;
    std::vector<std::uint8_t> file = plain;
    file.resize(((data[0] | (data[1] << 8)) % (plain.size() + 1)));
    for (std::size_t i = 2; i < size && !file.empty(); ++i) file[(i - 2) % file.size()] ^= data[i];
    const std::size_t whole = std::min(file.size() / orv::kUserRecordSize, orv::kMaxUserRecords) * orv::kUserRecordSize;
    orv::ScrambleBlock(file.data(), whole, orv::kUserListKey);
    // An exact-size copy, so that a read past the end shows under the address sanitizer.
    const std::vector<std::uint8_t> exact(file.begin(), file.end());
    const auto list = orv::DecodeUserList(exact.data(), exact.size());
    if (list.size() > orv::kMaxUserRecords || list.size() > exact.size() / orv::kUserRecordSize) std::abort();
    for (const auto& entry : list) {
        std::string number, digest;
        orv::SplitUserEntry(entry, &number, &digest);
        if (number.empty() || number.size() > 31 || digest.size() > 39) std::abort();
    }
    return 0;
}
