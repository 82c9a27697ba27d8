#include "client/ui/windows/address_list_dialog.h"

#include "client/core/friends_core.h"
#include "client/friends/text_format.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/window_style.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orv {

namespace {
constexpr int kTextDuplicateInBook = 154;
constexpr int kTextNo = 214;
constexpr int kTextName = 215;
constexpr int kTextDelete = 220;
constexpr int kTextDetails = 231;
constexpr int kTextOrvNumber = 233;
constexpr int kTextTelephone = 234;
constexpr int kTextMobile = 235;
constexpr int kTextEmail = 236;
constexpr int kTextGroup = 237;
constexpr int kTextWarning = 239;
constexpr int kTextApplyToAll = 240;
constexpr int kTextReplace = 241;
constexpr int kTextIgnore = 242;
constexpr int kTextImportTitle = 246;
constexpr int kTextExportTitle = 247;
constexpr int kTextCommit = 248;
constexpr int kTextImport = 249;
constexpr int kTextExport = 250;
constexpr int kTextInformation = 0;
constexpr char kFileFilter[] = "Address List File (*.txt)";

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

DuplicateChoice AskDuplicate(QWidget* parent, const TextTable& texts, const std::string& name) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("DuplicateWarning"));
    StyleWindow(dialog);
    dialog.setWindowTitle(TextOf(texts, kTextWarning));
    auto* column = new QVBoxLayout(&dialog);
    auto* text = new QLabel(Q(FillText(texts.Text(kTextDuplicateInBook), {name})), &dialog);
    text->setTextFormat(Qt::PlainText);
    column->addWidget(text);
    auto* all = new QCheckBox(TextOf(texts, kTextApplyToAll), &dialog);
    all->setObjectName(QStringLiteral("all"));
    column->addWidget(all);
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    auto* replace = new QPushButton(TextOf(texts, kTextReplace), &dialog);
    replace->setObjectName(QStringLiteral("replace"));
    replace->setDefault(true);
    auto* ignore = new QPushButton(TextOf(texts, kTextIgnore), &dialog);
    ignore->setObjectName(QStringLiteral("ignore"));
    row->addWidget(replace);
    row->addWidget(ignore);
    column->addLayout(row);
    DuplicateChoice choice; // closing the dialog leaves kStop
    QObject::connect(replace, &QPushButton::clicked, &dialog, [&] {
        choice.action = DuplicateAction::kReplace;
        dialog.accept();
    });
    QObject::connect(ignore, &QPushButton::clicked, &dialog, [&] {
        choice.action = DuplicateAction::kIgnore;
        dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted) return DuplicateChoice{};
    choice.applyToAll = all->isChecked();
    return choice;
}

