// The frame skins of the video and conference windows ("videoWin.ini", "Conference.ini")
// and the settings theme ("theme.ini") with their pictures.
#pragma once

#include <QString>

namespace skingen {

bool WriteVideoSkin(const QString& folder);
bool WriteConferenceSkin(const QString& folder);
bool WriteThemeSkin(const QString& folder);

} // namespace skingen
