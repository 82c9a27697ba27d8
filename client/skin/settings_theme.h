// The theme of the settings dialogs ("theme.ini"): the colours of the [Colours] section and
// the pictures that replace the look of push buttons, check boxes, radio buttons, the tab
// strip and scroll bars. Every picture is optional: a control whose picture is missing or
// unreadable keeps its ordinary look.
#pragma once

#include <QColor>
#include <QImage>

#include <string>

namespace orv {

// A picture cut in nine parts by four lengths: corners as they are, edges stretched along
// their length, the centre stretched both ways. It holds the normal look above the
// pressed one, each half the picture's height.
struct NinePartPicture {
    QImage picture;
    int top = 0, bottom = 0, left = 0, right = 0;
};

struct ThemeScrollBar {
    QImage lowArrow;  // left or up
    QImage highArrow; // right or down
    QImage thumb;     // along the bar: fixed first and last parts, stretched middle
    QColor back;
    int thumbFirst = 0, thumbLast = 0;
};

struct SettingsTheme {
    QColor titleText, inactiveTitleText, barColour, menuColour;
    QColor buttonFace, buttonText, buttonHilight, buttonFocus;
    bool usesTransparent = false;
    QColor transparent;
    // Tabs: the normal and the current tab side by side.
    QImage tabs;
    QColor tabBackground, tabCentre;
    NinePartPicture pushButton;
    // Four looks side by side: unchecked, checked, unchecked disabled, checked disabled.
    QImage checkBox, radioButton;
    ThemeScrollBar horizontal, vertical;
};

// false (theme untouched) when the file does not exist.
bool LoadSettingsTheme(const std::string& file, SettingsTheme& theme);

// One look of a strip of `count` equal looks side by side; null when the strip is null or
// narrower than count pixels.
QImage ThemeLook(const QImage& strip, int count, int index);

} // namespace orv
