#include "client/skin/theme_style.h"

#include "client/skin/frame_skin.h"

#include <QAbstractButton>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOption>
#include <QTabBar>
#include <QWidget>

namespace orv {

namespace {
constexpr int kLooks = 4;
}

ThemeStyle::ThemeStyle(SettingsTheme theme) : theme_(std::move(theme)) {}

bool ThemeStyle::DrawIndicator(const QImage& strip, const QStyleOption& option, QPainter& painter) const {
    const bool checked = (option.state & (State_On | State_NoChange)) != 0;
    const bool disabled = (option.state & State_Enabled) == 0;
    const QImage look = ThemeLook(strip, kLooks, (checked ? 1 : 0) + (disabled ? 2 : 0));
    if (look.isNull()) return false;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(option.rect), look);
    if ((option.state & State_HasFocus) != 0) {
        painter.setPen(QPen(theme_.buttonFocus, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    painter.restore();
    return true;
}

void PaintNinePart(QPainter& painter, const NinePartPicture& nine, bool pressed, const QRect& target) {
    const QImage& picture = nine.picture;
    if (picture.isNull() || target.isEmpty()) return;
    const int half = picture.height() / 2;
    const QRect source(0, pressed ? half : 0, picture.width(), half);
    const int sl = nine.left, sr = nine.right, st = nine.top, sb = nine.bottom;
    // Corners and edges never grow beyond half the target.
    const int tl = std::min(sl, target.width() / 2), tr = std::min(sr, target.width() / 2);
    const int tt = std::min(st, target.height() / 2), tb = std::min(sb, target.height() / 2);
    const int xs[] = {source.left(), source.left() + sl, source.right() + 1 - sr, source.right() + 1};
    const int ys[] = {source.top(), source.top() + st, source.bottom() + 1 - sb, source.bottom() + 1};
    const int xt[] = {target.left(), target.left() + tl, target.right() + 1 - tr, target.right() + 1};
    const int yt[] = {target.top(), target.top() + tt, target.bottom() + 1 - tb, target.bottom() + 1};
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRect from(QPoint(xs[column], ys[row]), QPoint(xs[column + 1] - 1, ys[row + 1] - 1));
            const QRect to(QPoint(xt[column], yt[row]), QPoint(xt[column + 1] - 1, yt[row + 1] - 1));
            if (from.isValid() && to.isValid()) painter.drawImage(to, picture, from);
        }
    }
    painter.restore();
}

bool ThemeStyle::DrawPushPanel(const QStyleOption& option, QPainter& painter) const {
    if (theme_.pushButton.picture.isNull()) return false;
    const bool pressed = (option.state & (State_Sunken | State_On)) != 0;
    painter.save();
    if ((option.state & State_Enabled) == 0) painter.setOpacity(0.5);
    PaintNinePart(painter, theme_.pushButton, pressed, option.rect);
    painter.restore();
    // The default button wears the focus colour round its face; the focused one a dotted
    // line inside it.
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(&option);
    const bool isDefault = button != nullptr && (button->features & QStyleOptionButton::DefaultButton) != 0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    if (isDefault) {
        painter.setPen(QPen(theme_.buttonFocus, 1.5));
        painter.drawRoundedRect(QRectF(option.rect).adjusted(1, 1, -1, -1), 4, 4);
    }
    if ((option.state & State_HasFocus) != 0) {
        painter.setPen(QPen(theme_.buttonFocus, 1, Qt::DotLine));
        painter.drawRoundedRect(QRectF(option.rect).adjusted(3.5, 3.5, -3.5, -3.5), 3, 3);
    }
    painter.restore();
    return true;
}

void ThemeStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
    if (option != nullptr && painter != nullptr) {
        switch (element) {
        case PE_IndicatorCheckBox:
            if (DrawIndicator(theme_.checkBox, *option, *painter)) return;
            break;
        case PE_IndicatorRadioButton:
            if (DrawIndicator(theme_.radioButton, *option, *painter)) return;
            break;
        case PE_PanelButtonCommand:
            if (DrawPushPanel(*option, *painter)) return;
            break;
        case PE_FrameFocusRect:
            // Buttons and boxes draw their own focus from the theme.
            if (qobject_cast<const QAbstractButton*>(widget) != nullptr) return;
            break;
        default:
            break;
        }
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ThemeStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    if (element == CE_TabBarTabShape && option != nullptr && painter != nullptr && !theme_.tabs.isNull()) {
        const bool current = (option->state & State_Selected) != 0;
        const QImage look = ThemeLook(theme_.tabs, 2, current ? 1 : 0);
        if (!look.isNull()) {
            PaintStretchedEdge(*painter, look, option->rect, look.width() / 4, look.width() / 4, Qt::Horizontal);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

bool ThemeStyle::DrawScrollBar(const QStyleOptionComplex& option, QPainter& painter, const QWidget* widget) const {
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(&option);
    if (bar == nullptr) return false;
    const bool vertical = bar->orientation == Qt::Vertical;
    const ThemeScrollBar& looks = vertical ? theme_.vertical : theme_.horizontal;
    if (looks.thumb.isNull() || looks.lowArrow.isNull() || looks.highArrow.isNull()) return false;
    painter.fillRect(option.rect, looks.back);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect low = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSubLine, widget);
    const QRect high = subControlRect(CC_ScrollBar, bar, SC_ScrollBarAddLine, widget);
    if (low.isValid()) painter.drawImage(low, looks.lowArrow);
    if (high.isValid()) painter.drawImage(high, looks.highArrow);
    painter.restore();
    const QRect thumb = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
    if (thumb.isValid() && bar->maximum > bar->minimum) {
        painter.save();
        if ((option.state & State_Enabled) == 0) painter.setOpacity(0.5);
        PaintStretchedEdge(painter, looks.thumb, thumb, looks.thumbFirst, looks.thumbLast,
                           vertical ? Qt::Vertical : Qt::Horizontal);
        painter.restore();
    }
    return true;
}

void ThemeStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const {
    if (control == CC_ScrollBar && option != nullptr && painter != nullptr && DrawScrollBar(*option, *painter, widget))
        return;
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

int ThemeStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
        if (!theme_.checkBox.isNull()) return metric == PM_IndicatorWidth ? theme_.checkBox.width() / kLooks
                                                                          : theme_.checkBox.height();
        break;
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
        if (!theme_.radioButton.isNull()) return metric == PM_ExclusiveIndicatorWidth
                                                     ? theme_.radioButton.width() / kLooks
                                                     : theme_.radioButton.height();
        break;
    case PM_ScrollBarExtent:
        if (!theme_.vertical.lowArrow.isNull()) return theme_.vertical.lowArrow.width();
        break;
    default:
        break;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

ThemeStyle* TakeOverStandardControls(QWidget& window, const std::string& themeFile) {
    SettingsTheme theme;
    if (!LoadSettingsTheme(themeFile, theme)) return nullptr;
    auto* style = new ThemeStyle(std::move(theme));
    style->setParent(&window);
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(control) != nullptr || qobject_cast<QTabBar*>(control) != nullptr ||
            qobject_cast<QScrollBar*>(control) != nullptr) {
            control->setStyle(style);
        }
    }
    return style;
}

} // namespace orv
