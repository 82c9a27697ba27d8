// The main window's dial pad: it folds out over the tool and volume rows where the skin
// says, and its keys go the same way as typed keys (the number field when idle, tones to
// the peer while talking).
#include "client/ui/main_dialog.h"

#include "client/ui/dial_pad.h"

#include <QBoxLayout>

namespace orv {

void MainDialog::BuildDialPad(const std::string& skinFile) {
    const DialPadLook look = IsSkinned() ? ReadDialPadLook(skinFile) : DialPadLook{};
    const bool placed = !look.rect.isEmpty() && rect().contains(look.rect);
    auto* column = qobject_cast<QBoxLayout*>(layout());
    if (IsSkinned() ? !placed : column == nullptr) return; // a skin without a place for it: no pad
    DialPadActions actions;
    actions.key = [this](char c) { TypeKey(c); };
    actions.backspace = [this] { Backspace(); };
    actions.hide = [this] { ShowDialPad(false); };
    pad_ = new DialPad(look, std::move(actions), this);
    if (placed) pad_->setGeometry(look.rect);
    else column->insertWidget(column->count() - 1, pad_); // above the footer
    pad_->hide();
}

void MainDialog::ShowDialPad(bool shown) {
    if (pad_ == nullptr) return;
    pad_->setVisible(shown);
    if (shown) pad_->raise();
    setFocus(); // typed keys keep coming here
}

bool MainDialog::DialPadShown() const { return pad_ != nullptr && pad_->isVisible(); }

} // namespace orv
