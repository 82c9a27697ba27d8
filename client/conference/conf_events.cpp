#include "client/conference/conf_events.h"

#include "wire/byte_order.h"
#include "wire/text_field.h"

#include <cstring>

namespace orv {

namespace {

constexpr std::size_t kNumber = 32;

std::size_t BlockSize(int handlerCode) {
    switch (handlerCode) {
    case kConfEventStatus: return kConfSeatEntrySize;
    case kConfEventAlert:
    case kConfEventInvite: return 38;
    case kConfEventConnect: return 46;
    case kConfEventDisconnect: return 42;
    default: return 0;
    }
}

int HandlerCodeOf(int windowType) {
    switch (windowType) {
    case kConfWindowInvite: return kConfEventInvite;
    case kConfWindowStatus: return kConfEventStatus;
    case kConfWindowAlert: return kConfEventAlert;
    case kConfWindowConnect: return kConfEventConnect;
    case kConfWindowDisconnect: return kConfEventDisconnect;
    default: return 0;
    }
}

} // namespace

bool ConfEventHasBlock(int handlerCode) { return BlockSize(handlerCode) != 0; }

std::uint8_t* NewConfEventBlock(int handlerCode, const ConfSeatEntry& m) {
    const std::size_t size = BlockSize(handlerCode);
    if (size == 0) return nullptr;
    auto* b = new std::uint8_t[size]();
    if (handlerCode == kConfEventStatus) {
        PutConfSeatEntry(b, m);
        return b;
    }
    PutTextField(b, kNumber, m.number);
    PutU32LE(b + 32, m.endpoint);
    PutU16LE(b + 36, m.channel);
    if (handlerCode == kConfEventConnect) {
        for (int i = 0; i < 4; ++i) PutU16LE(b + 38 + 2 * i, m.media[i]);
    } else if (handlerCode == kConfEventDisconnect) {
        PutU32LE(b + 38, m.reason);
    }
    return b;
}

bool ReadConfWindowBlock(int windowType, const std::uint8_t* b, ConfSeatEntry* m) {
    const int code = HandlerCodeOf(windowType);
    if (code == 0 || b == nullptr) return false;
    if (code == kConfEventStatus) {
        *m = GetConfSeatEntry(b);
        return true;
    }
    *m = ConfSeatEntry{};
    m->number = GetTextField(b, kNumber);
    m->endpoint = GetU32LE(b + 32);
    m->channel = GetU16LE(b + 36);
    if (code == kConfEventConnect) {
        for (int i = 0; i < 4; ++i) m->media[i] = GetU16LE(b + 38 + 2 * i);
        m->status = kSeatConnected;
    } else if (code == kConfEventDisconnect) {
        m->reason = GetU32LE(b + 38);
    } else {
        m->status = code == kConfEventAlert ? kSeatAlerting : kSeatInvited;
    }
    return true;
}

} // namespace orv
