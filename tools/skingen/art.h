// The default skin's palette, the four control looks and small drawing helpers shared by
// every picture the generator draws.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

namespace skingen {

namespace colours {
const QColor kBody(0x24, 0x27, 0x2B);
const QColor kRim(0x3A, 0x3F, 0x45);
const QColor kInset(0x1B, 0x1E, 0x21);
const QColor kDisplay(0xDD, 0xE7, 0xE3);
const QColor kDisplayText(0x1E, 0x2B, 0x26);
const QColor kTool(0x33, 0x38, 0x3E);
const QColor kGlyph(0xE6, 0xEA, 0xED);
const QColor kTitle(0xE8, 0xEC, 0xEF);
const QColor kMuted(0x8A, 0x93, 0x9C);
const QColor kGreen(0x2F, 0xA5, 0x6B);
const QColor kRed(0xD6, 0x45, 0x3D);
const QColor kAmber(0xE0, 0xA1, 0x2E);
const QColor kDialog(0xF4, 0xF5, 0xF6);
const QColor kDialogText(0x2F, 0x34, 0x3A);
} // namespace colours

enum class Look { Normal, Over, Down, Disabled };
constexpr Look kLooks[] = {Look::Normal, Look::Over, Look::Down, Look::Disabled};

// a moved amountOfB (0..1) of the way toward b.
QColor Mix(const QColor& a, const QColor& b, double amountOfB);
// A control colour in a look: Over lightens about 12 %, Down darkens about 15 %, Disabled
// drops the colour and pulls it toward the body, leaving about 40 % of the contrast.
QColor InLook(const QColor& colour, Look look, const QColor& background = colours::kBody);
// Glyphs shift one pixel down when pressed.
int GlyphShift(Look look);

// A fresh picture filled with one colour.
QImage NewPicture(int width, int height, const QColor& fill);
// A painter with antialiasing and the 2 px round-capped glyph pen.
void SetGlyphPen(QPainter& painter, const QColor& colour, qreal width = 2.0);
// The sans-serif face of the skin at a pixel size (never below 11 px).
QFont SkinFont(int pixelSize, bool bold = false);
// Saves as a bitmap file; false (with a message) on failure.
bool SaveBmp(const QImage& image, const QString& path);
// A picture drawn with alpha put on a plain transparent colour and cut hard (alpha at
// least half is kept), so the bitmap carries no fringe of the transparent colour.
QImage OnMaskColour(const QImage& argb, const QColor& mask);
// A colour as a description value: red in the low byte.
unsigned ColourValue(const QColor& colour);

} // namespace skingen
