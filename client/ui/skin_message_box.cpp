#include "client/ui/skin_message_box.h"

#include "client/text/text_table.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
constexpr int kTextMinWidth = 280;
} // namespace

QString DialogStyleSheet() {
    // Graphite body, the display colour for the text panel, green for the default button.
    return QStringLiteral(
        "QDialog { background: #24272B; }"
        "QLabel { color: #E6EAED; font-family: 'DejaVu Sans'; font-size: 14px; }"
        "QLabel#panel { background: #DDE7E3; color: #1E2B26; border-radius: 8px; padding: 14px; }"
        "QPushButton { background: #33383E; color: #E6EAED; border: none; border-radius: 6px;"
        "  padding: 7px 18px; font-family: 'DejaVu Sans'; font-size: 13px; min-width: 72px; }"
        "QPushButton:hover { background: #484E55; }"
        "QPushButton:pressed { background: #2B2F34; }"
        "QPushButton:default { background: #2FA56B; color: white; }"
        "QPushButton:default:hover { background: #45B27C; }");
}

SkinMessageBox::SkinMessageBox(QWidget* owner, const QString& title, const QString& text,
                               bool withCancel, const QString& okLabel, const QString& cancelLabel)
    : QDialog(owner) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("SkinMessageBox"));
    setStyleSheet(DialogStyleSheet());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 14);
    column->setSpacing(14);
    text_ = new QLabel(text, this);
    text_->setObjectName(QStringLiteral("panel"));
    text_->setWordWrap(true);
    text_->setMinimumWidth(kTextMinWidth);
    text_->setTextFormat(Qt::PlainText); // texts can come from a server
    column->addWidget(text_);
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    auto* ok = new QPushButton(okLabel, this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(ok);
    if (withCancel) {
        auto* cancel = new QPushButton(cancelLabel, this);
        cancel->setObjectName(QStringLiteral("cancel"));
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        row->addWidget(cancel);
    }
    column->addLayout(row);
}

QString SkinMessageBox::Text() const { return text_->text(); }

int ShowSkinMessageBox(QWidget* owner, const TextTable& texts, int titleNumber,
                       const std::string& text, bool withCancel) {
    SkinMessageBox box(owner, Q(texts.Text(titleNumber)), Q(text), withCancel, Q(texts.Text(kTextOk)),
                       Q(texts.Text(kTextCancel)));
    return box.exec() == QDialog::Accepted ? 1 : 0;
}

int ShowSkinMessageBox(QWidget* owner, const TextTable& texts, int titleNumber, int textNumber,
                       bool withCancel) {
    return ShowSkinMessageBox(owner, texts, titleNumber, texts.Text(textNumber), withCancel);
}

} // namespace orv
