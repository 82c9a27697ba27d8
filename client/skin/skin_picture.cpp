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

} // namespace orv
