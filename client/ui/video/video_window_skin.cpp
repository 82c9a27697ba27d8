#include "client/ui/video/video_window_skin.h"

#include "client/skin/skin_description.h"
#include "client/skin/skin_picture.h"
#include "client/skin/skin_text.h"
#include "platform/profile.h"

#include <filesystem>

namespace orv {

namespace {

constexpr int kMaxTitleButtons = 32;
constexpr int kMaxLooks = 8;

std::string FolderOf(const std::string& file) {
    return std::filesystem::path(file).parent_path().string();
}

QImage Picture(const std::string& folder, const std::string& section, const std::string& file) {
    return LoadSkinPicture(SkinPicturePath(folder, GetProfileString(section, "BMP", "", file)));
}

QColor Colour(const std::string& section, const std::string& key, int fallback, const std::string& file) {
    return SkinColour(static_cast<std::uint32_t>(GetProfileInt(section, key, fallback, file)));
}

} // namespace

QImage ReadZoomCheckMark(const std::string& file) {
    return WithoutMaskColour(Picture(FolderOf(file), "CHECKARROW", file),
                             Colour("CHECKARROW", "MASKCOLOR", 0xFF00FF, file));
}

VideoWindowSkin ReadVideoWindowSkin(const std::string& file) {
    VideoWindowSkin skin;
    const std::string folder = FolderOf(file);
    VideoFrameMetrics& m = skin.metrics;
    m.left = std::clamp(GetProfileInt("VIDEODLG", "Left", 0, file), 0, kMaxSkinCoordinate);
    m.top = std::clamp(GetProfileInt("VIDEODLG", "Top", 0, file), 0, kMaxSkinCoordinate);
    m.right = std::clamp(GetProfileInt("VIDEODLG", "Right", 0, file), 0, kMaxSkinCoordinate);
    m.bottom = std::clamp(GetProfileInt("VIDEODLG", "Bottom", 0, file), 0, kMaxSkinCoordinate);
    m.width = std::clamp(GetProfileInt("VIDEODLG", "Width", 352, file), 16, kMaxSkinCoordinate);
    m.height = std::clamp(GetProfileInt("VIDEODLG", "Height", 288, file), 16, kMaxSkinCoordinate);

    const int lookCount = std::clamp(GetProfileInt("Personality", "ButtonImgCount", 3, file), 1, kMaxLooks);
    const int buttons = std::clamp(GetProfileInt("Personality", "ButtonCount", 0, file), 0, kMaxTitleButtons);
    for (int i = 0; i < buttons; ++i) {
        const std::string section = "Button" + std::to_string(i);
        VideoWindowButton button;
        button.name = QString::fromStdString(GetProfileString(section, "name", "", file)).toUpper();
        if (button.name.isEmpty()) continue;
        button.looks = LoadSkinPicture(SkinPicturePath(folder, GetProfileString(section, "ButtonImage", "", file)));
        button.lookCount = lookCount;
        skin.buttons.push_back(button);
    }

    skin.checkMark = ReadZoomCheckMark(file);
    VideoDisplayLooks& looks = skin.display;
    looks.pauseIcon = Picture(folder, "PAUSEICON", file);
    looks.pauseOffset = QPoint(std::clamp(GetProfileInt("PAUSEICON", "Left", 0, file), 0, kMaxSkinCoordinate),
                               std::clamp(GetProfileInt("PAUSEICON", "Top", 0, file), 0, kMaxSkinCoordinate));
    looks.pauseMask = Colour("PAUSEICON", "MASKCOLOR", 0xFF00FF, file);
    looks.background = Picture(folder, "VIDEOBACK", file);
    looks.backColour = Colour("VIDEOBACK", "BackColor", 0, file);
    return skin;
}

} // namespace orv
