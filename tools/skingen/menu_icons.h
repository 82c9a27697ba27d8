// The main window's icons, one small bitmap per icon name ("Icons/<Name>.bmp" in the main
// window's skin folder), on a transparent colour: the function menu's entries and the
// address book's list icons.
#pragma once

#include <QColor>
#include <QString>

namespace skingen {

// Size of each icon (square) and the colour that is transparent in them.
constexpr int kIconSize = 20;
const QColor kIconMaskColour(0xFF, 0x00, 0xFF);

// The program's own icon for the window and the tray, "Icons/Program.bmp".
constexpr int kProgramIconSize = 32;
constexpr char kProgramIconName[] = "Program";

bool WriteMenuIcons(const QString& mainFolder);

} // namespace skingen
