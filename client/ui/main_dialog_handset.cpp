// The main window as the handset's window: the handset's keys type into the number field,
// its dial key is the call button, its redial key the redial button, and the tones it asks
// for go to the window's tone player.
#include "client/core/handset_core.h"
#include "client/ui/main_dialog.h"

namespace orv {

HandsetWindow MainDialog::HandsetHooks() {
    HandsetWindow hooks;
    hooks.raise = [this] { RestoreFromTray(); };
    hooks.type = [this](char c) {
        if (c == '\b') Backspace();
        else TypeKey(c);
    };
    hooks.number = [this] { return entry_.Number(); };
    hooks.setNumber = [this](const std::string& number) {
        entry_.SetNumber(number);
        if (number.empty()) line_.Clear();
        else line_.Show(number);
        Refresh();
    };
    hooks.playTone = [this](const std::string& tone, bool repeat) {
        if (tone.empty()) SilenceTones();
        else PlayTone(tone, repeat);
    };
    hooks.callState = [this] { return CallState(); };
    hooks.callOrAccept = [this] { CallOrAccept(); };
    hooks.hangUp = [this] { HangUp(); };
    hooks.redial = [this] { Redial(); };
    return hooks;
}

bool MainDialog::HandsetRings() const { return services_.handsetPresent && services_.handsetPresent(); }

} // namespace orv
