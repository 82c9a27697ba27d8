#include "client/ui/windows/friend_info_dialog.h"

#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/window_style.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace orv {

namespace {
constexpr int kTextTitle = 230;
constexpr int kTextDetails = 231;
constexpr int kTextName = 232;
constexpr int kTextOrvNumber = 233;
constexpr int kTextTelephone = 234;
constexpr int kTextMobile = 235;
constexpr int kTextEmail = 236;
constexpr int kTextGroup = 237;
constexpr int kTextDefaultGroup = 238;
constexpr int kTextExtensionHint = 357;
constexpr int kTextInformation = 0;
constexpr int kTextSetFailed = 90;
// Longest texts the record's fields keep (one byte less than the field).
constexpr int kMaxName = 15;
constexpr int kMaxNumber = 31;
} // namespace

FriendInfoDialog::FriendInfoDialog(QWidget* parent, const TextTable& texts, const FriendRecord& record,
                                   const std::vector<std::string>& groups, Submit submit)
    : QDialog(parent), texts_(texts), record_(record), submit_(std::move(submit)) {
    setObjectName(QStringLiteral("FriendInfoDialog"));
    StyleWindow(*this);
    auto* column = new QVBoxLayout(this);
    box_ = new QGroupBox(this);
    form_ = new QFormLayout(box_);
    const auto field = [&](const char* name, const std::string& value, int maxLength, bool numberField) {
        auto* edit = new QLineEdit(QString::fromStdString(value), box_);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaxLength(maxLength);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 20);
        if (numberField)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9*]*")), edit));
        form_->addRow(new QLabel(box_), edit);
        return edit;
    };
    name_ = field("name", record.friendName, kMaxName, false);
    number_ = field("number", record.netPhone, kMaxNumber, true);
    phone_ = field("phone", record.phone, kMaxNumber, true);
    mobile_ = field("mobile", record.mobile, kMaxNumber, true);
    email_ = field("email", record.email, kMaxNumber, false);
    group_ = new QComboBox(box_);
    group_->setObjectName(QStringLiteral("group"));
    group_->addItem(QString(), QString()); // the default group; its text comes with the others
    for (const std::string& group : groups) {
        if (!group.empty()) group_->addItem(QString::fromStdString(group), QString::fromStdString(group));
    }
    const int current = group_->findData(QString::fromStdString(record.group));
    group_->setCurrentIndex(current >= 0 ? current : 0);
    form_->addRow(new QLabel(box_), group_);
    column->addWidget(box_);
    hint_ = new QLabel(this);
    hint_->setWordWrap(true);
    column->addWidget(hint_);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
    ok_->setDefault(true);
    cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &FriendInfoDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    Retranslate();
}

void FriendInfoDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QDialog::changeEvent(event);
}

void FriendInfoDialog::Retranslate() {
    setWindowTitle(TextOf(texts_, kTextTitle));
    box_->setTitle(TextOf(texts_, kTextDetails));
    const std::pair<QWidget*, int> labels[] = {{name_, kTextName},     {number_, kTextOrvNumber},
                                               {phone_, kTextTelephone}, {mobile_, kTextMobile},
                                               {email_, kTextEmail},   {group_, kTextGroup}};
    for (const auto& [field, text] : labels) {
        if (auto* label = qobject_cast<QLabel*>(form_->labelForField(field))) label->setText(TextOf(texts_, text));
    }
    group_->setItemText(0, TextOf(texts_, kTextDefaultGroup));
    hint_->setText(TextOf(texts_, kTextExtensionHint).simplified());
    ok_->setText(TextOf(texts_, kTextOk));
    cancel_->setText(TextOf(texts_, kTextCancel));
}

FriendRecord FriendInfoDialog::Record() const {
    FriendRecord record = record_;
    record.friendName = name_->text().trimmed().toStdString();
    record.netPhone = number_->text().trimmed().toStdString();
    record.phone = phone_->text().trimmed().toStdString();
    record.mobile = mobile_->text().trimmed().toStdString();
    record.email = email_->text().trimmed().toStdString();
    record.group = group_->currentData().toString().toStdString();
    CutToFields(&record);
    return record;
}

void FriendInfoDialog::accept() {
    const int refused = submit_ ? submit_(Record()) : 0;
    if (refused == 0) {
        QDialog::accept();
        return;
    }
    ShowSkinMessageBox(this, texts_, kTextInformation, refused > 0 ? refused : kTextSetFailed);
}

} // namespace orv
