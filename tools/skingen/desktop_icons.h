// The desktop's icons of orvphone, drawn from the splash logo: the title on the graphite body
// with the green accent, in a rounded square. Written in the hicolor layout,
// FOLDER/hicolor/NxN/apps/orvphone.png for the common sizes and scalable/apps/orvphone.svg.
#pragma once

#include <QString>

namespace skingen {

bool WriteDesktopIcons(const QString& folder);

} // namespace skingen
