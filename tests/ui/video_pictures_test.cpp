// Snapshot files and the picture display: what is saved and what is painted, pixel by pixel.
#include "client/data/atomic_file.h"
#include "client/media/video_frame_slot.h"
#include "client/ui/video/snapshot_file.h"
#include "client/ui/video/video_display_window.h"
#include "platform/message.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace orv {
namespace {

const QColor kRed(220, 20, 20);
const QColor kBlue(20, 20, 220);

// Bottom-up RGB24 with the upper half of the picture in one colour, the lower in another.
VideoPicture TwoColours(int width, int height, const QColor& upper = kRed, const QColor& lower = kBlue) {
    VideoPicture picture;
    picture.header = Rgb24Header(width, height);
    const std::size_t stride = Rgb24Stride(width);
    picture.bits.assign(stride * height, 0xEE); // padding bytes stay visible if misread
    for (int row = 0; row < height; ++row) {
        const QColor& c = row < height / 2 ? lower : upper; // stored row 0 is the bottom line
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.bits.data() + row * stride + x * 3;
            p[0] = static_cast<std::uint8_t>(c.blue());
            p[1] = static_cast<std::uint8_t>(c.green());
            p[2] = static_cast<std::uint8_t>(c.red());
        }
    }
    return picture;
}

bool Near(const QColor& a, const QColor& b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(SnapshotFiles, BmpIsByteExactAndJpegAndPngAreRealPictures) {
    QTemporaryDir folder;
    const VideoPicture picture = TwoColours(174, 60); // 522-byte rows: two bytes of padding
    const std::size_t image = Rgb24Stride(174) * 60;
    std::string error;

    const std::string bmp = folder.filePath("shot.BMP").toStdString();
    ASSERT_TRUE(SaveSnapshot(bmp, picture, &error)) << error;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(bmp, 1 << 20, &bytes));
    ASSERT_EQ(bytes.size(), 54 + image);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(U32(bytes, 2), 54 + image);
    EXPECT_EQ(U32(bytes, 6), 0u);
    EXPECT_EQ(U32(bytes, 10), 54u);
    EXPECT_EQ(U32(bytes, 14), 40u);
    EXPECT_EQ(U32(bytes, 34), image);
    EXPECT_TRUE(std::equal(picture.bits.begin(), picture.bits.end(), bytes.begin() + 54));

    // Every format reads back upright in the colours shown.
    for (const char* name : {"shot.BMP", "shot.jpg", "shot.jpeg", "shot.png"}) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        if (QString::fromLatin1(name) != QLatin1String("shot.BMP")) {
            ASSERT_TRUE(SaveSnapshot(path.toStdString(), picture, &error)) << name << ": " << error;
        }
        const QImage read(path);
        ASSERT_FALSE(read.isNull()) << name;
        EXPECT_EQ(read.size(), QSize(174, 60)) << name;
        EXPECT_TRUE(Near(read.pixelColor(80, 5), kRed)) << name;
        EXPECT_TRUE(Near(read.pixelColor(80, 55), kBlue)) << name;
    }

    // Nothing is written for an unknown name or a picture that is not one, and an existing
    // file keeps its contents.
    EXPECT_FALSE(SaveSnapshot(folder.filePath("shot.gif").toStdString(), picture, &error));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("shot.gif")));
    VideoPicture hostile = picture;
    hostile.header.biHeight = 5000; // rows the buffer does not hold
    EXPECT_FALSE(SaveSnapshot(bmp, hostile, &error));
    hostile = picture;
    hostile.header.biHeight = INT32_MIN;
    EXPECT_FALSE(SaveSnapshot(bmp, hostile, &error));
    std::vector<std::uint8_t> after;
    ASSERT_TRUE(ReadFileBytes(bmp, 1 << 20, &after));
    EXPECT_EQ(after, bytes);
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        display.resize(200, 150);
        VideoDisplayLooks looks;
        looks.background = QImage(20, 20, QImage::Format_RGB32);
        looks.background.fill(QColor(0, 160, 0));
        looks.pauseIcon = QImage(10, 10, QImage::Format_RGB32);
        looks.pauseIcon.fill(QColor(255, 200, 0));
        looks.pauseIcon.setPixelColor(0, 0, QColor(255, 0, 255)); // the mask colour
        looks.pauseOffset = QPoint(4, 4);
        display.SetLooks(looks);
    }
    QColor At(int x, int y) { return display.grab().toImage().pixelColor(x, y); }

    VideoDisplayWindow display;
};

