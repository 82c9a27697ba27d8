// Test pictures for the video codecs: a bottom-up RGB24 scene that moves like a person in
// front of a camera (a textured backdrop that drifts, a striped disc that wanders), and the
// picture distance the tests measure (PSNR).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv::test {

// Frame `index` of the scene at width x height (rows padded to 4 bytes).
std::vector<std::uint8_t> MovingPicture(int width, int height, int index);

// Peak signal-to-noise ratio in dB over the pixels of two pictures of the same size (99 when
// they are equal).
double PictureSnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width, int height);

} // namespace orv::test
