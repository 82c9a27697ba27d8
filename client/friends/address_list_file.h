// The address list text file: one friend per line, six fields (name, group, ORV number,
// telephone, mobile, e-mail). Export writes them joined by ", " with CR LF line ends; import
// reads them back with the checks below. No window here: the address book window and orvcli
// show the returned message text themselves.
#pragma once

#include "client/friends/friend_record.h"

#include <string>
#include <string_view>
#include <vector>

namespace orv {

class TextTable;

// Lines longer than this make the file unreadable.
constexpr std::size_t kMaxAddressLineLength = 500;

struct AddressListResult {
    bool ok = false;
    int textNumber = 0;  // the text shown: 147/148 export, 149/151/155/156 import
    std::string message; // that text with its places filled
    int errorLine = 0;   // import: the line (from 1) that stopped the reading
    std::vector<FriendRecord> records; // import: the pending records, on success only
};

// Writes every entry's six fields in order to path (created or truncated).
AddressListResult ExportAddressList(const std::string& path, const std::vector<FriendEntry>& entries,
                                    const TextTable& texts);

// Reads the file at path into pending records (RecordID 0, no owner number yet).
AddressListResult ImportAddressList(const std::string& path, const TextTable& texts);
// The same reading over text already in memory.
AddressListResult ParseAddressList(std::string_view content, const TextTable& texts);

} // namespace orv
