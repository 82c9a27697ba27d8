#include "client/ui/windows/settings_window.h"

#include "client/ui/windows/window_style.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace orv {

namespace {
constexpr int kTextSettings = 175;
constexpr int kTextOk = 162;
constexpr int kTextApply = 176;
constexpr int kTextCancel = 158;
} // namespace

SettingsWindow::SettingsWindow(QWidget* owner, const TextTable& texts, std::vector<SettingsPage*> pages,
                               std::function<void()> applied, std::function<void()> cancelled)
    : QDialog(owner), texts_(texts), pages_(std::move(pages)), applied_(std::move(applied)),
      cancelled_(std::move(cancelled)) {
    setObjectName(QStringLiteral("SettingsWindow"));
    StyleWindow(*this);
    setModal(false);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    for (SettingsPage* page : pages_) tabs_->addTab(page, QString());
    column->addWidget(tabs_);

    auto* row = new QHBoxLayout();
    row->addStretch(1);
    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setDefault(true);
    apply_ = new QPushButton(this);
    apply_->setObjectName(QStringLiteral("apply"));
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* button : {ok_, apply_, cancel_}) row->addWidget(button);
    column->addLayout(row);
    connect(ok_, &QPushButton::clicked, this, [this] {
        ApplyAll();
        accept();
    });
    connect(apply_, &QPushButton::clicked, this, [this] { ApplyAll(); });
    connect(cancel_, &QPushButton::clicked, this, &SettingsWindow::reject);
    Retranslate();
    if (!pages_.empty()) tabs_->setCurrentIndex(0);
}

SettingsPage* SettingsWindow::Page(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < pages_.size() ? pages_[static_cast<std::size_t>(index)]
                                                                         : nullptr;
}

void SettingsWindow::Lock(bool idle) {
    ok_->setEnabled(idle);
    apply_->setEnabled(idle);
    for (SettingsPage* page : pages_) page->Lock(idle);
}

void SettingsWindow::HandsetChanged() {
    for (SettingsPage* page : pages_) page->HandsetChanged();
}

bool SettingsWindow::ApplyAll() {
    bool saved = true;
    for (SettingsPage* page : pages_) saved = page->Apply() && saved;
    if (applied_) applied_();
    return saved;
}

void SettingsWindow::reject() {
    if (cancelled_) cancelled_();
    QDialog::reject();
}

void SettingsWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Retranslate();
    QDialog::changeEvent(event);
}

void SettingsWindow::Retranslate() {
    setWindowTitle(TextOf(texts_, kTextSettings));
    for (std::size_t i = 0; i < pages_.size(); ++i)
        tabs_->setTabText(static_cast<int>(i), TextOf(texts_, pages_[i]->TitleText()));
    ok_->setText(TextOf(texts_, kTextOk));
    apply_->setText(TextOf(texts_, kTextApply));
    cancel_->setText(TextOf(texts_, kTextCancel));
}

} // namespace orv
