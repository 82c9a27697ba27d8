#include "handset/key_scan.h"

#include <array>

namespace orv::handset {
namespace {

constexpr std::array<int, 4> kRows = {30, 29, 23, 15};

struct KeyColumn {
    int columns;
    std::array<int, 4> keys; // per row, in kRows order
};
constexpr std::array<KeyColumn, 4> kKeyTable = {{
    {14, {1, 4, 7, 20}},
    {13, {2, 5, 8, 0}},
    {11, {3, 6, 9, 21}},
    {7, {40, 50, 30, 60}},
}};

} // namespace

int KeyAt(int columns, int row) {
    for (std::size_t r = 0; r < kRows.size(); ++r) {
        if (kRows[r] != row)
            continue;
        for (const KeyColumn& column : kKeyTable) {
            if (column.columns == columns)
                return column.keys[r];
        }
    }
    return kKeyNone;
}

int AdjustForProduct(int key, int productId) {
    if (productId == kProductRotatedKeys) {
        switch (key) {
        case 30: return 60;
        case 40: return 30;
        case 50: return 40;
        default: return key;
        }
    }
    if (productId == kProductSwappedKeys) {
        if (key == 40)
            return 60;
        if (key == 60)
            return 40;
    }
    return key;
}

int ScanOnce(const DeviceRegisters& regs, ScanFlags& flags, int productId) {
    using namespace handsetsys;
    std::uint8_t status = 0;
    if (regs.Read(kRegStatus, &status)) {
        const int hook = (status & 0x80) ? 1 : 0;
        if (hook != flags.lastHook) {
            flags.lastHook = hook;
            return hook ? kStatusOffHook : kStatusOnHook;
        }
    }
    std::uint8_t port = 0;
    if (!regs.Read(kRegPort, &port))
        return kKeyNone;
    port = static_cast<std::uint8_t>(flags.ring ? port | 0x40 : port & ~0x40);
    port = static_cast<std::uint8_t>(flags.lamp ? port | 0x80 : port & ~0x80);

    int found = kKeyNone;
    for (int row : kRows) {
        regs.Write(kRegDirection, 0xFF);
        regs.Write(kRegPort, static_cast<std::uint8_t>((port & 0xE0) | row));
        std::uint8_t columns = 0;
        if (!regs.Read(kRegColumns, &columns))
            continue;
        const int key = KeyAt(columns & 0x1F, row);
        if (key == kKeyNone)
            continue;
        found = key; // a later row wins
        for (int reads = 0; reads < kReleaseReads && (columns & 0x0F) != 0x0F; ++reads) {
            if (!regs.Read(kRegColumns, &columns))
                break;
        }
    }
    return found == kKeyNone ? kKeyNone : AdjustForProduct(found, productId);
}

} // namespace orv::handset
