// The friend information dialog: name, ORV number, telephone, mobile, e-mail and group of
// one friend, for a new friend or a change. OK hands the record to a submit function, which
// says whether it was sent; a refusal (empty or duplicate name, no session) shows its text
// and keeps the dialog open. Its texts follow a language change while it is open.
#pragma once

#include "client/friends/friend_record.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orv {

class TextTable;

class FriendInfoDialog : public QDialog {
public:
    // Returns 0 when the record was sent, else the number of the text that says why not
    // (-1: it could not be sent at all).
    using Submit = std::function<int(const FriendRecord& record)>;

    // groups: the group names to choose from (the default group, shown as "------", is
    // always the first choice).
    FriendInfoDialog(QWidget* parent, const TextTable& texts, const FriendRecord& record,
                     const std::vector<std::string>& groups, Submit submit);

    // The record as the fields hold it now.
    FriendRecord Record() const;

    QLineEdit* Name() const { return name_; }
    QLineEdit* Number() const { return number_; }
    QLineEdit* Phone() const { return phone_; }
    QLineEdit* Mobile() const { return mobile_; }
    QLineEdit* Email() const { return email_; }
    QComboBox* Group() const { return group_; }

    void accept() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();

    const TextTable& texts_;
    FriendRecord record_;
    Submit submit_;
    QLineEdit* name_ = nullptr;
    QLineEdit* number_ = nullptr;
    QLineEdit* phone_ = nullptr;
    QLineEdit* mobile_ = nullptr;
    QLineEdit* email_ = nullptr;
    QComboBox* group_ = nullptr;
    QGroupBox* box_ = nullptr;
    QFormLayout* form_ = nullptr;
    QLabel* hint_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace orv
