// The address book window: the friend list sorted by group or by on-line status with each
// friend's presence, following the friend-list events of the session live. Its commands
// (context menu, buttons and keys) add, change, delete, group and move friends, call a
// friend on one of their numbers, and export or import the address list file.
#pragma once

#include "client/friends/friend_record.h"

#include <QDialog>
#include <QIcon>
#include <functional>
#include <set>
#include <string>
#include <vector>

class QMenu;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class ClientConfig;
class FriendsCore;
class TextTable;
struct CoreEvent;

struct AddressBookServices {
    // Dials a number (the main window's Dial).
    std::function<void(const std::string& number)> dial;
    // The skin's image-list icon of that name ("FriendOnLine", ...); none when empty.
    std::function<QIcon(const char* name)> icon;
    // Asks for a file to write or read (empty: cancelled); default: the desktop's file dialog.
    std::function<std::string(bool save)> chooseFile;
    // Whether a friend may be invited into this side's conference now, and the invitation
    // (on the friend's ORV number); empty: the window offers no invitation.
    std::function<bool()> canInvite;
    std::function<void(const std::string& number)> invite;
};

class AddressBookWindow : public QDialog {
public:
    // config may be null (the sort choice is then not stored).
    AddressBookWindow(QWidget* owner, const TextTable& texts, FriendsCore& friends, ClientConfig* config,
                      AddressBookServices services);

    // The friend-list events: any change of the store redraws the list.
    void OnCoreEvent(const CoreEvent& event);
    // Draws the list again from the friend store.
    void Reload();
    void SortByStatus(bool byStatus);

    // Commands on the selected friend (or group).
    void AddFriend();
    void ModifySelected();
    void DeleteSelected();
    // kindText: 100 ORV number, 101 mobile, 102 telephone.
    void CallSelected(int kindText);
    // Invites the selected friend into this side's conference.
    void InviteSelected();
    void MoveSelected(const std::string& group);
    void AddGroup();
    void DeleteGroup(const std::string& group);
    void Export();
    void Import();

    QTreeWidget* Tree() const { return tree_; }
    // The friend row of that name, or null.
    QTreeWidgetItem* FriendItem(const std::string& name) const;
    bool SelectFriend(const std::string& name);
    // The context menu for the current row (owned by the window).
    QMenu* BuildMenu();

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    std::vector<FriendEntry> Entries(std::vector<std::string>* groups) const;
    const FriendEntry* Selected(const std::vector<FriendEntry>& entries) const;
    std::string SelectedGroup() const;
    void Send(FriendRecord record);
    void ShowText(int number);
    void ShowText(const std::string& text);

    const TextTable& texts_;
    FriendsCore& friends_;
    ClientConfig* config_;
    AddressBookServices services_;
    bool byStatus_ = false;
    std::set<std::string> localGroups_; // groups made here that hold no friend yet
    QTreeWidget* tree_ = nullptr;
    QRadioButton* sortGroup_ = nullptr;
    QRadioButton* sortStatus_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* modify_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* call_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace orv
