#include "tools/skingen/frame_skin.h"

#include "tools/skingen/art.h"
#include "tools/skingen/frame_pictures.h"

#include <QFile>
#include <QPainterPath>
#include <QTextStream>

namespace skingen {

namespace {

const QColor kTransparent(0xFF, 0x00, 0xFF); // mask colour of masked pictures

bool WriteText(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    return file.write(text.toUtf8()) == text.toUtf8().size();
}

// Glyphs on the transparent colour, cut hard so no blended fringe remains.
QImage MaskedGlyphs(const std::vector<Glyph>& glyphs, int cell, const QColor& colour) {
    QImage smooth(cell * static_cast<int>(glyphs.size()), cell, QImage::Format_ARGB32);
    smooth.fill(Qt::transparent);
    {
        QPainter p(&smooth);
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            DrawGlyph(p, glyphs[i], QPointF(cell * (i + 0.5), cell / 2.0), cell - 2, colour);
        }
    }
    QImage image = NewPicture(smooth.width(), cell, kTransparent);
    for (int y = 0; y < smooth.height(); ++y) {
        for (int x = 0; x < smooth.width(); ++x) {
            if (qAlpha(smooth.pixel(x, y)) >= 128) image.setPixelColor(x, y, colour);
        }
    }
    return image;
}

// A tool button in four looks side by side (normal, hover, pressed, disabled).
QImage ToolButtonStrip(Glyph glyph, int size) {
    QImage image = NewPicture(4 * size, size, colours::kBody);
    QPainter p(&image);
    for (int i = 0; i < 4; ++i) {
        const QRectF cell(i * size, 0, size, size);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(InLook(colours::kTool, kLooks[i]));
        p.drawRoundedRect(cell.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        DrawGlyph(p, glyph, cell.center() + QPointF(0, GlyphShift(kLooks[i])), size / 2.0,
                  InLook(colours::kGlyph, kLooks[i]));
    }
    return image;
}

QString Num(unsigned value) { return QString::number(value); }

} // namespace

bool WriteVideoSkin(const QString& folder) {
    QString text;
    QTextStream out(&text);
    const std::vector<TitleButton> buttons = {
        {"CLOSE", Glyph::Close, 26},        {"RESTORE", Glyph::Restore, 50},
        {"VIDEOCONFIG", Glyph::Settings, 82}, {"PAUSE", Glyph::Pause, 106},
        {"PLAY", Glyph::Play, 106},         {"CAMERA", Glyph::Camera, 130},
        {"VIDEOSWITCH", Glyph::VideoSwitch, 154}, {"SMALLVIDEO", Glyph::SmallVideo, 178},
        {"ZOOM", Glyph::Zoom, 202},
    };
    if (!WriteFrame(folder, buttons, out)) return false;
    out << "[VIDEODLG]\nLeft=0\nTop=0\nRight=0\nBottom=0\nWidth=352\nHeight=288\n\n"
        << "[CHECKARROW]\nBMP=CheckArrow.bmp\nMASKCOLOR=" << Num(ColourValue(kTransparent))
        << "\n\n[PAUSEICON]\nBMP=PauseIcon.bmp\nLeft=12\nTop=12\nMASKCOLOR="
        << Num(ColourValue(kTransparent)) << "\n\n[VIDEOBACK]\nBMP=VideoBack.bmp\nBackColor="
        << Num(ColourValue(colours::kInset)) << "\n";
    out.flush();
    return SaveBmp(MaskedGlyphs({Glyph::Check}, 12, colours::kDialogText), folder + "/CheckArrow.bmp") &&
           SaveBmp(MaskedGlyphs({Glyph::Pause}, 24, colours::kAmber), folder + "/PauseIcon.bmp") &&
           WriteVideoBackground(folder + "/VideoBack.bmp", 352, 288) &&
           WriteText(folder + "/videoWin.ini", text);
}

bool WriteConferenceSkin(const QString& folder) {
    QString text;
    QTextStream out(&text);
    const std::vector<TitleButton> buttons = {
        {"CLOSE", Glyph::Close, 26},
        {"VIDEOCONFIG", Glyph::Settings, 58},
        {"CAMERA", Glyph::Camera, 82},
        {"ZOOM", Glyph::Zoom, 106},
    };
    if (!WriteFrame(folder, buttons, out)) return false;

    // The control panel: three tool buttons over a member area and a message area, both in
    // the display colour.
    constexpr int kPanelWidth = 220, kPanelHeight = 420, kTool = 40;
    QImage panel = NewPicture(kPanelWidth, kPanelHeight, colours::kBody);
    {
        QPainter p(&panel);
        p.setRenderHint(QPainter::Antialiasing);
        for (const QRect& area : {QRect(10, 64, 200, 170), QRect(10, 246, 200, 164)}) {
            QPainterPath path;
            path.addRoundedRect(QRectF(area), 8, 8);
            p.fillPath(path, colours::kDisplay);
        }
    }
    struct PanelButton { const char* name; Glyph glyph; int x; const char* tip; };
    const PanelButton panelButtons[] = {
        {"REQUEST", Glyph::Register, 10, "Register Conference Room"},
        {"INVITE", Glyph::Invite, 90, "Invite"},
        {"EXIT", Glyph::Leave, 170, "Leave Conference Room"},
    };
    out << "[CHECKARROW]\nBMP=CheckArrow.bmp\nMASKCOLOR=" << Num(ColourValue(kTransparent))
        << "\n\n[ControlPanel]\nbmp=Panel.bmp\nPanelLeft=0\nPanelRight=" << kPanelWidth
        << "\n\n[VIDEOBACK]\nBMP=VideoBack.bmp\nBackColor=" << Num(ColourValue(colours::kInset))
        << "\n\n; each button picture holds four looks side by side: normal, hover, pressed, "
           "disabled\n"
           "[ButtonRes]\n";
    for (const PanelButton& b : panelButtons) {
        const QString file = QString::fromLatin1(b.name).toLower() + ".bmp";
        if (!SaveBmp(ToolButtonStrip(b.glyph, kTool), folder + "/" + file)) return false;
        out << b.name << "=" << file << "\n";
    }
    out << "\n; name = x, y, width, height, tooltip (panel coordinates)\n[Buttons]\n";
    for (const PanelButton& b : panelButtons) {
        out << b.name << "=" << b.x << ",12," << kTool << "," << kTool << "," << b.tip << "\n";
    }
    out << "\n[MemberArea]\nLeft=18\ntop=72\nRight=202\nBottom=226\nWidth=184\nHeight=154\n"
           "LineHeight=24\nIcon=Member.bmp\n\n[MessageArea]\nLeft=18\ntop=254\nRight=202\n"
           "Bottom=402\nWidth=184\nHeight=148\nLineHeight=18\nIcon=Message.bmp\n";
    out.flush();
    return SaveBmp(panel, folder + "/Panel.bmp") &&
           SaveBmp(MaskedGlyphs({Glyph::Check}, 12, colours::kDialogText),
                   folder + "/CheckArrow.bmp") &&
           SaveBmp(MaskedGlyphs({Glyph::Friends}, 16, colours::kDisplayText),
                   folder + "/Member.bmp") &&
           SaveBmp(MaskedGlyphs({Glyph::CallLists}, 16, colours::kDisplayText),
                   folder + "/Message.bmp") &&
           WriteVideoBackground(folder + "/VideoBack.bmp", 176, 144) &&
           WriteText(folder + "/Conference.ini", text);
}

} // namespace skingen
