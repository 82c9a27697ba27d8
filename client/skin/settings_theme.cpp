#include "client/skin/settings_theme.h"

#include "client/skin/skin_picture.h"
#include "client/skin/skin_text.h"
#include "platform/profile.h"

#include <algorithm>
#include <filesystem>

namespace orv {

namespace {

constexpr int kMaxLength = 1024;

class ThemeFile {
public:
    explicit ThemeFile(const std::string& file)
        : file_(file), folder_(std::filesystem::path(file).parent_path().string()) {}

    QImage Picture(const char* section, const char* key) const {
        const std::string name = GetProfileString(section, key, "", file_);
        return name.empty() ? QImage() : LoadSkinPicture(SkinPicturePath(folder_, name));
    }
    QColor Colour(const char* section, const char* key, QColor fallback) const {
        const std::string text = GetProfileString(section, key, "", file_);
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return fallback;
        return SkinColour(static_cast<std::uint32_t>(GetProfileInt(section, key, 0, file_)));
    }
    int Length(const char* section, const char* key) const {
        return std::clamp(GetProfileInt(section, key, 0, file_), 0, kMaxLength);
    }

private:
    std::string file_;
    std::string folder_;
};

ThemeScrollBar ReadScrollBar(const ThemeFile& file, const char* section) {
    ThemeScrollBar bar;
    bar.lowArrow = file.Picture(section, "LeftArrow");
    bar.highArrow = file.Picture(section, "RightArrow");
    bar.thumb = file.Picture(section, "Thumb");
    bar.back = file.Colour(section, "Back", QColor(0xE3, 0xE6, 0xE9));
    bar.thumbFirst = file.Length(section, "ThumbLeftWidth");
    bar.thumbLast = file.Length(section, "ThumbRightWidth");
    return bar;
}

} // namespace

bool LoadSettingsTheme(const std::string& path, SettingsTheme& theme) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const ThemeFile file(path);
    SettingsTheme loaded;
    loaded.titleText = file.Colour("Colours", "TitleText", QColor(Qt::black));
    loaded.inactiveTitleText = file.Colour("Colours", "InactiveTitleText", QColor(Qt::gray));
    loaded.barColour = file.Colour("Colours", "BarColor", QColor(Qt::darkGray));
    loaded.menuColour = file.Colour("Colours", "MenuColor", QColor(Qt::white));
    loaded.buttonFace = file.Colour("Colours", "ButtonFace", QColor(0xF0, 0xF0, 0xF0));
    loaded.buttonText = file.Colour("Colours", "ButtonText", QColor(Qt::black));
    loaded.buttonHilight = file.Colour("Colours", "ButtonHilight", QColor(Qt::white));
    loaded.buttonFocus = file.Colour("Colours", "ButtonFocus", QColor(Qt::blue));
    loaded.usesTransparent = GetProfileInt("Colours", "UsesTran", 0, path) != 0;
    loaded.transparent = file.Colour("Colours", "TransColor", QColor(0xFF, 0x00, 0xFF));
    loaded.tabs = file.Picture("TabCtrl", "Bitmap");
    loaded.tabBackground = file.Colour("TabCtrl", "Background", loaded.buttonFace);
    loaded.tabCentre = file.Colour("TabCtrl", "Center", loaded.buttonHilight);
    NinePartPicture& push = loaded.pushButton;
    push.picture = file.Picture("PushButton", "Bitmap");
    push.top = file.Length("PushButton", "TopHeight");
    push.bottom = file.Length("PushButton", "BottomHeight");
    push.left = file.Length("PushButton", "LeftWidth");
    push.right = file.Length("PushButton", "RightWidth");
    // The four lengths must leave each half's centre at least one pixel.
    if (!push.picture.isNull() && (push.left + push.right >= push.picture.width() ||
                                   push.top + push.bottom >= push.picture.height() / 2)) {
        push.picture = QImage();
    }
    loaded.checkBox = file.Picture("CheckButton", "Bitmap");
    loaded.radioButton = file.Picture("RadioButton", "Bitmap");
    loaded.horizontal = ReadScrollBar(file, "HScrollBar");
    loaded.vertical = ReadScrollBar(file, "VScrollBar");
    theme = std::move(loaded);
    return true;
}

QImage ThemeLook(const QImage& strip, int count, int index) {
    if (strip.isNull() || count <= 0 || index < 0 || index >= count || strip.width() < count) return QImage();
    const int width = strip.width() / count;
    return strip.copy(index * width, 0, width, strip.height());
}

} // namespace orv
