// The handset library's register-level code against a driver that answers anything: each
// transfer succeeds or fails and each read gives a byte, both from the input. The key scan
// must report only codes the key table and hook switch can give, the memory protocol must
// end within its bounded polls, and the client's memory layout must decode any contents to
// a number of at most 31 characters that encodes back to the same words.
//
// Input: byte 0 = product selector and scan flags, byte 1 = key byte, bytes 2..33 = sixteen
// stored number words, the rest = the driver's answers (bit 7 of an answer byte fails the
// transfer when the next byte is odd).
#include "client/handset/handset_memory.h"
#include "handset/key_scan.h"
#include "handset/serial_memory.h"

#include <cstdlib>
#include <set>

namespace {

const std::uint8_t* g_data = nullptr;
std::size_t g_size = 0;
std::size_t g_pos = 0;

std::uint8_t Next() { return g_pos < g_size ? g_data[g_pos++] : 0xFF; }

int Driver(std::uint32_t operation, std::uintptr_t, std::uintptr_t second) {
    if (operation != orv::handsetsys::kOpTransfer || second == 0)
        std::abort();
    auto* block = reinterpret_cast<orv::handsetsys::TransferBlock*>(second);
    if (block->kind != 4 || block->reserved1 != 0 || block->reserved2[0] != 0 || block->reserved2[1] != 0)
        std::abort(); // unused bytes must be zero
    const std::uint8_t answer = Next();
    if ((answer & 0x80) && (Next() & 1))
        return 0;
    if (block->read)
        *block->data = answer;
    return 1;
}

void CheckNumber(std::uint8_t key, const std::uint8_t* words) {
    orv::OrvNumberReader reader(key);
    for (int i = 0; i < orv::kHandsetNumberWords && !reader.Done(); ++i)
        reader.Add(static_cast<std::uint16_t>(words[2 * i] | (words[2 * i + 1] << 8)));
    const std::string& number = reader.Number();
    if (!reader.Done() || number.size() > orv::kHandsetNumberMax || number.find('\0') != std::string::npos)
        std::abort();
    std::vector<std::uint16_t> encoded;
    if (!orv::OrvNumberToWords(number, key, &encoded))
        std::abort();
    orv::OrvNumberReader again(key);
    for (std::uint16_t w : encoded)
        again.Add(w);
    if (again.Number() != number)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 34)
        return 0;
    CheckNumber(data[1], data + 2);
    g_data = data + 34;
    g_size = size - 34;
    g_pos = 0;

    static const std::set<int> kCodes = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 20, 21, 30, 40, 50, 60, 70, 80};
    const int products[] = {0, 45584, 45586, 45585};
    const int product = products[data[0] & 3];
    const orv::handset::DeviceRegisters regs(&Driver);
    orv::handset::ScanFlags flags;
    flags.ring = data[0] & 4;
    flags.lamp = data[0] & 8;
    flags.lastHook = (data[0] >> 4) & 1;
    while (g_pos < g_size) {
        if (kCodes.count(orv::handset::ScanOnce(regs, flags, product)) == 0)
            std::abort();
        std::uint16_t word = 0;
        orv::handset::ReadMemoryWord(regs, Next() & 63, &word);
        orv::handset::WriteMemoryWord(regs, Next() & 63, word);
    }
    return 0;
}
