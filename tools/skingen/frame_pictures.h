// Pictures shared by the frame skins: edges, corner masks, title-bar button strips, the
// video background, and the [Personality] section that names them.
#pragma once

#include "tools/skingen/glyphs.h"

#include <QString>
#include <QTextStream>
#include <vector>

namespace skingen {

struct TitleButton {
    const char* name; // upper-case command name
    Glyph glyph;
    int xFromRight;
};

// Writes Top.bmp, Left.bmp, Right.bmp, Bottom.bmp, LeftMask.bmp, RightMask.bmp and one
// "<name>.bmp" strip (normal, hover, pressed side by side) per button into folder, and the
// matching [Personality] and [Button%d] sections to out. False when a file cannot be written.
// withActions adds each button's "Action" (its name), as the theme's frames carry it.
bool WriteFrame(const QString& folder, const std::vector<TitleButton>& buttons, QTextStream& out,
                bool withActions = false);

// A dark picture with a faint camera glyph in the centre.
bool WriteVideoBackground(const QString& path, int width, int height);

} // namespace skingen