AddressListDialog::AddressListDialog(QWidget* parent, const TextTable& texts, FriendsCore& friends, Mode mode,
                                     ChooseFile choose)
    : QDialog(parent), texts_(texts), friends_(friends), mode_(mode), choose_(std::move(choose)) {
    setObjectName(mode == Mode::Import ? QStringLiteral("ImportDialog") : QStringLiteral("ExportDialog"));
    StyleWindow(*this);
    ask_ = [this](const std::string& name) { return AskDuplicate(this, texts_, name); };
    auto* column = new QVBoxLayout(this);
    details_ = new QLabel(this);
    column->addWidget(details_);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("records"));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setColumnCount(7);
    const int charWidth = list_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    list_->setColumnWidth(0, 5 * charWidth);
    list_->setColumnWidth(1, 16 * charWidth); // names keep up to 15 characters
    for (int c = 2; c < 7; ++c) list_->setColumnWidth(c, 11 * charWidth);
    list_->setMinimumSize(78 * charWidth, 14 * list_->fontMetrics().height());
    column->addWidget(list_, 1);
    auto* row = new QHBoxLayout();
    run_ = new QPushButton(this);
    run_->setObjectName(QStringLiteral("run"));
    run_->setDefault(true);
    commit_ = new QPushButton(this);
    commit_->setObjectName(QStringLiteral("commit"));
    delete_ = new QPushButton(this);
    cancel_ = new QPushButton(this);
    row->addWidget(run_);
    if (mode == Mode::Import) {
        row->addWidget(commit_);
        row->addWidget(delete_);
    } else {
        commit_->hide();
        delete_->hide();
    }
    row->addStretch(1);
    row->addWidget(cancel_);
    column->addLayout(row);
    connect(run_, &QPushButton::clicked, this, [this] { Run(); });
    connect(commit_, &QPushButton::clicked, this, [this] { Commit(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    Retranslate();
    commit_->setEnabled(false);
    delete_->setEnabled(false);
    if (mode == Mode::Export) {
        std::vector<FriendRecord> records;
        for (const FriendEntry& e : friends_.Friends()) records.push_back(e.record);
        Fill(records);
    }
}

void AddressListDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QDialog::changeEvent(event);
}

void AddressListDialog::Retranslate() {
    const bool import = mode_ == Mode::Import;
    setWindowTitle(TextOf(texts_, import ? kTextImportTitle : kTextExportTitle));
    details_->setText(TextOf(texts_, kTextDetails));
    list_->setHeaderLabels({TextOf(texts_, kTextNo), TextOf(texts_, kTextName), TextOf(texts_, kTextGroup),
                            TextOf(texts_, kTextOrvNumber), TextOf(texts_, kTextTelephone),
                            TextOf(texts_, kTextMobile), TextOf(texts_, kTextEmail)});
    run_->setText(TextOf(texts_, import ? kTextImport : kTextExport));
    commit_->setText(TextOf(texts_, kTextCommit));
    delete_->setText(TextOf(texts_, kTextDelete));
    cancel_->setText(TextOf(texts_, kTextCancel));
}

void AddressListDialog::Fill(const std::vector<FriendRecord>& records) {
    list_->clear();
    for (const FriendRecord& r : records) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::number(list_->topLevelItemCount()));
        const std::string fields[] = {r.friendName, r.group, r.netPhone, r.phone, r.mobile, r.email};
        for (int c = 0; c < 6; ++c) item->setText(c + 1, Q(fields[c]));
    }
}

std::string AddressListDialog::Choose(bool save) {
    if (choose_) return choose_(save);
    QFileDialog dialog(this);
    dialog.setNameFilter(QString::fromLatin1(kFileFilter));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
    return dialog.selectedFiles().front().toStdString();
}

void AddressListDialog::Show(const std::string& text) { ShowSkinMessageBox(this, texts_, kTextInformation, text); }

void AddressListDialog::Run() {
    const std::string path = Choose(mode_ == Mode::Export);
    if (path.empty()) return;
    if (mode_ == Mode::Export) {
        const AddressListResult result = friends_.Export(path);
        Show(result.message);
        if (result.ok) accept();
        return;
    }
    pending_.clear();
    Fill(pending_);
    const AddressListResult result = friends_.Import(path);
    if (result.ok) {
        pending_ = result.records;
        Fill(pending_);
    }
    commit_->setEnabled(!pending_.empty());
    delete_->setEnabled(!pending_.empty());
    Show(result.message);
}

void AddressListDialog::DeleteSelected() {
    for (int i = list_->topLevelItemCount() - 1; i >= 0; --i) {
        if (list_->topLevelItem(i)->isSelected() && static_cast<std::size_t>(i) < pending_.size())
            pending_.erase(pending_.begin() + i);
    }
    Fill(pending_);
    commit_->setEnabled(!pending_.empty());
    delete_->setEnabled(!pending_.empty());
}

void AddressListDialog::Commit() {
    const CommitResult result = friends_.CommitImport(pending_, ask_);
    if (result.status == CommitStatus::kRefused) {
        Show(result.message);
        return;
    }
    accept();
}

} // namespace orv
