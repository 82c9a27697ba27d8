// The generated default skin, unpacked from the archives the build made: every control and
// picture the windows need is there and every face lies inside its picture.
#include "client/data/skin_paths.h"
#include "client/data/skin_unpack.h"
#include "client/skin/frame_skin.h"
#include "client/skin/skin_picture.h"
#include "client/skin/skinned_window.h"
#include "platform/profile.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orv {
namespace {

class DefaultSkin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        const std::string root = home_.path().toStdString() + "/" + kSkinRootFolder;
        for (const char* archive : {kMainSkinArchive, kConferenceSkinArchive}) {
            std::string error;
            ASSERT_TRUE(UnpackSkinArchive(std::string(ORV_SKIN_ARCHIVE_DIR) + "/" + archive, root, &error))
                << archive << ": " << error;
        }
    }
    std::string Home() const { return home_.path().toStdString(); }
    std::string Folder(SkinWindow w) const { return SkinFolderPath(Home(), w); }
    std::string File(SkinWindow w) const { return SkinFilePath(Home(), w); }
    // Loads the picture a description key names, relative to the window's folder.
    QImage Picture(SkinWindow w, const char* section, const char* key) const {
        const std::string name = GetProfileString(section, key, "", File(w));
        EXPECT_FALSE(name.empty()) << section << "/" << key;
        return LoadSkinPicture(SkinPicturePath(Folder(w), name));
    }

private:
    QTemporaryDir home_;
};

QRect AreaRect(const std::string& file, const char* key) {
    const std::vector<std::string> t = SplitSkinTokens(GetProfileString("MESSAGEAREA", key, "", file));
    if (t.size() < 5) return QRect();
    return QRect(SkinTokenInt(t[0]), SkinTokenInt(t[1]), SkinTokenInt(t[2]), SkinTokenInt(t[3]));
}

TEST_F(DefaultSkin, MainWindowHasEveryControlWithAllFaces) {
    SkinnedWindow window;
    ASSERT_TRUE(window.LoadSkin(File(SkinWindow::Main)));
    const QImage& main = window.MainPicture();
    ASSERT_FALSE(main.isNull());
    EXPECT_EQ(window.size(), main.size());
    for (const char* name : {"BUTTON_FUNC", "BUTTON_CALL", "BUTTON_RECALL", "BUTTON_ENDCALL",
                             "BUTTON_OWNVIDEO", "BUTTON_FRIEND", "BUTTON_HELP", "BUTTON_CALLRECORD",
                             "BUTTON_MIN", "BUTTON_CLOSE", "BUTTON_LINK", "BUTTON_DIALPAD"}) {
        SkinButton* button = window.Button(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(main.rect().contains(button->geometry())) << name;
        for (int look = 0; look < 4; ++look) {
            EXPECT_FALSE(CutSkinFace(main, SkinRect{button->x(), button->y(), button->width(),
                                                    button->height()}).isNull()) << name;
        }
        EXPECT_TRUE(button->HasFaces()) << name;
        EXPECT_FALSE(button->toolTip().isEmpty()) << name;
    }
    for (const char* name : {"TRACKBAR_PLAY", "TRACKBAR_RECORD"}) {
        SkinSlider* slider = window.Slider(name);
        ASSERT_NE(slider, nullptr) << name;
        EXPECT_TRUE(slider->HasThumb()) << name;
        EXPECT_TRUE(slider->Horizontal()) << name;
        EXPECT_TRUE(main.rect().contains(slider->geometry())) << name;
    }
    // Message and time areas, with readable text sizes, inside the window.
    const std::string ini = File(SkinWindow::Main);
    for (const char* key : {"CALL", "TIME"}) {
        const QRect area = AreaRect(ini, key);
        EXPECT_FALSE(area.isEmpty()) << key;
        EXPECT_TRUE(main.rect().contains(area)) << key;
    }
    // Rounded corners are cut by the mask; the body is inside.
    const QRegion shape = window.mask();
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_FALSE(shape.contains(QPoint(main.width() - 1, main.height() - 1)));
    EXPECT_TRUE(shape.contains(QPoint(main.width() / 2, 0)));
    EXPECT_TRUE(shape.contains(QPoint(main.width() / 2, main.height() / 2)));
}

TEST_F(DefaultSkin, SplashMenuAndForwardingPictures) {
    QImage logo = LoadSkinPicture(Folder(SkinWindow::Main) + "/Logo.bmp");
    EXPECT_EQ(logo.size(), QSize(400, 240));
    EXPECT_FALSE(Picture(SkinWindow::Main, "FUNCMENULEFT", "BMP").isNull());
    EXPECT_FALSE(Picture(SkinWindow::Main, "FORWARDINFO", "BMP").isNull());
    EXPECT_EQ(GetProfileInt("FORWARDINFO", "MASKCOLOR", -1, File(SkinWindow::Main)), 0xFF00FF);
}

// Every icon name of the main window's image list, and the program's own icon, with a
// visible glyph on the transparent colour.
TEST_F(DefaultSkin, EveryImageListIconIsDrawn) {
    for (const char* name :
         {"FriendGroupOn", "FriendGroupOff", "FriendOnLine", "FriendOffLine", "FriendList", "SystemConfig",
          "CallRecord", "ForwardConfig", "PasswordSet", "AccountFill", "PersonalInfo", "ORVShortMessage",
          "Conference", "VoiceMailBox", "HotLine", "PersonalConfig", "Support", "SupportPop", "Help", "About",
          "HelpPop", "Exit", "Program"}) {
        const QImage icon = LoadSkinPicture(Folder(SkinWindow::Main) + "/Icons/" + name + ".bmp");
        ASSERT_FALSE(icon.isNull()) << name;
        EXPECT_EQ(icon.width(), icon.height()) << name;
        int drawn = 0;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) drawn += icon.pixelColor(x, y) != QColor(0xFF, 0x00, 0xFF);
        }
        EXPECT_GT(drawn, icon.width()) << name << ": glyph pixels";
        EXPECT_LT(drawn, icon.width() * icon.height()) << name << ": the transparent colour around it";
    }
}

