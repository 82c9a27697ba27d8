#include "tools/skingen/menu_icons.h"

#include "tools/skingen/art.h"
#include "tools/skingen/glyphs.h"

#include <QDir>

namespace skingen {

namespace {

struct IconDrawing {
    const char* name;
    Glyph glyph;
    QColor colour;
};

// Light glyphs for the dark menu; presence and call meanings keep their colours.
const IconDrawing kIcons[] = {
    {"FriendGroupOn", Glyph::Friends, colours::kGreen},
    {"FriendGroupOff", Glyph::Friends, colours::kMuted},
    {"FriendOnLine", Glyph::Friends, colours::kGreen},
    {"FriendOffLine", Glyph::Friends, colours::kMuted},
    {"FriendList", Glyph::Friends, colours::kGlyph},
    {"SystemConfig", Glyph::Settings, colours::kGlyph},
    {"CallRecord", Glyph::CallLists, colours::kGlyph},
    {"ForwardConfig", Glyph::Forward, colours::kAmber},
    {"PasswordSet", Glyph::Lock, colours::kGlyph},
    {"AccountFill", Glyph::Card, colours::kGlyph},
    {"PersonalInfo", Glyph::Friends, colours::kGlyph},
    {"ORVShortMessage", Glyph::Envelope, colours::kGlyph},
    {"Conference", Glyph::Invite, colours::kGlyph},
    {"VoiceMailBox", Glyph::Voicemail, colours::kGlyph},
    {"HotLine", Glyph::Call, colours::kGreen},
    {"PersonalConfig", Glyph::Friends, colours::kGlyph},
    {"Support", Glyph::Help, colours::kGlyph},
    {"SupportPop", Glyph::Help, colours::kGlyph},
    {"Help", Glyph::Help, colours::kGlyph},
    {"About", Glyph::Info, colours::kGlyph},
    {"HelpPop", Glyph::Info, colours::kGlyph},
    {"Exit", Glyph::Leave, colours::kRed},
};

QImage Icon(const IconDrawing& entry) {
    QImage glyph(kIconSize, kIconSize, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    DrawGlyph(p, entry.glyph, QPointF(kIconSize / 2.0, kIconSize / 2.0), kIconSize - 4, entry.colour, 1.6);
    p.end();
    return OnMaskColour(glyph, kIconMaskColour);
}

// The program's own icon (window and tray): a green disc with a white handset.
QImage ProgramIcon() {
    QImage picture(kProgramIconSize, kProgramIconSize, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colours::kGreen);
    p.drawEllipse(QRectF(1, 1, kProgramIconSize - 2, kProgramIconSize - 2));
    DrawGlyph(p, Glyph::Call, QPointF(kProgramIconSize / 2.0, kProgramIconSize / 2.0), kProgramIconSize * 0.5,
              Qt::white);
    p.end();
    return OnMaskColour(picture, kIconMaskColour);
}

} // namespace

bool WriteMenuIcons(const QString& mainFolder) {
    const QString folder = mainFolder + "/Icons";
    if (!QDir().mkpath(folder)) return false;
    if (!SaveBmp(ProgramIcon(), folder + "/" + kProgramIconName + ".bmp")) return false;
    for (const IconDrawing& entry : kIcons) {
        if (!SaveBmp(Icon(entry), folder + "/" + entry.name + ".bmp")) return false;
    }
    return true;
}

} // namespace skingen
