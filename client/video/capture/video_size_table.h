// Picture sizes by the size index the configuration stores.
#pragma once

#include <cstdint>

namespace orv {

struct VideoSize {
    std::uint16_t width;
    std::uint16_t height;
};

// 0: 160 x 120, 1: 176 x 144, 2: 320 x 240, 3: 352 x 288, 4: 680 x 480 (not 640);
// any other index gives 320 x 240.
VideoSize VideoSizeForIndex(int index);

} // namespace orv
