// The snapshot dialog: shows a still copy of a picture with its title ("Local Picture",
// "Remote Picture", or the name of whoever it shows) and saves it as BMP, JPEG or PNG by the
// chosen name.
#pragma once

#include "client/ui/video/video_picture.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;

namespace orv {

class TextTable;

class SnapshotDialog : public QDialog {
public:
  SnapshotDialog(QWidget* parent, const TextTable& texts, VideoPicture picture,
                 const QString& caption);

  // Saves to path; on failure tells the user why. True when the file was written.
  bool SaveTo(const QString& path);
  QString Caption() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Asks for the file name with a save-file dialog (an empty name cancels) and saves.
    void OnSave();
    QRect PictureArea() const;

    const TextTable& texts_;
    VideoPicture picture_;
    QImage shown_;
    QLabel* caption_ = nullptr;
};

// Shows picture in a new snapshot dialog over parent (deleted when it closes) in place of
// the one *open holds, which closes. Nothing opens for an empty picture.
void ShowSnapshot(QWidget* parent, const TextTable& texts, VideoPicture picture,
                  const QString& caption, QPointer<SnapshotDialog>* open);

} // namespace orv
