#include "client/ui/windows/forward_window.h"

#include "client/core/client_core.h"
#include "client/core/core_event_fields.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/window_style.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {
constexpr int kTextForwardSet = 112;
constexpr int kTextForwardFailed = 113;
constexpr int kTextIllegalNumber = 133;
constexpr int kTextTitle = 222;
constexpr int kTextSetting = 223;
constexpr int kTextEnable = 224;
constexpr int kNumberTexts[4] = {225, 226, 227, 228}; // any call, no answer, off line, busy
constexpr int kTextModify = 229;
constexpr int kTextInformation = 0;
constexpr int kMaxNumber = 31;

bool PlainNumber(const QString& number) {
    for (const QChar c : number) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('*')) return false;
    }
    return true;
}

} // namespace

ForwardWindow::ForwardWindow(QWidget* owner, const TextTable& texts, Current current, Send send)
    : QDialog(owner), texts_(texts), current_(std::move(current)), send_(std::move(send)) {
    setObjectName(QStringLiteral("ForwardWindow"));
    StyleWindow(*this);
    auto* column = new QVBoxLayout(this);
    auto* box = box_ = new QGroupBox(this);
    auto* form = form_ = new QFormLayout(box);
    enabled_ = new QCheckBox(box);
    enabled_->setObjectName(QStringLiteral("enabled"));
    form->addRow(enabled_);
    for (int i = 0; i < 4; ++i) {
        numbers_[i] = new QLineEdit(box);
        numbers_[i]->setObjectName(QStringLiteral("number%1").arg(i));
        numbers_[i]->setMaxLength(kMaxNumber);
        numbers_[i]->setMinimumWidth(numbers_[i]->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 20);
        form->addRow(new QLabel(box), numbers_[i]);
    }
    column->addWidget(box);
    const ActionRow buttons = AddActionRow(*this, *column);
    modify_ = buttons.action;
    cancel_ = buttons.cancel;
    connect(enabled_, &QCheckBox::toggled, this, [this](bool on) {
        for (QLineEdit* number : numbers_) number->setEnabled(on);
    });
    connect(modify_, &QPushButton::clicked, this, [this] { Modify(); });
    Retranslate();
    Fill(current_ ? current_() : ForwardRecord{});
}

void ForwardWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QDialog::changeEvent(event);
}

void ForwardWindow::Retranslate() {
    setWindowTitle(TextOf(texts_, kTextTitle));
    box_->setTitle(TextOf(texts_, kTextSetting));
    enabled_->setText(TextOf(texts_, kTextEnable));
    for (int i = 0; i < 4; ++i) {
        if (auto* label = qobject_cast<QLabel*>(form_->labelForField(numbers_[i])))
            label->setText(TextOf(texts_, kNumberTexts[i]));
    }
    modify_->setText(TextOf(texts_, kTextModify));
    cancel_->setText(TextOf(texts_, kTextCancel));
}

void ForwardWindow::Fill(const ForwardRecord& record) {
    const std::string* numbers[4] = {&record.always, &record.noAnswer, &record.offline, &record.busy};
    for (int i = 0; i < 4; ++i) numbers_[i]->setText(QString::fromStdString(*numbers[i]));
    enabled_->setChecked(record.flag != 0);
    for (QLineEdit* number : numbers_) number->setEnabled(record.flag != 0);
}

bool ForwardWindow::Modify() {
    ForwardRecord record;
    std::string* numbers[4] = {&record.always, &record.noAnswer, &record.offline, &record.busy};
    for (int i = 0; i < 4; ++i) {
        const QString text = numbers_[i]->text().trimmed().left(kMaxNumber);
        if (!PlainNumber(text)) {
            ShowSkinMessageBox(this, texts_, kTextInformation, kTextIllegalNumber);
            numbers_[i]->setFocus();
            return false;
        }
        *numbers[i] = text.toStdString();
    }
    record.flag = enabled_->isChecked() ? 1 : 0;
    if (send_ && !send_(record)) {
        ShowSkinMessageBox(this, texts_, kTextInformation, kTextForwardFailed);
        return true;
    }
    modify_->setEnabled(false); // until the answer
    return true;
}

void ForwardWindow::OnCoreEvent(const CoreEvent& event) {
    if (event.name != "forward_set") return;
    modify_->setEnabled(true);
    if (EventIntField(event, "result") == 0) {
        ShowSkinMessageBox(this, texts_, kTextInformation, kTextForwardSet);
        close();
        return;
    }
    if (current_) Fill(current_());
    ShowSkinMessageBox(this, texts_, kTextInformation, kTextForwardFailed);
}

} // namespace orv
