// orvcli's handset: the handset core with a number field of its own, so the handset's keys
// dial as they do in the desktop client's main window. The number field's changes and the
// tones asked for are told as events:
//   handset_number number=TEXT     the number field now
//   handset_tone tone=NAME repeat=0|1   (empty name: silence)
#pragma once

#include "client/core/handset_core.h"

#include <string>

namespace orv {

class ClientCore;

class CliHandset {
public:
    explicit CliHandset(ClientCore& core);

    bool Open() { return m_handset.Open(); }
    HandsetCore& Core() { return m_handset; }
    const std::string& NumberField() const { return m_number; }

private:
    HandsetWindow MakeWindow();
    void SetNumber(const std::string& number);

    ClientCore& m_core;
    std::string m_number;
    HandsetCore m_handset;
};

} // namespace orv