TEST_F(DisplayTest, LayoutsPaintLocalRemoteGreyBackgroundAndFrame) {
    const VideoPicture local = TwoColours(64, 48);
    // A frame reaches the window from another thread through its frame window.
    VideoFrame frame;
    frame.width = 64;
    frame.height = 48;
    frame.bits = local.bits.data();
    frame.length = local.bits.size();
    std::thread camera([&] { SendMessage(display.FrameWindow(), WM_VIDEO_LOCAL_FRAME, reinterpret_cast<WPARAM>(&frame), 0); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.HasLocalFrame(); }, 5000));
    camera.join();

    // Local big, upright, over the whole window.
    EXPECT_TRUE(Near(At(100, 10), kRed));
    EXPECT_TRUE(Near(At(100, 140), kBlue));

    // The small picture from 3/5 of each side: grey without a remote picture, framed.
    display.SetLayout(true, true);
    EXPECT_EQ(display.SmallRect(), QRect(120, 90, 80, 60));
    EXPECT_EQ(At(160, 120), VideoDisplayWindow::kGrey);
    EXPECT_EQ(At(120, 120), VideoDisplayWindow::kSmallFrame);
    EXPECT_TRUE(Near(At(100, 10), kRed));

    // Remote big: the slot's picture.
    VideoFrameSlot* slot = GetVideoFrameSlot(2);
    const QColor green(20, 200, 20), yellow(230, 230, 20);
    const VideoPicture remote = TwoColours(32, 32, green, yellow);
    std::uint8_t* buffer = slot->TakeBuffer(remote.bits.size());
    std::copy(remote.bits.begin(), remote.bits.end(), buffer);
    slot->Header() = remote.header;
    slot->Unlock();
    display.SetLayout(true, false);
    EXPECT_EQ(At(60, 40), VideoDisplayWindow::kGrey); // no remote frame yet
    PostMessage(display.FrameWindow(), WM_VIDEO_REMOTE_FRAME, 2, reinterpret_cast<LPARAM>(slot));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Near(At(60, 10), green); }, 5000));
    EXPECT_TRUE(Near(At(60, 80), yellow));
    EXPECT_TRUE(Near(At(160, 100), kRed)); // the local picture is small now

    // The snapshot copies the big picture: the remote one.
    const VideoDisplayWindow::Snapshot shot = display.TakeSnapshot();
    EXPECT_FALSE(shot.local);
    EXPECT_EQ(shot.picture.bits, remote.bits);

    // Disabled local picture: dropped; local big shows the background, the small one grey.
    display.EnableLocal(false);
    EXPECT_FALSE(display.HasLocalFrame());
    EXPECT_EQ(At(160, 120), VideoDisplayWindow::kGrey);
    display.SetLayout(false, true);
    EXPECT_EQ(At(100, 75), QColor(0, 160, 0));
    EXPECT_TRUE(display.TakeSnapshot().picture.Empty());

    // With remote big and no slot: grey all over.
    display.ClearRemote();
    display.SetLayout(false, false);
    EXPECT_EQ(At(100, 75), VideoDisplayWindow::kGrey);
}

TEST_F(DisplayTest, PauseIconBlinksEveryHalfSecondOverTheRemotePicture) {
    display.SetLayout(false, false);
    display.SetPauseIcon(true);
    EXPECT_TRUE(display.PauseIconShown());
    EXPECT_EQ(At(8, 8), QColor(255, 200, 0));
    EXPECT_EQ(At(4, 4), VideoDisplayWindow::kGrey); // the mask colour is see-through
    ASSERT_TRUE(QTest::qWaitFor([&] { return !display.PauseIconShown(); }, 2000));
    EXPECT_EQ(At(8, 8), VideoDisplayWindow::kGrey);
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.PauseIconShown(); }, 2000));
    display.SetPauseIcon(false);
    EXPECT_EQ(At(8, 8), VideoDisplayWindow::kGrey);
}

} // namespace
} // namespace orv
