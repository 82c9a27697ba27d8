#include "client/ui/windows/password_window.h"

#include "client/core/client_core.h"
#include "client/core/core_event_fields.h"
#include "client/text/text_table.h"
#include "client/ui/skin_message_box.h"
#include "client/ui/windows/window_style.h"
#include "wire/password_digest.h"

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
constexpr int kTextPasswordSet = 114;
constexpr int kTextPasswordFailed = 115;
constexpr int kTextWrongPassword = 116;
constexpr int kTextDifferent = 117;
constexpr int kTextModify = 229;
constexpr int kTextTitle = 266;
constexpr int kTextPassword = 267;
constexpr int kTextOriginal = 268;
constexpr int kTextNew = 269;
constexpr int kTextConfirm = 270;
constexpr int kTextInformation = 0;
constexpr int kMaxPassword = 31;
} // namespace

PasswordWindow::PasswordWindow(QWidget* owner, const TextTable& texts, Session session)
    : QDialog(owner), texts_(texts), session_(std::move(session)) {
    setObjectName(QStringLiteral("PasswordWindow"));
    StyleWindow(*this);
    auto* column = new QVBoxLayout(this);
    auto* box = box_ = new QGroupBox(this);
    auto* form = form_ = new QFormLayout(box);
    const auto field = [&](const char* name) {
        auto* edit = new QLineEdit(box);
        edit->setObjectName(QLatin1String(name));
        edit->setEchoMode(QLineEdit::Password);
        edit->setMaxLength(kMaxPassword);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 18);
        form->addRow(new QLabel(box), edit);
        return edit;
    };
    old_ = field("old");
    new_ = field("new");
    confirm_ = field("confirm");
    column->addWidget(box);
    const ActionRow buttons = AddActionRow(*this, *column);
    modify_ = buttons.action;
    cancel_ = buttons.cancel;
    connect(modify_, &QPushButton::clicked, this, [this] { Modify(); });
    Retranslate();
}

void PasswordWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QDialog::changeEvent(event);
}

void PasswordWindow::Retranslate() {
    setWindowTitle(TextOf(texts_, kTextTitle));
    box_->setTitle(TextOf(texts_, kTextPassword));
    const std::pair<QLineEdit*, int> labels[] = {{old_, kTextOriginal}, {new_, kTextNew}, {confirm_, kTextConfirm}};
    for (const auto& [edit, text] : labels) {
        if (auto* label = qobject_cast<QLabel*>(form_->labelForField(edit))) label->setText(TextOf(texts_, text));
    }
    modify_->setText(TextOf(texts_, kTextModify));
    cancel_->setText(TextOf(texts_, kTextCancel));
}

int PasswordWindow::Modify() {
    const std::string old = old_->text().toStdString();
    int refused = 0;
    if (PasswordDigest(session_.number, old) != session_.currentDigest) refused = kTextWrongPassword;
    else if (new_->text() != confirm_->text()) refused = kTextDifferent;
    if (refused != 0) {
        ShowSkinMessageBox(this, texts_, kTextInformation, refused);
        return refused;
    }
    const std::string digest = PasswordDigest(session_.number, new_->text().toStdString());
    if (!session_.send || !session_.send(digest)) {
        ShowSkinMessageBox(this, texts_, kTextInformation, kTextPasswordFailed);
        return kTextPasswordFailed;
    }
    modify_->setEnabled(false); // until the answer
    return 0;
}

void PasswordWindow::OnCoreEvent(const CoreEvent& event) {
    if (event.name != "password_set") return;
    modify_->setEnabled(true);
    if (EventIntField(event, "result") == 0) {
        // The next change starts from the new password.
        session_.currentDigest = PasswordDigest(session_.number, new_->text().toStdString());
        ShowSkinMessageBox(this, texts_, kTextInformation, kTextPasswordSet);
        close();
        return;
    }
    ShowSkinMessageBox(this, texts_, kTextInformation, kTextPasswordFailed);
}

} // namespace orv
