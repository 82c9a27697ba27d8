// "CallRecord.dat" loader: a valid file of six records, with the input XORed over its
// unscrambled bytes and its length cut by the first input byte, loads without harm, keeps
// only records of a known type that ended, and a second load and save change nothing.
#include "client/data/call_record_list.h"
#include "client/data/call_record.h"
#include "client/data/scramble.h"
#include "fuzz/localdata/fuzz_folder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace {

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> PlainTemplate() {
    std::vector<std::uint8_t> bytes(6 * orv::kCallRecordSize);
    for (std::uint32_t i = 0; i < 6; ++i) {
        orv::CallRecord record;
        record.sequence = i;
        record.callId = 100 + i;
        record.madeTime = record.talkStart = record.endTime = 1700000000 + i;
        record.caller = "800" + std::to_string(i);
        record.called = "8001";
        record.listType = i % 4;
        record.endKind = i == 5 ? 0 : 1 + i;
        orv::EncodeCallRecord(record, bytes.data() + i * orv::kCallRecordSize);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string home = orv::fuzz::MakeScratchFolder("orv-fuzz-callrecords");
    const std::string folder = home + "/8001";
    const std::string path = folder + "/CallRecord.dat";
    ::mkdir(folder.c_str(), 0755);

    static const std::vector<std::uint8_t> plain = PlainTemplate();
    if (size < 1) return 0;
    std::vector<std::uint8_t> file = plain;
    file.resize(plain.size() - data[0] % 200 + 100); // cut short, or with a torn tail
    for (std::size_t i = 1; i < size; ++i) file[(i - 1) % file.size()] ^= data[i];
    for (std::size_t at = 0; at + orv::kCallRecordSize <= file.size(); at += orv::kCallRecordSize) {
        orv::ScrambleBlock(file.data() + at, orv::kCallRecordSize, orv::kCallRecordKey);
    }
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }

    orv::CallRecordList first(home);
    if (first.Load("8001") != 1) std::abort();
    for (const auto& record : first.Records()) {
        if (record.listType >= orv::kCallListTypes || record.endKind < 1 || record.endKind > orv::kLastEndKind) std::abort();
        if (record.caller.size() > 31 || record.called.size() > 31) std::abort();
    }
    if (first.Save() != 1) std::abort();
    first.Flush(); // the list writes on a thread of its own
    const auto saved = ReadAll(path);
    if (saved.size() > file.size()) std::abort(); // nothing is invented

    orv::CallRecordList second(home);
    if (second.Load("8001") != 1 || second.Records().size() != first.Records().size()) std::abort();
    if (second.Save() != 1) std::abort();
    second.Flush();
    if (ReadAll(path) != saved) std::abort();
    return 0;
}
