// The body of a client's login request as the client sends it: number, password digest,
// the bind information (that of no handset unless given), the client kind and no extra fields.
#pragma once

#include "server/user_packets.h"
#include "wire/byte_reader.h"
#include "wire/byte_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

inline std::vector<std::uint8_t> LoginBody(const std::string& number, const std::string& digest,
                                           const std::string& bindInfo = "00000000") {
    ByteWriter w;
    w.Text(number, kNumberField);
    w.Text(digest, kPasswordField);
    w.Text(bindInfo, kBindInfoField);
    w.U8(kClientKind);
    w.U16LE(0);
    return w.Get();
}

} // namespace orv
