#include "client/video/capture/video_size_table.h"

namespace orv {

VideoSize VideoSizeForIndex(int index) {
    switch (index) {
    case 0:
        return {160, 120};
    case 1:
        return {176, 144};
    case 3:
        return {352, 288};
    case 4:
        return {680, 480};
    default:
        return {320, 240};
    }
}

} // namespace orv
