// Address list reader: any input either fails with a line number or gives records whose
// fields fit their limits and whose number fields hold digits and "*" only.
#include "client/friends/address_list_file.h"
#include "client/text/text_table.h"

#include <cstdlib>
#include <string_view>

namespace {

bool IsNumberText(const std::string& text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '*')) return false;
    return true;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const orv::TextTable* texts = [] {
        auto* table = new orv::TextTable;
        table->Fill();
        return table;
    }();
    const orv::AddressListResult result =
        orv::ParseAddressList(std::string_view(reinterpret_cast<const char*>(data), size), *texts);
    if (!result.ok) {
        Check(result.errorLine >= 1 && result.records.empty() && !result.message.empty());
        return 0;
    }
    Check(result.textNumber == 151);
    for (const orv::FriendRecord& r : result.records) {
        Check(r.friendName.size() <= 15 && r.group.size() <= 15 && r.email.size() <= 31);
        Check(r.netPhone.size() <= 31 && r.phone.size() <= 31 && r.mobile.size() <= 31);
        Check(IsNumberText(r.netPhone) && IsNumberText(r.phone) && IsNumberText(r.mobile));
    }
    return 0;
}
