// The invite dialog ("Inviting..."): a number typed in, or a friend chosen from the address
// book (which fills the number in).
#pragma once

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLineEdit;

namespace orv {

class TextTable;

class ConferenceInviteDialog : public QDialog {
public:
    // friends: (name, ORV number) of each address-book entry that has a number.
    ConferenceInviteDialog(QWidget* parent, const TextTable& texts,
                           const std::vector<std::pair<std::string, std::string>>& friends);

    std::string Number() const;
    QLineEdit* NumberField() const { return number_; }
    QComboBox* AddressBook() const { return book_; }

private:
    QLineEdit* number_ = nullptr;
    QComboBox* book_ = nullptr;
};

} // namespace orv
