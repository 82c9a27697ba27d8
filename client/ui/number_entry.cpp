#include "client/ui/number_entry.h"

namespace orv {

namespace {
// A number field longer than a number field on the wire is of no use; keys beyond it
// still play their tone.
constexpr std::size_t kMaxNumberLength = 31;
// DTMF digits are sent once a second; more than this in one second is a stuck key.
constexpr std::size_t kMaxDtmfLength = 64;

bool Talking(int callState) { return callState == kKeyStateTalking || callState == kKeyStateTalkingToo; }
} // namespace

std::string KeyTone(char c) {
    if (c >= '0' && c <= '9') return std::string(kToneDigitPrefix) + c;
    if (c == '*' || c == '#') return kTonePound;
    return std::string();
}

std::string NumberEntry::Type(char c, int callState) {
    std::string tone = KeyTone(c);
    if (tone.empty()) return tone; // swallowed
    if (callState == kKeyStateIdle) {
        if (number_.size() < kMaxNumberLength) number_ += c;
    } else if (Talking(callState)) {
        if (dtmf_.size() < kMaxDtmfLength) dtmf_ += c;
        if (number_.size() < kMaxNumberLength) number_ += c;
    }
    return tone;
}

std::string NumberEntry::Backspace(int callState) {
    if (callState == kKeyStateIdle && !number_.empty()) number_.pop_back();
    return kTonePound;
}

std::string NumberEntry::TakeDtmf() {
    std::string digits;
    digits.swap(dtmf_);
    return digits;
}

} // namespace orv
