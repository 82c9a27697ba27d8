// The control socket's commands (see control_server.h).
#include "handsetsys/control_server.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace orv::handsetsys {
namespace {

bool ParseInt(const std::string& text, long min, long max, long* value) {
    if (text.empty() || text.size() > 10)
        return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0' || v < min || v > max)
        return false;
    *value = v;
    return true;
}

std::string State(const VirtualHandset& handset) {
    const HandsetLines l = handset.Lines();
    char text[200];
    std::snprintf(text, sizeof text, "ok plugged=%d open=%d hook=%s ringer=%d lamp=%d product=%d keys=%d rejected=%u",
                  l.plugged, l.open, l.offHook ? "off" : "on", l.ringer, l.lamp, l.productId, l.heldKeys,
                  l.rejectedBlocks);
    return text;
}

std::string Dump(const VirtualHandset& handset) {
    std::string out = "ok";
    char word[8];
    for (std::uint16_t w : handset.Memory()) {
        std::snprintf(word, sizeof word, " %04x", w);
        out += word;
    }
    return out;
}

std::string Tap(VirtualHandset& handset, const std::vector<KeyPosition>& keys, int reads) {
    const HandsetLines lines = handset.Lines();
    if (!lines.plugged || !lines.open)
        return "error the handset is not plugged in and opened";
    if (!handset.Press(keys, reads))
        return "error too many keys held";
    if (handset.WaitKeysTaken(kTapTimeoutMs))
        return "ok";
    handset.ReleaseAll();
    return "error keys not scanned";
}

} // namespace

std::string RunControlCommand(VirtualHandset& handset, const ControlActions& actions, const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    std::vector<std::string> args;
    for (std::string a; in >> a;)
        args.push_back(a);

    if ((command == "plug" || command == "unplug") && args.empty()) {
        if (actions.plug)
            actions.plug(command == "plug");
        return "ok";
    }
    if ((command == "lift" || command == "replace") && args.empty()) {
        handset.SetOffHook(command == "lift");
        return "ok";
    }
    if (command == "product" && args.size() == 1) {
        long id = 0;
        if (!ParseInt(args[0], 1, 65535, &id))
            return "error product id is 1..65535";
        handset.SetProductId(static_cast<int>(id));
        return "ok";
    }
    if (command == "press" || command == "tap") {
        long reads = command == "tap" ? 1 : kHoldUntilReleased;
        std::vector<KeyPosition> keys;
        for (const std::string& a : args) {
            KeyPosition p;
            if (command == "tap" && a.rfind("reads=", 0) == 0) {
                if (!ParseInt(a.substr(6), 1, 100000, &reads))
                    return "error reads is 1..100000";
            } else if (FindKey(a, &p)) {
                keys.push_back(p);
            } else {
                return "error no key " + a;
            }
        }
        if (keys.empty())
            return "error no key given";
        if (command == "press")
            return handset.Press(keys, kHoldUntilReleased) ? "ok" : "error too many keys held";
        return Tap(handset, keys, static_cast<int>(reads));
    }
    if (command == "release" && args.empty()) {
        handset.ReleaseAll();
        return "ok";
    }
    if (command == "dial" && args.size() == 1) {
        for (char c : args[0]) {
            KeyPosition p;
            if (!FindKey(std::string(1, c), &p))
                return std::string("error no key ") + c;
        }
        for (char c : args[0]) {
            KeyPosition p;
            FindKey(std::string(1, c), &p);
            const std::string answer = Tap(handset, {p}, 1);
            if (answer != "ok")
                return answer;
        }
        return "ok";
    }
    if (command == "state" && args.empty())
        return State(handset);
    if (command == "dump" && args.empty())
        return Dump(handset);
    if (command == "write" && args.size() == 2) {
        long address = 0;
        long value = 0;
        if (!ParseInt(args[0], 0, MemoryChip::kWords - 1, &address) || !ParseInt(args[1], 0, 0xFFFF, &value))
            return "error write ADDRESS(0..63) VALUE(0..0xffff)";
        handset.PokeMemory(static_cast<int>(address), static_cast<std::uint16_t>(value));
        return "ok";
    }
    if (command == "fail" && args.size() == 1) {
        long count = 0;
        if (!ParseInt(args[0], 0, 1000, &count))
            return "error fail is 0..1000";
        handset.FailTransfers(static_cast<int>(count));
        return "ok";
    }
    return "error unknown command: " + command;
}

} // namespace orv::handsetsys
