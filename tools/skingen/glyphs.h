// Line glyphs of the default skin: 2 px strokes with round caps, drawn around a centre
// point within a square of the given size.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>

namespace skingen {

enum class Glyph {
    Close, Minimise, Home, Call, HangUp, Redial, Menu, Friends, CallLists, Video, Help,
    Speaker, Microphone, Forward, Zoom, SmallVideo, VideoSwitch, Camera, Play, Pause, Settings,
    Restore, Check, Invite, Leave, Register, Envelope, Info, Lock, Voicemail, Card, DialPad
};

void DrawGlyph(QPainter& painter, Glyph glyph, QPointF centre, qreal size, const QColor& colour,
               qreal stroke = 2.0);

} // namespace skingen
