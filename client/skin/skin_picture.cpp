#include "client/skin/skin_picture.h"

#include "client/log/log.h"

#include <QImageReader>
#include <QString>

namespace orv {

QImage LoadSkinPicture(const std::string& path) {
    if (path.empty()) return QImage();
    QImageReader reader(QString::fromStdString(path));
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxSkinPictureSide ||
        size.height() > kMaxSkinPictureSide) {
        WriteLog(1, "Skin: picture \"%s\" missing or of an unusable size", path.c_str());
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull() || image.size() != size) {
        WriteLog(1, "Skin: picture \"%s\" cannot be read: %s", path.c_str(),
                 reader.errorString().toUtf8().constData());
        return QImage();
    }
    return image;
}

QRect ToQRect(const SkinRect& rect) { return QRect(rect.x, rect.y, rect.width, rect.height); }

QPixmap CutSkinFace(const QImage& picture, const SkinRect& rect) {
    if (picture.isNull() || rect.Empty()) return QPixmap();
    const QRect r = ToQRect(rect);
    if (!picture.rect().contains(r)) {
        WriteLog(1, "Skin: control rectangle %d,%d,%d,%d reaches outside its %dx%d picture",
                 rect.x, rect.y, rect.width, rect.height, picture.width(), picture.height());
        return QPixmap();
    }
    return QPixmap::fromImage(picture.copy(r));
}

QImage ResampleSkinPicture(const QImage& picture, QSize size, qreal ratio) {
    if (picture.isNull() || size.isEmpty()) return picture;
    const QSize pixels(qRound(size.width() * ratio), qRound(size.height() * ratio));
    if (pixels == picture.size() && ratio == picture.devicePixelRatio()) return picture;
    QImage resampled = pixels == picture.size()
                           ? picture
                           : picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    resampled.setDevicePixelRatio(ratio);
    return resampled;
}

QPixmap CutResampledFace(const QImage& picture, const QRect& rect) {
    if (picture.isNull() || rect.isEmpty()) return QPixmap();
    const qreal ratio = picture.devicePixelRatio();
    const QRect pixels(qRound(rect.x() * ratio), qRound(rect.y() * ratio), qRound(rect.width() * ratio),
                       qRound(rect.height() * ratio));
    const QRect inside = pixels.intersected(picture.rect());
    if (inside.width() < pixels.width() - 1 || inside.height() < pixels.height() - 1) {
        WriteLog(1, "Skin: control rectangle %d,%d,%d,%d reaches outside its picture", rect.x(), rect.y(),
                 rect.width(), rect.height());
        return QPixmap();
    }
    QPixmap face = QPixmap::fromImage(picture.copy(inside));
    face.setDevicePixelRatio(ratio);
    return face;
}

} // namespace orv
