// Arbitrary bytes as what the live update reads from the wire and the signed list: the file
// list answer, the file data answer, the download request (server side) and the signature
// file. What parses must build back to the same bytes, data must lie inside the message, and
// every name taken as a plain file name must give a path inside the program folder.
#include "client/update/update_target.h"
#include "wire/byte_order.h"
#include "wire/update_messages.h"
#include "wire/update_signature.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void CheckName(const std::string& name) {
    const std::string target = orv::UpdateTargetPath("/opt/orv", {name, 4, 1});
    if (!target.empty() && !orv::IsPathInsideFolder("/opt/orv", target)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orv;
    std::vector<std::uint8_t> message(data, data + size); // exactly sized: reads past it are caught

    std::vector<FileRecord> files;
    if (ParseFileListAnswer(message.data(), message.size(), &files)) {
        // The builder writes at most kMaxListedFiles records with terminated names; a list
        // within those bounds builds back to the same records.
        const bool buildable = files.size() <= kMaxListedFiles &&
                               std::all_of(files.begin(), files.end(),
                                           [](const FileRecord& f) { return f.name.size() < kFileNameField; });
        if (buildable) {
            const std::vector<std::uint8_t> again = BuildFileListAnswer(GetU32LE(message.data() + 4), files);
            std::vector<FileRecord> back;
            if (!ParseFileListAnswer(again.data(), again.size(), &back) || back != files) std::abort();
        }
        for (const FileRecord& f : files) CheckName(f.name);
    }

    FileDataAnswer answer;
    if (ParseFileDataAnswer(message.data(), message.size(), &answer)) {
        if (answer.data < message.data() || answer.data + answer.size != message.data() + message.size()) std::abort();
        CheckName(answer.file.name);
    }

    std::string name;
    std::uint32_t start = 0;
    if (ParseDownFile(message.data(), message.size(), &name, &start)) {
        if (name.size() > kFileNameField) std::abort();
        CheckName(name);
    }

    static const UpdatePublicKey key = [] {
        UpdatePublicKey k{};
        std::memset(k.data(), 0x5A, k.size());
        return k;
    }();
    std::vector<SignedFile> signedFiles;
    std::string error;
    if (VerifyFileList(std::string(message.begin(), message.end()), key, &signedFiles, &error)) {
        for (const SignedFile& f : signedFiles) CheckName(f.name);
    }
    return 0;
}
