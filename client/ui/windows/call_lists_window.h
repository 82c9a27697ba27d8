// The call lists window: the finished calls of one list type at a time (missed by
// default, received, dialled, offline). Showing a list marks its records as seen, which
// lowers the main window's missed and offline counts. The user can call back, add the
// number to the address book, delete records or empty the list.
#pragma once

#include "client/data/call_record.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace orv {

class CallRecordList;
class FriendsCore;
class FriendStore;
class TextTable;

struct CallListsServices {
    // Dials a number (the main window's Dial).
    std::function<void(const std::string& number)> dial;
    // The unseen counts changed: redraw the main window.
    std::function<void()> refreshMain;
};

class CallListsWindow : public QDialog {
public:
    // friends and store may be null (no names, no Add to Book).
    CallListsWindow(QWidget* owner, const TextTable& texts, CallRecordList& records, FriendsCore* friends,
                    FriendStore* store, CallListsServices services);

    // Fills the list with the records of that type (kMissedCall ...).
    void ShowType(std::uint32_t listType);
    std::uint32_t Type() const { return type_; }

    QTreeWidget* List() const { return list_; }
    QRadioButton* TypeButton(std::uint32_t listType) const;
    QPushButton* CallButton() const { return call_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPushButton* DeleteAllButton() const { return deleteAll_; }

    void DeleteSelected();
    void DeleteAll();
    void CallSelected();
    void AddSelectedToBook();

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void AddRow(const CallRecord& record);
    void EnableButtons();
    void FitColumns();
    std::string RowNumber(int row) const;
    void DeleteRows(const std::vector<int>& rows);

    const TextTable& texts_;
    CallRecordList& records_;
    FriendsCore* friends_;
    FriendStore* store_;
    CallListsServices services_;
    std::uint32_t type_ = kMissedCall;
    std::vector<CallRecord> rows_; // each row's private copy, in row order
    QRadioButton* types_[kCallListTypes] = {};
    QTreeWidget* list_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* call_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* deleteAll_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QGroupBox* typeBox_ = nullptr;
    QLabel* details_ = nullptr;
};

// Which kind of number a call-list number is, asked in a small dialog: 100 ORV number,
// 101 mobile, 102 telephone; 0 when cancelled.
int AskNumberKind(QWidget* parent, const TextTable& texts);

} // namespace orv
