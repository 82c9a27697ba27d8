// What the video window takes from its skin file ("videoWin.ini"): the picture margins and
// aspect of "VIDEODLG", the title-bar buttons and their pictures, the zoom menu's check
// mark, and the pause icon and background it hands to the display window. A missing file
// or key leaves a usable default (no margins, 352 x 288, plain buttons).
#pragma once

#include "client/ui/video/video_display_window.h"
#include "client/ui/video/video_layout.h"

#include <QImage>
#include <QString>
#include <string>
#include <vector>

namespace orv {

struct VideoWindowButton {
    QString name;    // "ZOOM", "SMALLVIDEO", ... upper case
    QImage looks;    // the button's looks side by side (may be null)
    int lookCount = 3;
};

struct VideoWindowSkin {
    VideoFrameMetrics metrics;
    std::vector<VideoWindowButton> buttons;
    QImage checkMark; // 12 x 12, mask colour already transparent
    VideoDisplayLooks display;
};

// Reads file (pictures relative to its folder).
VideoWindowSkin ReadVideoWindowSkin(const std::string& file);

// The zoom menu's check mark of a skin file ("CHECKARROW"), mask colour transparent; null
// when the file has none. Every window that wears the video window's frame reads it so.
QImage ReadZoomCheckMark(const std::string& file);

} // namespace orv
