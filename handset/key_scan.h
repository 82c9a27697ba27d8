// One pass over the handset's hook switch and keypad matrix.
#pragma once

#include "handset/device_registers.h"

namespace orv::handset {

constexpr int kKeyNone = -1;
constexpr int kStatusOffHook = 70;
constexpr int kStatusOnHook = 80;
constexpr int kStatusReady = 90;

// Products whose function keys sit elsewhere.
constexpr int kProductRotatedKeys = 45584;
constexpr int kProductSwappedKeys = 45586;

// The key code at a column value (low 5 bits of the column register) in a driven row
// (30, 29, 23 or 15), kKeyNone where the matrix has no key.
int KeyAt(int columns, int row);
// The code a product reports for a key of the common layout.
int AdjustForProduct(int key, int productId);

struct ScanFlags {
    bool ring = false;
    bool lamp = false;
    int lastHook = 0; // updated by the scan
};

// Reads the hook switch (a change is the scan's whole result), then the rows in turn,
// waiting up to kReleaseReads column reads for a found key's release. Returns the code to
// report (70, 80, a key adjusted for the product) or kKeyNone.
int ScanOnce(const DeviceRegisters& regs, ScanFlags& flags, int productId);

constexpr int kReleaseReads = 200;

} // namespace orv::handset
