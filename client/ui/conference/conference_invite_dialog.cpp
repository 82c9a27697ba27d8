#include "client/ui/conference/conference_invite_dialog.h"

#include "client/text/text_table.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orv {

namespace {

constexpr int kTextInviting = 337;
constexpr int kTextInvite = 338;
constexpr int kTextNumber = 339;
constexpr int kTextAddressBook = 340;
constexpr int kTextCancel = 158;
constexpr int kMaxNumberLength = 31;

QString Q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

ConferenceInviteDialog::ConferenceInviteDialog(QWidget* parent, const TextTable& texts,
                                               const std::vector<std::pair<std::string, std::string>>& friends)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ConferenceInvite"));
    setWindowTitle(Q(texts.Text(kTextInviting)));
    number_ = new QLineEdit(this);
    number_->setObjectName(QStringLiteral("Number"));
    number_->setMaxLength(kMaxNumberLength);
    book_ = new QComboBox(this);
    book_->setObjectName(QStringLiteral("AddressBook"));
    book_->addItem(QString());
    for (const auto& [name, number] : friends) book_->addItem(Q(name + " (" + number + ")"), Q(number));
    connect(book_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QString number = book_->itemData(index).toString();
        if (!number.isEmpty()) number_->setText(number);
    });
    auto* form = new QFormLayout;
    form->addRow(Q(texts.Text(kTextNumber)), number_);
    form->addRow(Q(texts.Text(kTextAddressBook)), book_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Q(texts.Text(kTextInvite)), QDialogButtonBox::AcceptRole);
    buttons->addButton(Q(texts.Text(kTextCancel)), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(buttons);
}

std::string ConferenceInviteDialog::Number() const { return number_->text().trimmed().toStdString(); }

} // namespace orv
