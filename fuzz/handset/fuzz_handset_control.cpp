// The virtual handset's control commands with arbitrary lines (the control socket takes
// text from any local process), mixed with register transfers from arbitrary blocks: every
// answer is one line starting "ok" or "error", and the handset never holds more keys than
// its bound.
//
// Input: lines separated by '\n'; a line starting with 0x01 is instead a transfer block
// (its next 12 bytes over the block's first 12, then one data byte).
#include "handsetsys/control_server.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orv::handsetsys::VirtualHandset handset;
    orv::handsetsys::ControlActions actions{[&](bool plugged) { handset.SetPlugged(plugged); }};
    handset.SetPlugged(true);
    int product = 0;
    handset.Open(&product);
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        const std::string line = input.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line[0] == '\x01') {
            orv::handsetsys::TransferBlock block;
            std::memset(&block, 0, sizeof block);
            std::uint8_t byte = 0;
            std::memcpy(&block, line.data() + 1, std::min<std::size_t>(12, line.size() - 1));
            if (line.size() > 13)
                byte = static_cast<std::uint8_t>(line[13]);
            block.data = &byte;
            handset.Transfer(&block);
            continue;
        }
        // A tap waits for a scan that never comes here: keep the fuzzer fast.
        if (line.rfind("tap", 0) == 0 || line.rfind("dial", 0) == 0)
            continue;
        const std::string answer = orv::handsetsys::RunControlCommand(handset, actions, line);
        if (answer.rfind("ok", 0) != 0 && answer.rfind("error", 0) != 0)
            std::abort();
        if (answer.find('\n') != std::string::npos)
            std::abort();
        if (handset.Lines().heldKeys > static_cast<int>(orv::handsetsys::VirtualHandset::kMaxHeldKeys))
            std::abort();
    }
    return 0;
}
