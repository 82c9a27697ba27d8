#pragma once

#include <cstdint>

namespace orv {

// Converts whole units while the input holds one more and the output has room
// for one more: convert(inOffset, outOffset) handles one unit and returns
// false on failure. On success the lengths hold the bytes consumed and
// produced, and 0 is returned; on failure -1, lengths untouched.
template <typename Convert>
int ConvertWholeUnits(uint32_t& inLength, uint32_t inUnit, uint32_t& outLength, uint32_t outUnit,
                      Convert convert) {
    uint32_t consumed = 0;
    uint32_t produced = 0;
    while (inLength - consumed >= inUnit && outLength - produced >= outUnit) {
        if (!convert(consumed, produced)) return -1;
        consumed += inUnit;
        produced += outUnit;
    }
    inLength = consumed;
    outLength = produced;
    return 0;
}

} // namespace orv
