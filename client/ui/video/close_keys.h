// Enter and Escape close a dialog; the video pictures and the video settings page take
// them so that they never do.
#pragma once

#include <QKeyEvent>

namespace orv {

// Accepts the event and answers true for Enter, Return and Escape.
inline bool SwallowCloseKey(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape) return false;
    event->accept();
    return true;
}

} // namespace orv
