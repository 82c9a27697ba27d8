// The default settings theme taking over a window's standard controls: check and radio
// boxes drawn from their four looks, push buttons from the nine-part picture (pressed
// darker), the current tab's accent, scroll bars from their arrows and thumb; a window
// without a theme file keeps its look, and nine-part lengths that leave no centre are
// refused.
#include "client/data/skin_paths.h"
#include "client/data/skin_unpack.h"
#include "client/skin/theme_style.h"

#include <QCheckBox>
#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <fstream>

namespace orv {
namespace {

const QColor kAccent(0x2F, 0xA5, 0x6B);

int CountNear(const QImage& image, QRect area, const QColor& colour, int tolerance = 12) {
    int count = 0;
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    }
    return count;
}

class DefaultTheme : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        const std::string root = home_.path().toStdString() + "/" + kSkinRootFolder;
        ASSERT_TRUE(UnpackSkinArchive(std::string(ORV_SKIN_ARCHIVE_DIR) + "/" + kMainSkinArchive, root, &error))
            << error;
        file_ = SkinFilePath(home_.path().toStdString(), SkinWindow::Settings);
    }
    QTemporaryDir home_;
    std::string file_;
};

TEST_F(DefaultTheme, TakesOverBoxesButtonsTabsAndScrollBars) {
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* tabs = new QTabWidget(&window);
    tabs->addTab(new QWidget(), QStringLiteral("General"));
    tabs->addTab(new QWidget(), QStringLiteral("Audio"));
    column->addWidget(tabs);
    auto* on = new QCheckBox(QStringLiteral("on"), &window);
    on->setChecked(true);
    auto* off = new QCheckBox(QStringLiteral("off"), &window);
    auto* greyOn = new QCheckBox(QStringLiteral("grey"), &window);
    greyOn->setChecked(true);
    greyOn->setEnabled(false);
    auto* radio = new QRadioButton(QStringLiteral("radio"), &window);
    radio->setChecked(true);
    auto* push = new QPushButton(QStringLiteral("Apply"), &window);
    push->setMinimumSize(120, 32);
    auto* bar = new QScrollBar(Qt::Vertical, &window);
    bar->setRange(0, 100);
    bar->setPageStep(20);
    bar->setFixedHeight(120);
    for (QWidget* w : std::initializer_list<QWidget*>{on, off, greyOn, radio, push, bar}) column->addWidget(w);

    ThemeStyle* style = TakeOverStandardControls(window, file_);
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->parent(), &window);
    EXPECT_EQ(on->style(), style);
    EXPECT_EQ(bar->style(), style);
    EXPECT_EQ(tabs->findChild<QTabBar*>()->style(), style);
    EXPECT_NE(window.style(), style); // only the standard controls
    EXPECT_EQ(style->pixelMetric(QStyle::PM_IndicatorWidth), 14);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent), 10);
    window.resize(300, 420);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // The checked box carries the accent, the unchecked one none, the disabled one a paler one.
    EXPECT_GT(CountNear(on->grab().toImage(), QRect(0, 0, 16, on->height()), kAccent), 40);
    EXPECT_EQ(CountNear(off->grab().toImage(), QRect(0, 0, 16, off->height()), kAccent), 0);
    EXPECT_EQ(CountNear(greyOn->grab().toImage(), QRect(0, 0, 16, greyOn->height()), kAccent), 0);
    EXPECT_GT(CountNear(radio->grab().toImage(), QRect(0, 0, 16, radio->height()), kAccent), 8);

    // The push button's middle is the picture's white face; pressed, a darker one.
    const QPoint middle(8, push->height() / 2);
    const QColor face = push->grab().toImage().pixelColor(middle);
    EXPECT_EQ(face, QColor(Qt::white));
    push->setDown(true);
    const QColor pressed = push->grab().toImage().pixelColor(middle);
    EXPECT_LT(pressed.lightness(), face.lightness());
    push->setDown(false);

    // The current tab is underlined by the accent; the other is not.
    QTabBar* bar0 = tabs->findChild<QTabBar*>();
    const QImage strip = bar0->grab().toImage();
    const QRect first = bar0->tabRect(0), second = bar0->tabRect(1);
    EXPECT_GE(CountNear(strip, first.adjusted(0, first.height() - 3, 0, 0), kAccent, 4), first.width());
    EXPECT_EQ(CountNear(strip, second.adjusted(0, second.height() - 3, 0, 0), kAccent, 4), 0);

    // The scroll bar: the theme's track with its thumb in the thumb colour.
    const QImage track = bar->grab().toImage();
    EXPECT_GT(CountNear(track, track.rect(), QColor(0x9A, 0xA2, 0xAA), 4), 40);
    EXPECT_GT(CountNear(track, track.rect(), QColor(0xE3, 0xE6, 0xE9), 2), 100);
}

TEST_F(DefaultTheme, NoFileLeavesTheLookAndAPushButtonWithoutACentreIsRefused) {
    QWidget window;
    auto* box = new QCheckBox(&window);
    QStyle* before = box->style();
    EXPECT_EQ(TakeOverStandardControls(window, "/nonexistent/theme.ini"), nullptr);
    EXPECT_EQ(box->style(), before);

    // Left and right widths eating the whole 24-pixel picture: that picture is not used, the
    // rest of the theme is.
    std::string text;
    {
        std::ifstream in(file_);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t at = text.find("LeftWidth=6");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 11, "LeftWidth=18");
    std::ofstream(file_, std::ios::trunc) << text;
    SettingsTheme theme;
    ASSERT_TRUE(LoadSettingsTheme(file_, theme));
    EXPECT_TRUE(theme.pushButton.picture.isNull());
    EXPECT_FALSE(theme.checkBox.isNull());
    EXPECT_EQ(theme.buttonFocus, kAccent);

    // A nine-part picture: corners as they are, the centre stretched; drawn lower than its
    // two corners the centre row goes and the corners shrink to half the target each.
    NinePartPicture nine;
    nine.picture = QImage(24, 48, QImage::Format_RGB32);
    nine.picture.fill(Qt::red);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            if (x >= 6 && x < 18 && y >= 6 && y < 18) nine.picture.setPixelColor(x, y, Qt::blue);
    nine.top = nine.bottom = nine.left = nine.right = 6;
    QImage target(40, 28, QImage::Format_RGB32);
    target.fill(Qt::green);
    {
        QPainter painter(&target);
        PaintNinePart(painter, nine, false, QRect(0, 0, 40, 20));
        PaintNinePart(painter, nine, false, QRect(0, 20, 40, 8));
    }
    EXPECT_EQ(CountNear(target, target.rect(), Qt::green, 0), 0); // all of it covered
    EXPECT_EQ(target.pixelColor(20, 10), QColor(Qt::blue));
    EXPECT_EQ(target.pixelColor(20, 5), QColor(Qt::red));
    EXPECT_EQ(target.pixelColor(20, 24), QColor(Qt::red));
}

} // namespace
} // namespace orv
