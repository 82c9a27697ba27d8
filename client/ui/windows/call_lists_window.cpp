#include "client/ui/windows/call_lists_window.h"

#include "client/core/friends_core.h"
#include "client/data/call_record_list.h"
#include "client/friends/friend_store.h"
#include "client/friends/peer_block.h"
#include "client/friends/text_format.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/friend_info_dialog.h"
#include "client/ui/windows/window_style.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <ctime>

namespace orv {

namespace {
constexpr int kTextTitle = 207;
constexpr int kTextType = 212;
constexpr int kTextDetails = 213;
constexpr int kTextNo = 214;
constexpr int kTextName = 215;
constexpr int kTextNumber = 216;
constexpr int kTextTime = 217;
constexpr int kTextAddToBook = 218;
constexpr int kTextCall = 219;
constexpr int kTextDelete = 220;
constexpr int kTextDeleteAll = 221;
constexpr int kTextConference = 335;
constexpr int kTextTimeFormat = 88;
constexpr int kTextEmptyList = 89;
constexpr int kTextInformation = 0;
constexpr int kTextKindOrv = 100;
constexpr int kTextKindMobile = 101;
constexpr int kTextKindTelephone = 102;
// The radio button text of each list type, in type order (received, missed, dialled, offline).
constexpr int kTypeTexts[kCallListTypes] = {209, 208, 210, 211};
// Column widths in character widths (No., Name, Number, Time of call).
constexpr int kColumnChars[] = {5, 12, 12, 18};

std::string CallTime(std::uint32_t seconds, const std::string& format) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return std::string();
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, format.c_str(), &local);
    return std::string(text, n);
}

} // namespace

int AskNumberKind(QWidget* parent, const TextTable& texts) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("NumberKindDialog"));
    StyleWindow(dialog);
    dialog.setWindowTitle(TextOf(texts, kTextAddToBook));
    auto* column = new QVBoxLayout(&dialog);
    QRadioButton* kinds[3] = {};
    const int kindTexts[3] = {kTextKindOrv, kTextKindMobile, kTextKindTelephone};
    for (int i = 0; i < 3; ++i) {
        kinds[i] = new QRadioButton(TextOf(texts, kindTexts[i]), &dialog);
        kinds[i]->setObjectName(QStringLiteral("kind%1").arg(kindTexts[i]));
        column->addWidget(kinds[i]);
    }
    kinds[0]->setChecked(true);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(TextOf(texts, kTextOk), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(TextOf(texts, kTextCancel), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return 0;
    for (int i = 0; i < 3; ++i) {
        if (kinds[i]->isChecked()) return kindTexts[i];
    }
    return 0;
}

CallListsWindow::CallListsWindow(QWidget* owner, const TextTable& texts, CallRecordList& records,
                                 FriendsCore* friends, FriendStore* store, CallListsServices services)
    : QDialog(owner), texts_(texts), records_(records), friends_(friends), store_(store),
      services_(std::move(services)) {
    setObjectName(QStringLiteral("CallListsWindow"));
    StyleWindow(*this);
    auto* column = new QVBoxLayout(this);
    typeBox_ = new QGroupBox(this);
    auto* typeRow = new QHBoxLayout(typeBox_);
    for (std::uint32_t type : {kMissedCall, kReceivedCall, kDialledCall, kOfflineCall}) {
        auto* button = new QRadioButton(typeBox_);
        button->setObjectName(QStringLiteral("type%1").arg(type));
        types_[type] = button;
        typeRow->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this, type](bool on) {
            if (on && type != type_) ShowType(type);
        });
    }
    column->addWidget(typeBox_);
    details_ = new QLabel(this);
    column->addWidget(details_);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("list"));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAlternatingRowColors(true);
    list_->setColumnCount(4);
    const int charWidth = list_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    int width = 0;
    for (int c = 0; c < 4; ++c) {
        list_->setColumnWidth(c, kColumnChars[c] * charWidth);
        width += kColumnChars[c] * charWidth;
    }
    list_->setMinimumSize(width + 24, 14 * list_->fontMetrics().height());
    connect(list_, &QTreeWidget::itemActivated, this, [this] { CallSelected(); });
    column->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout();
    add_ = new QPushButton(this);
    call_ = new QPushButton(this);
    delete_ = new QPushButton(this);
    deleteAll_ = new QPushButton(this);
    cancel_ = new QPushButton(this);
    for (QPushButton* button : {add_, call_, delete_, deleteAll_}) buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    column->addLayout(buttons);
    connect(add_, &QPushButton::clicked, this, [this] { AddSelectedToBook(); });
    connect(call_, &QPushButton::clicked, this, [this] { CallSelected(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(deleteAll_, &QPushButton::clicked, this, [this] { DeleteAll(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    if (store_ == nullptr || friends_ == nullptr) add_->setVisible(false);

    Retranslate();
    types_[kMissedCall]->setChecked(true);
    ShowType(kMissedCall);
}

QRadioButton* CallListsWindow::TypeButton(std::uint32_t listType) const {
    return listType < kCallListTypes ? types_[listType] : nullptr;
}

void CallListsWindow::ShowType(std::uint32_t listType) {
    if (listType >= kCallListTypes) return;
    type_ = listType;
    if (!types_[listType]->isChecked()) types_[listType]->setChecked(true);
    list_->clear();
    rows_.clear();
    std::vector<CallRecord> records;
    records_.TakeList(listType, &records);
    if (services_.refreshMain) services_.refreshMain();
    for (const CallRecord& record : records) AddRow(record);
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
    FitColumns();
    EnableButtons();
}

void CallListsWindow::AddRow(const CallRecord& record) {
    const std::string number = record.callerFlag != 0 ? record.called : record.caller;
    std::string name;
    if (store_ != nullptr) {
        PeerBlock peer;
        std::strncpy(peer.dialled, number.c_str(), kPeerFieldSize - 1);
        store_->LookupPeer(&peer);
        name.assign(peer.name, strnlen(peer.name, kPeerFieldSize));
    }
    if (record.conference != 0) name += texts_.Text(kTextConference);
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString::number(list_->topLevelItemCount()));
    item->setText(1, QString::fromStdString(name));
    item->setText(2, QString::fromStdString(number));
    item->setText(3, QString::fromStdString(CallTime(record.talkStart, texts_.Text(kTextTimeFormat))));
    rows_.push_back(record);
}

void CallListsWindow::FitColumns() {
    // Names and numbers are shown whole; the columns never get narrower than at start.
    const int charWidth = list_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int c = 1; c <= 2; ++c) {
        list_->resizeColumnToContents(c);
        list_->setColumnWidth(c, std::max(list_->columnWidth(c) + charWidth, kColumnChars[c] * charWidth));
    }
}

void CallListsWindow::EnableButtons() {
    const bool rows = list_->topLevelItemCount() > 0;
    for (QPushButton* button : {add_, call_, delete_, deleteAll_}) button->setEnabled(rows);
}

std::string CallListsWindow::RowNumber(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return std::string();
    const CallRecord& record = rows_[static_cast<std::size_t>(row)];
    return record.callerFlag != 0 ? record.called : record.caller;
}

void CallListsWindow::DeleteRows(const std::vector<int>& rows) {
    // From the last row up, so the earlier rows keep their places.
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) {
        const std::size_t row = static_cast<std::size_t>(*r);
        if (row >= rows_.size()) continue;
        records_.Delete(rows_[row].sequence);
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
        delete list_->takeTopLevelItem(*r);
    }
    for (int i = 0; i < list_->topLevelItemCount(); ++i) list_->topLevelItem(i)->setText(0, QString::number(i + 1));
}

void CallListsWindow::DeleteSelected() {
    std::vector<int> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (list_->topLevelItem(i)->isSelected()) rows.push_back(i);
    }
    if (rows.empty()) return;
    const int first = rows.front();
    DeleteRows(rows);
    const int count = list_->topLevelItemCount();
    if (count > 0) list_->setCurrentItem(list_->topLevelItem(first < count ? first : 0));
    list_->setFocus();
    EnableButtons();
}

void CallListsWindow::DeleteAll() {
    if (list_->topLevelItemCount() == 0) return;
    const std::string question = FillText(texts_.Text(kTextEmptyList), {texts_.Text(kTypeTexts[type_])});
    if (ShowSkinMessageBox(this, texts_, kTextInformation, question, true) != 1) return;
    std::vector<int> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) rows.push_back(i);
    DeleteRows(rows);
    EnableButtons();
}

