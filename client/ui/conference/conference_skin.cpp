#include "client/ui/conference/conference_skin.h"

#include "client/skin/skin_description.h"
#include "client/skin/skin_picture.h"
#include "client/skin/skin_text.h"
#include "client/ui/video/video_picture.h"
#include "platform/profile.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace orv {

namespace {

constexpr int kMinLineHeight = 8;
constexpr int kMaxLineHeight = 200;

int Coordinate(const std::string& section, const std::string& key, int fallback, const std::string& file) {
    return std::clamp(GetProfileInt(section, key, fallback, file), 0, kMaxSkinCoordinate);
}

ConferenceListArea ReadArea(const std::string& section, const ConferenceListArea& fallback, const std::string& folder,
                            const std::string& file) {
    ConferenceListArea area;
    const QRect& f = fallback.rect;
    const int left = Coordinate(section, "Left", f.left(), file);
    const int top = Coordinate(section, "top", f.top(), file);
    const int width = Coordinate(section, "Width", f.width(), file);
    const int height = Coordinate(section, "Height", f.height(), file);
    area.rect = QRect(left, top, width, height);
    area.lineHeight = std::clamp(GetProfileInt(section, "LineHeight", fallback.lineHeight, file), kMinLineHeight,
                                 kMaxLineHeight);
    // Icons are drawn on the area with their magenta background left out.
    area.icon = WithoutMaskColour(LoadSkinPicture(SkinPicturePath(folder, GetProfileString(section, "Icon", "", file))),
                                  QColor(255, 0, 255));
    return area;
}

// "x, y, width, height, tooltip": false when the four numbers are not all there.
bool ParseButtonLine(const std::string& line, QRect* rect, QString* tooltip) {
    std::istringstream in(line);
    int v[4] = {};
    for (int& n : v) {
        std::string part;
        if (!std::getline(in, part, ',')) return false;
        try {
            n = std::clamp(std::stoi(part), 0, kMaxSkinCoordinate);
        } catch (...) {
            return false;
        }
    }
    std::string rest;
    std::getline(in, rest);
    const auto first = rest.find_first_not_of(' ');
    *rect = QRect(v[0], v[1], v[2], v[3]);
    *tooltip = QString::fromStdString(first == std::string::npos ? std::string() : rest.substr(first));
    return !rect->isEmpty();
}

} // namespace

ConferenceSkin ReadConferenceSkin(const std::string& file) {
    ConferenceSkin skin;
    const std::string folder = std::filesystem::path(file).parent_path().string();
    skin.panel = LoadSkinPicture(SkinPicturePath(folder, GetProfileString("ControlPanel", "bmp", "", file)));
    skin.panelLeft = Coordinate("ControlPanel", "PanelLeft", 0, file);
    skin.panelRight = std::max(skin.panelLeft + 1, Coordinate("ControlPanel", "PanelRight", 220, file));
    skin.videoBack = LoadSkinPicture(SkinPicturePath(folder, GetProfileString("VIDEOBACK", "BMP", "", file)));
    skin.backColour = SkinColour(static_cast<std::uint32_t>(GetProfileInt("VIDEOBACK", "BackColor", 0x211E1B, file)));
    for (const char* name : {"REQUEST", "INVITE", "EXIT"}) {
        ConferenceSkinButton button;
        button.name = QString::fromLatin1(name);
        if (!ParseButtonLine(GetProfileString("Buttons", name, "", file), &button.rect, &button.tooltip)) continue;
        button.looks = LoadSkinPicture(SkinPicturePath(folder, GetProfileString("ButtonRes", name, "", file)));
        skin.buttons.push_back(button);
    }
    skin.members = ReadArea("MemberArea", skin.members, folder, file);
    skin.messages = ReadArea("MessageArea", skin.messages, folder, file);
    return skin;
}

} // namespace orv
