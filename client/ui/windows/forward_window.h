// The call forwarding window: the enabled flag and the four numbers (any call, no answer,
// off line, busy). Modify checks every number (digits and "*" only, empty allowed) and
// sends the record, the numbers too when forwarding is switched off; the session's answer
// closes the window on success.
#pragma once

#include "client/userserver/option_packets.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QFormLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace orv {

class TextTable;
struct CoreEvent;

class ForwardWindow : public QDialog {
public:
    // send: hands the record to the session; false when it could not be sent.
    using Send = std::function<bool(const ForwardRecord& record)>;
    // current: the record as the session knows it now.
    using Current = std::function<ForwardRecord()>;
    ForwardWindow(QWidget* owner, const TextTable& texts, Current current, Send send);

    // The session's answer ("forward_set") and forwarding changes ("forward_info").
    void OnCoreEvent(const CoreEvent& event);
    // Checks and sends; false when a number was refused (nothing sent).
    bool Modify();

    QCheckBox* Enabled() const { return enabled_; }
    // 0 any call, 1 no answer, 2 off line, 3 busy.
    QLineEdit* Number(int index) const { return numbers_[index]; }
    QPushButton* ModifyButton() const { return modify_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void Fill(const ForwardRecord& record);
    void Retranslate();

    const TextTable& texts_;
    Current current_;
    Send send_;
    QCheckBox* enabled_ = nullptr;
    QLineEdit* numbers_[4] = {};
    QPushButton* modify_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QGroupBox* box_ = nullptr;
    QFormLayout* form_ = nullptr;
};

} // namespace orv
