// The snapshot dialog: shows a still copy of the big picture with its title ("Local
// Picture" or "Remote Picture") and saves it as BMP, JPEG or PNG by the chosen name.
#pragma once

#include "client/ui/video/video_picture.h"

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;

namespace orv {

class TextTable;

class SnapshotDialog : public QDialog {
public:
    // Asks for the file name (default: a save-file dialog); an empty name cancels.
    using ChooseFile = std::function<QString(QWidget* parent)>;

    SnapshotDialog(QWidget* parent, const TextTable& texts, VideoPicture picture, bool local);

    void SetChooseFile(ChooseFile choose) { choose_ = std::move(choose); }
    // Saves to path; on failure tells the user why. True when the file was written.
    bool SaveTo(const QString& path);
    QString Caption() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnSave();
    QRect PictureArea() const;

    const TextTable& texts_;
    VideoPicture picture_;
    QImage shown_;
    QLabel* caption_ = nullptr;
    ChooseFile choose_;
};

} // namespace orv
