#include "client/ui/windows/address_book_window.h"

#include "client/core/client_core.h"
#include "client/core/friends_core.h"
#include "client/data/client_config.h"
#include "client/friends/text_format.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/address_list_dialog.h"
#include "client/ui/windows/friend_info_dialog.h"
#include "client/ui/windows/window_style.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace orv {

namespace {
constexpr int kTextOnline = 24;
constexpr int kTextOffline = 25;
constexpr int kTextDuplicateGroup = 29;
constexpr int kTextSetFailed = 90;
constexpr int kTextDeleteFailed = 91;
constexpr int kTextAdd = 93;
constexpr int kTextDelete = 94;
constexpr int kTextModify = 95;
constexpr int kTextMoveTo = 96;
constexpr int kTextAddGroup = 97;
constexpr int kTextDeleteGroup = 98;
constexpr int kTextCall = 99;
constexpr int kTextKindOrv = 100;
constexpr int kTextKindMobile = 101;
constexpr int kTextKindTelephone = 102;
constexpr int kTextSortGroup = 103;
constexpr int kTextSortStatus = 104;
constexpr int kTextExport = 105;
constexpr int kTextImport = 106;
constexpr int kTextInvite = 341;
constexpr int kTextGroupNotEmpty = 107;
constexpr int kTextDeleteFriend = 135;
constexpr int kTextDeleteGroupAsk = 136;
constexpr int kTextName = 232;
constexpr int kTextOrvNumber = 233;
constexpr int kTextDefaultGroup = 238;
constexpr int kTextAddressBook = 243;
constexpr int kTextNewGroup = 251;
constexpr int kTextGroupName = 252;
constexpr int kTextInformation = 0;
constexpr int kMaxGroup = 15;
constexpr int kRecordRole = Qt::UserRole;     // a friend row: its RecordID
constexpr int kGroupRole = Qt::UserRole + 1;  // a group row: its group name ("" the default)

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

AddressBookWindow::AddressBookWindow(QWidget* owner, const TextTable& texts, FriendsCore& friends,
                                     ClientConfig* config, AddressBookServices services)
    : QDialog(owner), texts_(texts), friends_(friends), config_(config), services_(std::move(services)) {
    setObjectName(QStringLiteral("AddressBookWindow"));
    StyleWindow(*this);
    byStatus_ = config_ != nullptr && config_->General().friendsTree != 0;
    auto* column = new QVBoxLayout(this);
    auto* sortRow = new QHBoxLayout();
    sortGroup_ = new QRadioButton(this);
    sortGroup_->setObjectName(QStringLiteral("sort_group"));
    sortStatus_ = new QRadioButton(this);
    sortStatus_->setObjectName(QStringLiteral("sort_status"));
    (byStatus_ ? sortStatus_ : sortGroup_)->setChecked(true);
    sortRow->addWidget(sortGroup_);
    sortRow->addWidget(sortStatus_);
    sortRow->addStretch(1);
    column->addLayout(sortRow);
    connect(sortStatus_, &QRadioButton::toggled, this, [this](bool on) { SortByStatus(on); });

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("friends"));
    tree_->setColumnCount(3);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setAlternatingRowColors(true);
    const int charWidth = tree_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    tree_->setColumnWidth(0, 18 * charWidth);
    tree_->setColumnWidth(1, 10 * charWidth);
    tree_->setMinimumSize(44 * charWidth, 18 * tree_->fontMetrics().height());
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = BuildMenu();
        menu->popup(tree_->viewport()->mapToGlobal(at));
    });
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item->data(0, kRecordRole).isValid()) CallSelected(kTextKindOrv);
    });
    column->addWidget(tree_, 1);

    auto* buttons = new QHBoxLayout();
    add_ = new QPushButton(this);
    modify_ = new QPushButton(this);
    delete_ = new QPushButton(this);
    call_ = new QPushButton(this);
    import_ = new QPushButton(this);
    export_ = new QPushButton(this);
    close_ = new QPushButton(this);
    for (QPushButton* b : {add_, modify_, delete_, call_, import_, export_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    column->addLayout(buttons);
    connect(add_, &QPushButton::clicked, this, [this] { AddFriend(); });
    connect(modify_, &QPushButton::clicked, this, [this] { ModifySelected(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(call_, &QPushButton::clicked, this, [this] { CallSelected(kTextKindOrv); });
    connect(import_, &QPushButton::clicked, this, [this] { Import(); });
    connect(export_, &QPushButton::clicked, this, [this] { Export(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    Retranslate();
    Reload();
}

std::vector<FriendEntry> AddressBookWindow::Entries(std::vector<std::string>* groups) const {
    return friends_.Friends(groups);
}

void AddressBookWindow::OnCoreEvent(const CoreEvent& event) {
    if (event.name == "friend_set_failed") ShowText(kTextSetFailed);
    else if (event.name == "friend_delete_failed") ShowText(kTextDeleteFailed);
    if (event.name.rfind("friend", 0) == 0) Reload();
}

void AddressBookWindow::SortByStatus(bool byStatus) {
    byStatus_ = byStatus;
    if (config_ != nullptr && config_->General().friendsTree != (byStatus ? 1 : 0)) {
        config_->General().friendsTree = byStatus ? 1 : 0;
        config_->SaveGeneral();
    }
    if (sortStatus_->isChecked() != byStatus) (byStatus ? sortStatus_ : sortGroup_)->setChecked(true);
    Reload();
}

void AddressBookWindow::Reload() {
    // The selection and the open groups survive a redraw.
    QTreeWidgetItem* current = tree_->currentItem();
    const QVariant selectedRecord = current ? current->data(0, kRecordRole) : QVariant();
    const QVariant selectedGroup = current ? current->data(0, kGroupRole) : QVariant();
    std::vector<std::string> groups;
    const std::vector<FriendEntry> entries = Entries(&groups);
    tree_->clear();

    const auto icon = [this](const char* name) { return services_.icon ? services_.icon(name) : QIcon(); };
    std::vector<std::pair<std::string, QTreeWidgetItem*>> nodes; // group name -> node
    const auto node = [&](const std::string& key, const QString& title) {
        for (auto& [name, item] : nodes) {
            if (name == key) return item;
        }
        auto* item = new QTreeWidgetItem(tree_);
        item->setText(0, title);
        item->setData(0, kGroupRole, Q(key));
        item->setFirstColumnSpanned(true);
        item->setExpanded(true);
        nodes.emplace_back(key, item);
        return item;
    };
    if (byStatus_) {
        node("1", TextOf(texts_, kTextOnline))->setIcon(0, icon("FriendGroupOn"));
        node("0", TextOf(texts_, kTextOffline))->setIcon(0, icon("FriendGroupOff"));
    } else {
        node(std::string(), groups.empty() ? TextOf(texts_, kTextDefaultGroup) : Q(groups.front()));
        for (std::size_t i = 1; i < groups.size(); ++i) node(groups[i], Q(groups[i]));
        for (const std::string& g : localGroups_) node(g, Q(g));
    }
    QTreeWidgetItem* reselect = nullptr;
    for (const FriendEntry& e : entries) {
        const bool online = e.status == kFriendOnline;
        QTreeWidgetItem* parent = byStatus_ ? node(online ? "1" : "0", QString()) : node(e.record.group, Q(e.record.group));
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, Q(e.record.friendName));
        item->setText(1, TextOf(texts_, FriendsCore::StatusText(e.status)));
        item->setText(2, Q(e.record.netPhone));
        item->setIcon(0, icon(online ? "FriendOnLine" : "FriendOffLine"));
        item->setData(0, kRecordRole, static_cast<qulonglong>(e.record.recordId));
        if (selectedRecord.isValid() && selectedRecord.toULongLong() == e.record.recordId) reselect = item;
    }
    if (!byStatus_) {
        for (auto& [name, item] : nodes) {
            bool anyOnline = false;
            for (int i = 0; i < item->childCount(); ++i)
                anyOnline = anyOnline || item->child(i)->text(1) == TextOf(texts_, kTextOnline);
            item->setIcon(0, icon(anyOnline ? "FriendGroupOn" : "FriendGroupOff"));
        }
    }
    if (reselect == nullptr && selectedGroup.isValid()) {
        for (auto& [name, item] : nodes) {
            if (Q(name) == selectedGroup.toString()) reselect = item;
        }
    }
    tree_->expandAll();
    for (int c = 0; c <= 1; ++c) {
        const int width = tree_->columnWidth(c);
        tree_->resizeColumnToContents(c);
        tree_->setColumnWidth(c, std::max(width, tree_->columnWidth(c) + tree_->fontMetrics().averageCharWidth()));
    }
    if (reselect != nullptr) tree_->setCurrentItem(reselect);
}

QTreeWidgetItem* AddressBookWindow::FriendItem(const std::string& name) const {
    for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = tree_->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            if (group->child(i)->text(0) == Q(name)) return group->child(i);
        }
    }
    return nullptr;
}

bool AddressBookWindow::SelectFriend(const std::string& name) {
    QTreeWidgetItem* item = FriendItem(name);
    if (item != nullptr) tree_->setCurrentItem(item);
    return item != nullptr;
}

const FriendEntry* AddressBookWindow::Selected(const std::vector<FriendEntry>& entries) const {
    QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr || !item->data(0, kRecordRole).isValid()) return nullptr;
    const qulonglong id = item->data(0, kRecordRole).toULongLong();
    for (const FriendEntry& e : entries) {
        if (e.record.recordId == id) return &e;
    }
    return nullptr;
}

std::string AddressBookWindow::SelectedGroup() const {
    QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr || byStatus_) return std::string();
    if (item->parent() != nullptr) item = item->parent();
    return item->data(0, kGroupRole).toString().toStdString();
}

void AddressBookWindow::Send(FriendRecord record) {
    FriendEntry entry;
    entry.record = std::move(record);
    const int refused = friends_.SetFriend(entry);
    if (refused != 0) ShowText(refused > 0 ? refused : kTextSetFailed);
}

void AddressBookWindow::ShowText(int number) { ShowSkinMessageBox(this, texts_, kTextInformation, number); }
void AddressBookWindow::ShowText(const std::string& text) {
    ShowSkinMessageBox(this, texts_, kTextInformation, text);
}

void AddressBookWindow::AddFriend() {
    std::vector<std::string> groups;
    Entries(&groups);
    if (!groups.empty()) groups.erase(groups.begin());
    groups.insert(groups.end(), localGroups_.begin(), localGroups_.end());
    FriendRecord record;
    record.group = SelectedGroup();
    FriendInfoDialog dialog(this, texts_, record, groups, [this](const FriendRecord& r) {
        FriendEntry entry;
        entry.record = r;
        return friends_.SetFriend(entry);
    });
    dialog.exec();
}

void AddressBookWindow::ModifySelected() {
    std::vector<std::string> groups;
    const std::vector<FriendEntry> entries = Entries(&groups);
    const FriendEntry* selected = Selected(entries);
    if (selected == nullptr) return;
    if (!groups.empty()) groups.erase(groups.begin());
    groups.insert(groups.end(), localGroups_.begin(), localGroups_.end());
    const std::uint8_t status = selected->status;
    FriendInfoDialog dialog(this, texts_, selected->record, groups, [this, status](const FriendRecord& r) {
        FriendEntry entry;
        entry.record = r;
        entry.status = status;
        return friends_.SetFriend(entry);
    });
    dialog.exec();
}

void AddressBookWindow::DeleteSelected() {
    const std::vector<FriendEntry> entries = Entries(nullptr);
    const FriendEntry* selected = Selected(entries);
    if (selected == nullptr) {
        const std::string group = SelectedGroup();
        if (!group.empty()) DeleteGroup(group);
        return;
    }
    const std::string question = FillText(texts_.Text(kTextDeleteFriend), {selected->record.friendName});
    if (ShowSkinMessageBox(this, texts_, kTextInformation, question, true) != 1) return;
    if (!friends_.DeleteFriend(selected->record.recordId)) ShowText(kTextDeleteFailed);
}

void AddressBookWindow::CallSelected(int kindText) {
    const std::vector<FriendEntry> entries = Entries(nullptr);
    const FriendEntry* selected = Selected(entries);
    if (selected == nullptr) return;
    const FriendRecord& r = selected->record;
    const std::string& number = kindText == kTextKindMobile ? r.mobile
                                : kindText == kTextKindTelephone ? r.phone
                                                                 : r.netPhone;
    if (!number.empty() && services_.dial) services_.dial(number);
}

void AddressBookWindow::InviteSelected() {
    const std::vector<FriendEntry> entries = Entries(nullptr);
    const FriendEntry* selected = Selected(entries);
    if (selected == nullptr || selected->record.netPhone.empty() || !services_.invite) return;
    services_.invite(selected->record.netPhone);
}

void AddressBookWindow::MoveSelected(const std::string& group) {
    const std::vector<FriendEntry> entries = Entries(nullptr);
    const FriendEntry* selected = Selected(entries);
    if (selected == nullptr || selected->record.group == group) return;
    FriendRecord record = selected->record;
    record.group = group;
    localGroups_.erase(group);
    Send(record);
}

void AddressBookWindow::AddGroup() {
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("NewGroupDialog"));
    StyleWindow(dialog);
    dialog.setWindowTitle(TextOf(texts_, kTextNewGroup));
    dialog.setLabelText(TextOf(texts_, kTextGroupName));
    dialog.setOkButtonText(TextOf(texts_, kTextOk));
    dialog.setCancelButtonText(TextOf(texts_, kTextCancel));
    if (dialog.exec() != QDialog::Accepted) return;
    std::string name = dialog.textValue().trimmed().toStdString();
    CutText(&name, kMaxGroup);
    if (name.empty()) return;
    std::vector<std::string> groups;
    Entries(&groups);
    const bool known = localGroups_.count(name) > 0 || name == texts_.Text(kTextDefaultGroup) ||
                       std::find(groups.begin(), groups.end(), name) != groups.end();
    if (known) {
        ShowText(kTextDuplicateGroup);
        return;
    }
    localGroups_.insert(name);
    Reload();
}

void AddressBookWindow::DeleteGroup(const std::string& group) {
    if (group.empty()) return; // the default group stays
    for (const FriendEntry& e : Entries(nullptr)) {
        if (e.record.group == group) {
            ShowText(kTextGroupNotEmpty);
            return;
        }
    }
    const std::string question = FillText(texts_.Text(kTextDeleteGroupAsk), {group});
    if (ShowSkinMessageBox(this, texts_, kTextInformation, question, true) != 1) return;
    localGroups_.erase(group);
    Reload();
}

void AddressBookWindow::Export() {
    AddressListDialog dialog(this, texts_, friends_, AddressListDialog::Mode::Export, services_.chooseFile);
    dialog.exec();
}

void AddressBookWindow::Import() {
    AddressListDialog dialog(this, texts_, friends_, AddressListDialog::Mode::Import, services_.chooseFile);
    dialog.exec();
}

QMenu* AddressBookWindow::BuildMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("AddressBookMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const std::vector<FriendEntry> entries = Entries(nullptr);
    const bool onFriend = Selected(entries) != nullptr;
    const auto add = [&](QMenu* m, int text, bool enabled, std::function<void()> run) {
        QAction* action = m->addAction(TextOf(texts_, text));
        action->setData(text);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, std::move(run));
        return action;
    };
    add(menu, kTextAdd, true, [this] { AddFriend(); });
    add(menu, kTextModify, onFriend, [this] { ModifySelected(); });
    add(menu, kTextDelete, onFriend, [this] { DeleteSelected(); });
    QMenu* call = menu->addMenu(TextOf(texts_, kTextCall));
    call->setEnabled(onFriend);
    for (int kind : {kTextKindOrv, kTextKindMobile, kTextKindTelephone})
        add(call, kind, onFriend, [this, kind] { CallSelected(kind); });
    if (services_.canInvite && services_.canInvite())
        add(menu, kTextInvite, onFriend, [this] { InviteSelected(); });
    QMenu* move = menu->addMenu(TextOf(texts_, kTextMoveTo));
    move->setEnabled(onFriend && !byStatus_);
    std::vector<std::string> groups;
    Entries(&groups);
    std::vector<std::string> targets{std::string()};
    for (std::size_t i = 1; i < groups.size(); ++i) targets.push_back(groups[i]);
    targets.insert(targets.end(), localGroups_.begin(), localGroups_.end());
    for (const std::string& g : targets) {
        QAction* action = move->addAction(g.empty() ? TextOf(texts_, kTextDefaultGroup) : Q(g));
        connect(action, &QAction::triggered, this, [this, g] { MoveSelected(g); });
    }
    menu->addSeparator();
    add(menu, kTextAddGroup, !byStatus_, [this] { AddGroup(); });
    add(menu, kTextDeleteGroup, !byStatus_ && !SelectedGroup().empty() && !onFriend,
        [this] { DeleteGroup(SelectedGroup()); });
    menu->addSeparator();
    add(menu, kTextSortGroup, byStatus_, [this] { SortByStatus(false); });
    add(menu, kTextSortStatus, !byStatus_, [this] { SortByStatus(true); });
    menu->addSeparator();
    add(menu, kTextExport, true, [this] { Export(); });
    add(menu, kTextImport, true, [this] { Import(); });
    return menu;
}

void AddressBookWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        Retranslate();
        Reload();
    }
    QDialog::changeEvent(event);
}

void AddressBookWindow::Retranslate() {
    setWindowTitle(TextOf(texts_, kTextAddressBook));
    sortGroup_->setText(TextOf(texts_, kTextSortGroup));
    sortStatus_->setText(TextOf(texts_, kTextSortStatus));
    tree_->setHeaderLabels({TextOf(texts_, kTextName), QString(), TextOf(texts_, kTextOrvNumber)});
    add_->setText(TextOf(texts_, kTextAdd));
    modify_->setText(TextOf(texts_, kTextModify));
    delete_->setText(TextOf(texts_, kTextDelete));
    call_->setText(TextOf(texts_, kTextCall));
    import_->setText(TextOf(texts_, kTextImport));
    export_->setText(TextOf(texts_, kTextExport));
    close_->setText(TextOf(texts_, kTextCancel));
}

} // namespace orv