void CallListsWindow::CallSelected() {
    const std::string number = RowNumber(list_->indexOfTopLevelItem(list_->currentItem()));
    if (number.empty()) return;
    if (services_.dial) services_.dial(number.substr(0, kCallNumberFieldSize - 1));
    close();
}

void CallListsWindow::AddSelectedToBook() {
    if (friends_ == nullptr || store_ == nullptr) return;
    const std::string number = RowNumber(list_->indexOfTopLevelItem(list_->currentItem()));
    if (number.empty()) return;
    const int kind = AskNumberKind(this, texts_);
    if (kind == 0) return;
    FriendRecord record;
    if (kind == kTextKindOrv) record.netPhone = number;
    else if (kind == kTextKindMobile) record.mobile = number;
    else record.phone = number;
    std::vector<std::string> groups;
    friends_->Friends(&groups);
    if (!groups.empty()) groups.erase(groups.begin()); // the default group is the dialog's own first choice
    FriendInfoDialog dialog(this, texts_, record, groups, [this](const FriendRecord& r) {
        FriendEntry entry;
        entry.record = r;
        return friends_->SetFriend(entry);
    });
    dialog.exec();
}

void CallListsWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        Retranslate();
        ShowType(type_); // names carry "(Conference)" and the time its format
    }
    QDialog::changeEvent(event);
}

void CallListsWindow::Retranslate() {
    setWindowTitle(TextOf(texts_, kTextTitle));
    typeBox_->setTitle(TextOf(texts_, kTextType));
    for (std::uint32_t type = 0; type < kCallListTypes; ++type) types_[type]->setText(TextOf(texts_, kTypeTexts[type]));
    details_->setText(TextOf(texts_, kTextDetails));
    list_->setHeaderLabels({TextOf(texts_, kTextNo), TextOf(texts_, kTextName), TextOf(texts_, kTextNumber),
                            TextOf(texts_, kTextTime)});
    add_->setText(TextOf(texts_, kTextAddToBook));
    call_->setText(TextOf(texts_, kTextCall));
    delete_->setText(TextOf(texts_, kTextDelete));
    deleteAll_->setText(TextOf(texts_, kTextDeleteAll));
    cancel_->setText(TextOf(texts_, kTextCancel));
}

} // namespace orv
