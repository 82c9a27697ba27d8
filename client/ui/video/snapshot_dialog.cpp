#include "client/ui/video/snapshot_dialog.h"

#include "client/log/log.h"
#include "client/text/text_table.h"
#include "client/ui/video/snapshot_file.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

namespace {

constexpr int kTextCamera = 262;
constexpr int kTextSave = 265;
constexpr int kTextCancel = 158;
constexpr int kPictureWidth = 352;
constexpr int kPictureHeight = 288;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString AskFileName(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    dialog.setNameFilters({QStringLiteral("BMP (*.bmp)"), QStringLiteral("JPEG (*.jpg *.jpeg)"),
                           QStringLiteral("PNG (*.png)")});
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

} // namespace

SnapshotDialog::SnapshotDialog(QWidget* parent, const TextTable& texts, VideoPicture picture,
                               const QString& caption)
    : QDialog(parent), texts_(texts), picture_(std::move(picture)), shown_(PictureImage(picture_)) {
    setObjectName(QStringLiteral("SnapshotDialog"));
    setWindowTitle(Q(texts_.Text(kTextCamera)));
    caption_ = new QLabel(caption, this);
    auto* save = new QPushButton(Q(texts_.Text(kTextSave)), this);
    save->setObjectName(QStringLiteral("Save"));
    auto* cancel = new QPushButton(Q(texts_.Text(kTextCancel)), this);
    connect(save, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(caption_);
    column->addSpacing(kPictureHeight + 8);
    column->addLayout(buttons);
    setMinimumWidth(kPictureWidth + 24);
}

QString SnapshotDialog::Caption() const { return caption_->text(); }

QRect SnapshotDialog::PictureArea() const {
    const int top = caption_->geometry().bottom() + 6;
    return QRect((width() - kPictureWidth) / 2, top, kPictureWidth, kPictureHeight);
}

void SnapshotDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(PictureArea(), Qt::black);
    if (!shown_.isNull()) painter.drawImage(PictureArea(), shown_);
}

bool SnapshotDialog::SaveTo(const QString& path) {
    std::string error;
    if (SaveSnapshot(path.toStdString(), picture_, &error)) {
        WriteLog(4, "Snapshot saved to %s", path.toLocal8Bit().constData());
        return true;
    }
    WriteLog(3, "Snapshot not saved to %s: %s", path.toLocal8Bit().constData(), error.c_str());
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(error));
    return false;
}

void SnapshotDialog::OnSave() {
    const QString path = AskFileName(this);
    if (!path.isEmpty() && SaveTo(path)) accept();
}

void ShowSnapshot(QWidget* parent, const TextTable& texts, VideoPicture picture,
                  const QString& caption, QPointer<SnapshotDialog>* open) {
    if (picture.Empty()) return;
    if (*open) (*open)->close();
    auto* dialog = new SnapshotDialog(parent, texts, std::move(picture), caption);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    *open = dialog;
    dialog->open();
}

} // namespace orv
