// The account dialog ("Account Management"): the balance with its Query button, and the
// refill with a card number and card password. What the buttons and answers mean lives in
// the core's account behaviour; this window shows its events.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace orv {

class ClientCore;
struct CoreEvent;

class AccountDialog : public QDialog {
public:
    // Asks the balance at once.
    AccountDialog(QWidget* owner, ClientCore& core);

    // The core's account events: the balance field, the emptied card fields, the messages.
    void OnCoreEvent(const CoreEvent& event);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Refill();
    void Tell(const CoreEvent& event);

    ClientCore& core_;
    QLineEdit* balance_;
    QLineEdit* card_;
    QLineEdit* password_;
    QPushButton* query_;
    QPushButton* refill_;
};

} // namespace orv