TEST_F(DefaultSkin, FramesAndThemeHaveTheirPictures) {
    for (SkinWindow w : {SkinWindow::Video, SkinWindow::Conference, SkinWindow::Settings}) {
        SCOPED_TRACE(SkinFileName(w));
        for (const char* key : {"Top", "Left", "Right", "Bottom", "LeftMask", "RightMask"}) {
            EXPECT_FALSE(Picture(w, "Personality", key).isNull()) << key;
        }
        const std::string file = File(w);
        const int buttons = GetProfileInt("Personality", "ButtonCount", 0, file);
        EXPECT_GT(buttons, 0);
        for (int i = 0; i < buttons; ++i) {
            const std::string section = "Button" + std::to_string(i);
            const QImage strip = Picture(w, section.c_str(), "ButtonImage");
            ASSERT_FALSE(strip.isNull()) << section;
            EXPECT_EQ(strip.width() % 3, 0) << section; // three looks side by side
            EXPECT_FALSE(GetProfileString(section, "name", "", file).empty()) << section;
        }
    }
    EXPECT_FALSE(Picture(SkinWindow::Video, "VIDEOBACK", "BMP").isNull());
    EXPECT_FALSE(Picture(SkinWindow::Video, "PAUSEICON", "BMP").isNull());
    EXPECT_EQ(Picture(SkinWindow::Video, "CHECKARROW", "BMP").height(), 12);
    EXPECT_FALSE(Picture(SkinWindow::Conference, "ControlPanel", "bmp").isNull());
    EXPECT_FALSE(Picture(SkinWindow::Settings, "CheckButton", "Bitmap").isNull());
    EXPECT_FALSE(Picture(SkinWindow::Settings, "VScrollBar", "Thumb").isNull());
}

// Writes the main window as drawn to ORV_SKIN_SCREENSHOT when that is set (for look checks).
TEST_F(DefaultSkin, ScreenshotOfTheMainWindow) {
    SkinnedWindow window;
    ASSERT_TRUE(window.LoadSkin(File(SkinWindow::Main)));
    window.Slider("TRACKBAR_PLAY")->SetValue(70);
    window.Slider("TRACKBAR_RECORD")->SetValue(45);
    window.show();
    const QImage drawn = window.grab().toImage();
    EXPECT_EQ(drawn.size(), window.size());
    const QByteArray path = qgetenv("ORV_SKIN_SCREENSHOT");
    if (path.isEmpty()) return;
    // The shot as a person sees it: outside the shape transparent, and sample lines in the
    // message and time areas at the skin's text sizes (the main window draws those itself).
    QImage shot(drawn.size(), QImage::Format_ARGB32);
    shot.fill(Qt::transparent);
    QPainter painter(&shot);
    painter.setClipRegion(window.mask());
    painter.drawImage(0, 0, drawn);
    painter.setPen(QColor(0x1E, 0x2B, 0x26));
    const std::string ini = File(SkinWindow::Main);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    painter.setFont(font);
    painter.drawText(AreaRect(ini, "CALL"), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("Talking: 80012345\nEcho test"));
    font.setPixelSize(30);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(AreaRect(ini, "TIME"), Qt::AlignCenter, QStringLiteral("00:01:05"));
    painter.end();
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(path), "PNG"));
}

} // namespace
} // namespace orv

namespace orv {
namespace {

TEST_F(DefaultSkin, VideoAndConferenceFramesLoadWithRoundedTopCorners) {
    for (SkinWindow w : {SkinWindow::Video, SkinWindow::Conference}) {
        FrameSkin skin;
        ASSERT_TRUE(LoadFrameSkin(File(w), skin)) << File(w);
        EXPECT_GE(skin.TopThickness(), 24);
        EXPECT_FALSE(skin.buttons.empty());
        const QRegion shape = FrameShape(skin, QSize(400, 300));
        EXPECT_FALSE(shape.contains(QPoint(0, 0)));
        EXPECT_FALSE(shape.contains(QPoint(399, 0)));
        EXPECT_TRUE(shape.contains(QPoint(0, 150)));
        EXPECT_TRUE(shape.contains(QPoint(200, 150)));
    }
}

} // namespace
} // namespace orv
