#include "client/ui/windows/update_dialog.h"

#include "client/core/client_core.h"
#include "client/ui/windows/window_style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {

constexpr int kTextCancel = 158;

} // namespace

UpdateDialog::UpdateDialog(QWidget* owner, ClientCore& core) : QDialog(owner), core_(core) {
    const TextTable& texts = core.Texts();
    StyleWindow(*this);
    setObjectName("UpdateDialog");
    setWindowTitle(TextOf(texts, kTextLiveUpdateTitle));
    status_ = new QLabel(this);
    status_->setObjectName("UpdateStatus");
    status_->setMinimumWidth(320);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("UpdateProgress");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    auto* cancel = new QPushButton(TextOf(texts, kTextCancel), this);
    cancel->setObjectName("UpdateCancel");
    connect(cancel, &QPushButton::clicked, this, &UpdateDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(status_);
    column->addWidget(bar_);
    column->addLayout(row);
}

void UpdateDialog::OnStep(const UpdateDownloadStep& step) {
    if (step.kind != UpdateDownloadStep::Progress) return;
    // Text 109 "Downloading file: %s" with the current file.
    QString text = TextOf(core_.Texts(), kTextDownloadingFile);
    text.replace("%s", QString::fromStdString(step.file));
    status_->setText(text);
    bar_->setValue(step.percent);
}

int UpdateDialog::Percent() const { return bar_->value(); }

void UpdateDialog::reject() {
    QDialog::reject();
    core_.StopUpdateDownload();
}

} // namespace orv
