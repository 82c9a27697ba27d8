#include "client/ui/windows/account_dialog.h"

#include "client/core/account_core.h"
#include "client/core/client_core.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/window_style.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {

constexpr int kTextTitle = 167;
constexpr int kTextQuery = 168;
constexpr int kTextRefill = 169;
constexpr int kTextBalanceGroup = 170;
constexpr int kTextTotal = 171;
constexpr int kTextRefillGroup = 172;
constexpr int kTextCard = 173;
constexpr int kTextPass = 174;
constexpr int kLongestField = 31;
constexpr int kTextInformation = 1;

QString FieldOf(const CoreEvent& event, const std::string& key) {
    for (const auto& [k, v] : event.fields) {
        if (k == key) return QString::fromStdString(v);
    }
    return {};
}

QPushButton* Button(const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setAutoDefault(false); // Enter closes nothing and presses nothing
    return b;
}

} // namespace

AccountDialog::AccountDialog(QWidget* owner, ClientCore& core) : QDialog(owner), core_(core) {
    const TextTable& texts = core.Texts();
    StyleWindow(*this);
    setWindowTitle(TextOf(texts, kTextTitle));
    setObjectName("AccountDialog");

    balance_ = new QLineEdit;
    balance_->setObjectName("AccountBalance");
    balance_->setReadOnly(true);
    balance_->setMaxLength(kLongestField);
    query_ = Button(TextOf(texts, kTextQuery), "AccountQuery");
    auto* balanceBox = new QGroupBox(TextOf(texts, kTextBalanceGroup));
    auto* balanceRow = new QHBoxLayout(balanceBox);
    balanceRow->addWidget(new QLabel(TextOf(texts, kTextTotal)));
    balanceRow->addWidget(balance_, 1);
    balanceRow->addWidget(query_);

    card_ = new QLineEdit;
    card_->setObjectName("AccountCard");
    card_->setMaxLength(kLongestField);
    password_ = new QLineEdit;
    password_->setObjectName("AccountCardPassword");
    password_->setMaxLength(kLongestField);
    password_->setEchoMode(QLineEdit::Password);
    refill_ = Button(TextOf(texts, kTextRefill), "AccountRefill");
    auto* refillBox = new QGroupBox(TextOf(texts, kTextRefillGroup));
    auto* form = new QFormLayout;
    form->addRow(TextOf(texts, kTextCard), card_);
    form->addRow(TextOf(texts, kTextPass), password_);
    auto* refillRow = new QHBoxLayout(refillBox);
    refillRow->addLayout(form, 1);
    refillRow->addWidget(refill_, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(balanceBox);
    layout->addWidget(refillBox);
    setMinimumWidth(360);

    connect(query_, &QPushButton::clicked, this, [this] {
        if (core_.Account() != nullptr) core_.Account()->Query();
    });
    connect(refill_, &QPushButton::clicked, this, [this] { Refill(); });
    if (core_.Account() != nullptr) core_.Account()->Query();
}

void AccountDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(event);
}

void AccountDialog::Refill() {
    if (core_.Account() == nullptr) return;
    core_.Account()->Refill(card_->text().toStdString(), password_->text().toStdString());
}

void AccountDialog::Tell(const CoreEvent& event) {
    ShowSkinMessageBox(this, core_.Texts(), kTextInformation, event.text);
}

void AccountDialog::OnCoreEvent(const CoreEvent& event) {
    if (event.name == "account_balance") {
        balance_->setText(FieldOf(event, "balance"));
    } else if (event.name == "refill_done") {
        balance_->setText(FieldOf(event, "balance"));
        card_->clear();
        password_->clear();
        Tell(event);
    } else if (event.name == "account_query_failed" || event.name == "refill_failed" ||
               event.name == "account_failed" || event.name == "refill_refused") {
        Tell(event);
    }
}

} // namespace orv
