// The main window's number field and DTMF buffer: what each typed key does in each call
// state, and which key tone it plays. No drawing here, so the rules are tested alone.
#pragma once

#include <string>

namespace orv {

// Call states the keyboard rules tell apart (the process-wide call state 0..8).
constexpr int kKeyStateIdle = 0;
constexpr int kKeyStateTalking = 5;
constexpr int kKeyStateTalkingToo = 6;

// Key tone resources.
constexpr char kToneDigitPrefix[] = "IDR_WAVE"; // followed by the digit
constexpr char kTonePound[] = "IDR_WAVEPOUND";

class NumberEntry {
public:
    // One typed character in call state `callState`. Returns the tone to play (empty for
    // none). Digits, "*" and "#" go to the number field when idle, to the DTMF buffer and
    // the number field while talking, and are only played in every other state; any other
    // character is swallowed.
    std::string Type(char c, int callState);
    // Backspace: plays the pound tone; removes the last character only when idle.
    std::string Backspace(int callState);

    const std::string& Number() const { return number_; }
    void SetNumber(const std::string& number) { number_ = number; }
    void ClearNumber() { number_.clear(); }

    bool HasDtmf() const { return !dtmf_.empty(); }
    // The buffered DTMF digits; the buffer is empty afterwards.
    std::string TakeDtmf();
    void ClearDtmf() { dtmf_.clear(); }

private:
    std::string number_;
    std::string dtmf_;
};

// The tone a key plays: "IDR_WAVE<digit>" for digits, the pound tone for "*" and "#", empty
// for anything else.
std::string KeyTone(char c);

} // namespace orv
