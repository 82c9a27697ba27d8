// The 128-byte peer block that names the other party of a call: the dialled text, the
// matching friend's name, the kind of number that matched and the extension after "*".
#pragma once

#include <cstddef>

namespace orv {

constexpr std::size_t kPeerFieldSize = 32;

struct PeerBlock {
    char dialled[kPeerFieldSize] = {};   // bytes 0..31: the dialled text
    char name[kPeerFieldSize] = {};      // bytes 32..63: the friend's name, empty when none matched
    char kind[kPeerFieldSize] = {};      // bytes 64..95: "ORV Number", "Telephone" or "Mobile"
    char extension[kPeerFieldSize] = {}; // bytes 96..127: the dialled text after the first "*"
};
static_assert(sizeof(PeerBlock) == 128);

} // namespace orv
