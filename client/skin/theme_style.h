// The settings theme applied: a style that draws push buttons, check boxes, radio buttons,
// tabs and scroll bars from the theme's pictures (every other control as the base style
// draws it), and the take-over of a window's standard controls by it.
#pragma once

#include "client/skin/settings_theme.h"

#include <QProxyStyle>

#include <string>

namespace orv {

class ThemeStyle : public QProxyStyle {
public:
    explicit ThemeStyle(SettingsTheme theme);

    const SettingsTheme& Theme() const { return theme_; }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;

private:
    bool DrawIndicator(const QImage& strip, const QStyleOption& option, QPainter& painter) const;
    bool DrawPushPanel(const QStyleOption& option, QPainter& painter) const;
    bool DrawScrollBar(const QStyleOptionComplex& option, QPainter& painter, const QWidget* widget) const;

    SettingsTheme theme_;
};

// Reads the theme file and has the window's push buttons, check boxes, radio buttons, tab
// bars and scroll bars drawn by it (the controls the window holds now). Returns the style,
// owned by the window, or null when the file does not exist (the window is untouched).
ThemeStyle* TakeOverStandardControls(QWidget& window, const std::string& themeFile);

// Draws a nine-part picture (one half of it: the normal look above the pressed one) into
// target.
void PaintNinePart(QPainter& painter, const NinePartPicture& nine, bool pressed, const QRect& target);

} // namespace orv
