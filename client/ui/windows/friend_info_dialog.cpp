#include "client/ui/windows/friend_info_dialog.h"

#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/window_style.h"

#include <QComboBox>
#include <QDialogButtonBox>
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
    setWindowTitle(TextOf(texts, kTextTitle));
    auto* column = new QVBoxLayout(this);
    auto* box = new QGroupBox(TextOf(texts, kTextDetails), this);
    auto* form = new QFormLayout(box);
    const auto field = [&](int label, const std::string& value, int maxLength, bool numberField) {
        auto* edit = new QLineEdit(QString::fromStdString(value), box);
        edit->setMaxLength(maxLength);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 20);
        if (numberField)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9*]*")), edit));
        form->addRow(TextOf(texts, label), edit);
        return edit;
    };
    name_ = field(kTextName, record.friendName, kMaxName, false);
    name_->setObjectName(QStringLiteral("name"));
    number_ = field(kTextOrvNumber, record.netPhone, kMaxNumber, true);
    number_->setObjectName(QStringLiteral("number"));
    phone_ = field(kTextTelephone, record.phone, kMaxNumber, true);
    phone_->setObjectName(QStringLiteral("phone"));
    mobile_ = field(kTextMobile, record.mobile, kMaxNumber, true);
    mobile_->setObjectName(QStringLiteral("mobile"));
    email_ = field(kTextEmail, record.email, kMaxNumber, false);
    email_->setObjectName(QStringLiteral("email"));
    group_ = new QComboBox(box);
    group_->setObjectName(QStringLiteral("group"));
    group_->addItem(TextOf(texts, kTextDefaultGroup), QString());
    for (const std::string& group : groups) {
        if (!group.empty()) group_->addItem(QString::fromStdString(group), QString::fromStdString(group));
    }
    const int current = group_->findData(QString::fromStdString(record.group));
    group_->setCurrentIndex(current >= 0 ? current : 0);
    form->addRow(TextOf(texts, kTextGroup), group_);
    column->addWidget(box);
    auto* hint = new QLabel(TextOf(texts, kTextExtensionHint).simplified(), this);
    hint->setWordWrap(true);
    column->addWidget(hint);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(TextOf(texts, kTextOk), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(TextOf(texts, kTextCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &FriendInfoDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
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
