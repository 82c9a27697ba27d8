#include "client/skin/frame_skin.h"

#include "client/skin/skin_mask.h"
#include "client/skin/skin_picture.h"
#include "client/skin/skin_text.h"
#include "platform/profile.h"

#include <QPainter>

#include <algorithm>
#include <filesystem>

namespace orv {
namespace {

constexpr char kSection[] = "Personality";
constexpr int kMaxButtons = 32;
constexpr int kMaxLooks = 8;
constexpr int kMaxLength = 4096;

int Length(const char* key, int fallback, const std::string& file) {
    return std::clamp(GetProfileInt(kSection, key, fallback, file), 0, kMaxLength);
}

QImage Picture(const std::string& folder, const std::string& section, const char* key, const std::string& file) {
    const std::string name = GetProfileString(section, key, "", file);
    return name.empty() ? QImage() : LoadSkinPicture(SkinPicturePath(folder, name));
}

// One half of an edge picture: the first half for the active look, the second otherwise.
QImage Half(const QImage& picture, Qt::Orientation across, bool active) {
    if (across == Qt::Vertical) {
        const int h = picture.height() / 2;
        return picture.copy(0, active ? 0 : h, picture.width(), h);
    }
    const int w = picture.width() / 2;
    return picture.copy(active ? 0 : w, 0, w, picture.height());
}

// The transparent pixels of rows [fromRow, fromRow + rows) of mask, placed at `at`.
QRegion CutCorner(const QImage& mask, int fromRow, int rows, QPoint at) {
    if (mask.isNull() || rows <= 0 || fromRow < 0 || fromRow + rows > mask.height()) return {};
    const QImage part = mask.copy(0, fromRow, mask.width(), rows);
    const QRegion opaque = RegionFromMask(part);
    return (QRegion(0, 0, part.width(), part.height()) - opaque).translated(at);
}

} // namespace

bool LoadFrameSkin(const std::string& file, FrameSkin& skin) {
    const std::string folder = std::filesystem::path(file).parent_path().string();
    FrameSkin loaded;
    loaded.top = {Picture(folder, kSection, "Top", file), Length("TopTopHeight", 0, file), Length("TopBotHeight", 0, file)};
    loaded.left = {Picture(folder, kSection, "Left", file), Length("LeftTopHeight", 0, file),
                   Length("LeftBotHeight", 0, file)};
    loaded.right = {Picture(folder, kSection, "Right", file), Length("RightTopHeight", 0, file),
                    Length("RightBotHeight", 0, file)};
    loaded.bottom = {Picture(folder, kSection, "Bottom", file), Length("BottomTopHeight", 0, file),
                     Length("BottomBotHeight", 0, file)};
    loaded.leftMask = Picture(folder, kSection, "LeftMask", file);
    loaded.rightMask = Picture(folder, kSection, "RightMask", file);
    for (const QImage* picture : {&loaded.top.picture, &loaded.left.picture, &loaded.right.picture,
                                  &loaded.bottom.picture, &loaded.leftMask, &loaded.rightMask}) {
        if (picture->isNull()) return false;
    }
    loaded.lookCount = std::clamp(GetProfileInt(kSection, "ButtonImgCount", 3, file), 1, kMaxLooks);
    loaded.textShift = QPoint(std::clamp(GetProfileInt(kSection, "TextShift", 0, file), -kMaxLength, kMaxLength),
                              std::clamp(GetProfileInt(kSection, "TextShiftVert", 0, file), -kMaxLength, kMaxLength));
    loaded.transparent = SkinColour(static_cast<std::uint32_t>(GetProfileInt(kSection, "ColTrans", 0, file)));
    loaded.frameWidth = Length("FrameWidth", 5, file);
    const int buttons = std::clamp(GetProfileInt(kSection, "ButtonCount", 0, file), 0, kMaxButtons);
    for (int i = 0; i < buttons; ++i) {
        const std::string section = "Button" + std::to_string(i);
        FrameButton button;
        button.name = QString::fromStdString(GetProfileString(section, "name", "", file)).toUpper();
        button.offset = QPoint(std::clamp(GetProfileInt(section, "XCoord", 0, file), -kMaxLength, kMaxLength),
                               std::clamp(GetProfileInt(section, "YCoord", 0, file), -kMaxLength, kMaxLength));
        button.align = QString::fromStdString(GetProfileString(section, "Align", "", file)).toUpper();
        button.looks = Picture(folder, section, "ButtonImage", file);
        loaded.buttons.push_back(button);
    }
    skin = std::move(loaded);
    return true;
}

void PaintStretchedEdge(QPainter& painter, const QImage& strip, const QRect& target, int first, int last,
                        Qt::Orientation along) {
    const bool horizontal = along == Qt::Horizontal;
    const int length = horizontal ? strip.width() : strip.height();
    const int thickness = horizontal ? strip.height() : strip.width();
    if (strip.isNull() || length <= 0 || target.isEmpty()) return;
    first = std::clamp(first, 0, length);
    last = std::clamp(last, 0, length - first);
    int middleFrom = first;
    int middleLength = length - last - first;
    if (middleLength <= 0) { // nothing left between the fixed parts: one pixel of it
        middleFrom = std::min(first, length - 1);
        middleLength = 1;
    }
    const int targetLength = horizontal ? target.width() : target.height();
    const auto part = [&](int from, int count) {
        return horizontal ? QRect(from, 0, count, thickness) : QRect(0, from, thickness, count);
    };
    const auto place = [&](int at, int count) {
        return horizontal ? QRect(target.left() + at, target.top(), count, target.height())
                          : QRect(target.left(), target.top() + at, target.width(), count);
    };
    const int stretched = targetLength - first - last;
    if (stretched > 0) painter.drawImage(place(first, stretched), strip, part(middleFrom, middleLength));
    if (first > 0) painter.drawImage(place(0, std::min(first, targetLength)), strip, part(0, std::min(first, targetLength)));
    if (last > 0 && targetLength - last >= 0) painter.drawImage(place(targetLength - last, last), strip, part(length - last, last));
}

void PaintFrame(QPainter& painter, const FrameSkin& skin, QSize size, bool active) {
    const int w = size.width(), h = size.height();
    const int top = skin.TopThickness(), bottom = skin.BottomThickness();
    PaintStretchedEdge(painter, Half(skin.left.picture, Qt::Horizontal, active),
                       QRect(0, 0, skin.LeftThickness(), h), skin.left.first, skin.left.last, Qt::Vertical);
    PaintStretchedEdge(painter, Half(skin.right.picture, Qt::Horizontal, active),
                       QRect(w - skin.RightThickness(), 0, skin.RightThickness(), h), skin.right.first,
                       skin.right.last, Qt::Vertical);
    PaintStretchedEdge(painter, Half(skin.top.picture, Qt::Vertical, active), QRect(0, 0, w, top), skin.top.first,
                       skin.top.last, Qt::Horizontal);
    PaintStretchedEdge(painter, Half(skin.bottom.picture, Qt::Vertical, active), QRect(0, h - bottom, w, bottom),
                       skin.bottom.first, skin.bottom.last, Qt::Horizontal);
}

QPoint FrameButtonPosition(const FrameButton& button, int width) {
    if (button.align == QLatin1String("RIGHT")) return QPoint(width - button.offset.x(), button.offset.y());
    return button.offset;
}

QRegion FrameShape(const FrameSkin& skin, QSize size) {
    QRegion shape(0, 0, size.width(), size.height());
    const int lh = skin.leftMask.height(), rh = skin.rightMask.height();
    shape -= CutCorner(skin.leftMask, 0, std::min(skin.left.first, lh), QPoint(0, 0));
    const int leftBottom = std::min(skin.left.last, lh);
    shape -= CutCorner(skin.leftMask, lh - leftBottom, leftBottom, QPoint(0, size.height() - leftBottom));
    const int rx = size.width() - skin.rightMask.width();
    shape -= CutCorner(skin.rightMask, 0, std::min(skin.right.first, rh), QPoint(rx, 0));
    const int rightBottom = std::min(skin.right.last, rh);
    shape -= CutCorner(skin.rightMask, rh - rightBottom, rightBottom, QPoint(rx, size.height() - rightBottom));
    return shape;
}

} // namespace orv
