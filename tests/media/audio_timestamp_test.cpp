// The audio timestamp every sent audio packet takes.
#include "client/media/audio_timestamp.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace orv {
namespace {

TEST(AudioTimestamp, AdvancesBy240PerPacketAndIsNeverReset) {
    const std::uint32_t first = TakeAudioTimestamp();
    EXPECT_EQ(TakeAudioTimestamp(), first + 240);
    EXPECT_EQ(TakeAudioTimestamp(), first + 480);
    EXPECT_EQ(first % 240, 0u);
}

} // namespace
} // namespace orv
