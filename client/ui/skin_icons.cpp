#include "client/ui/skin_icons.h"

#include "client/skin/skin_picture.h"
#include "platform/paths.h"

#include <QBitmap>
#include <QPixmap>

namespace orv {

namespace {
const QColor kIconTransparent(0xFF, 0x00, 0xFF);
constexpr int kMaxIconSide = 256;
} // namespace

QIcon SkinIcon(const std::string& skinFolder, const std::string& name) {
    if (!IsPlainFileName(name)) return QIcon();
    const QImage picture = LoadSkinPicture(JoinPath(JoinPath(skinFolder, "Icons"), name + ".bmp"));
    if (picture.isNull() || picture.width() > kMaxIconSide || picture.height() > kMaxIconSide) return QIcon();
    QPixmap pixmap = QPixmap::fromImage(picture);
    pixmap.setMask(pixmap.createMaskFromColor(kIconTransparent, Qt::MaskInColor));
    return QIcon(pixmap);
}

} // namespace orv
