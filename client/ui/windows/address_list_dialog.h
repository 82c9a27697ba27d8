// The import and export dialog of the address book (one dialog for both). Export lists the
// friends and writes them to an address list file. Import reads a file into a pending list
// that the user can thin out (Delete) before Commit sends it, asking about each name the
// address book already holds (Replace, Ignore, "Apply to all records").
#pragma once

#include "client/friends/address_list_commit.h"
#include "client/friends/friend_record.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace orv {

class FriendsCore;
class TextTable;

class AddressListDialog : public QDialog {
public:
    enum class Mode { Import, Export };
    // Asks for the file to write (save) or read; empty when cancelled. Empty function: the
    // desktop's file dialog.
    using ChooseFile = std::function<std::string(bool save)>;

    AddressListDialog(QWidget* parent, const TextTable& texts, FriendsCore& friends, Mode mode, ChooseFile choose);

    // Import: reads a file into the pending list. Export: writes the friends to a file.
    void Run();
    // Sends the pending records; closes the dialog unless the pending list was refused.
    void Commit();
    // Removes the selected rows from the pending list.
    void DeleteSelected();
    // The question about a duplicate name (default: the warning dialog).
    void SetDuplicateQuestion(DuplicateQuestion ask) { ask_ = std::move(ask); }

    const std::vector<FriendRecord>& Pending() const { return pending_; }
    QTreeWidget* List() const { return list_; }
    QPushButton* RunButton() const { return run_; }
    QPushButton* CommitButton() const { return commit_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void Fill(const std::vector<FriendRecord>& records);
    std::string Choose(bool save);
    void Show(const std::string& text);

    const TextTable& texts_;
    FriendsCore& friends_;
    Mode mode_;
    ChooseFile choose_;
    DuplicateQuestion ask_;
    std::vector<FriendRecord> pending_;
    QTreeWidget* list_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* commit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* details_ = nullptr;
};

// The warning about a name the address book already holds: Replace, Ignore and "Apply to
// all records"; closing it stops the commit.
DuplicateChoice AskDuplicate(QWidget* parent, const TextTable& texts, const std::string& name);

} // namespace orv
