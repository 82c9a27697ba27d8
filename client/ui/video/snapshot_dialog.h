// The snapshot dialog: shows a still copy of the big picture with its title ("Local
// Picture" or "Remote Picture") and saves it as BMP, JPEG or PNG by the chosen name.
#pragma once

#include "client/ui/video/video_picture.h"

#include <QDialog>
#include <QString>

class QLabel;

namespace orv {

class TextTable;

class SnapshotDialog : public QDialog {
public:
    SnapshotDialog(QWidget* parent, const TextTable& texts, VideoPicture picture, bool local);

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

} // namespace orv
