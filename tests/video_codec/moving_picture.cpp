#include "tests/video_codec/moving_picture.h"

#include "client/video/codec/rgb24_picture.h"

#include <algorithm>
#include <cmath>

namespace orv::test {

std::vector<std::uint8_t> MovingPicture(int width, int height, int index) {
    const std::size_t stride = Rgb24Stride(width);
    std::vector<std::uint8_t> bits(stride * static_cast<std::size_t>(height), 0);
    const double t = index / 15.0;
    const double discX = width * (0.5 + 0.3 * std::sin(t * 1.3));
    const double discY = height * (0.5 + 0.25 * std::cos(t * 0.9));
    const double radius = std::min(width, height) / 4.0;
    // The backdrop is a sum of waves along each axis: tabulated once per column and row.
    std::vector<double> red(static_cast<std::size_t>(width)), green(red.size()), cosU(red.size()), sinU(red.size());
    for (int x = 0; x < width; ++x) {
        const double u = x + 0.5 * index;
        red[static_cast<std::size_t>(x)] = 110 + 60 * std::sin(u / 23.0);
        green[static_cast<std::size_t>(x)] = 120 + 20 * std::sin(u / 13.0);
        cosU[static_cast<std::size_t>(x)] = std::cos(u / 31.0);
        sinU[static_cast<std::size_t>(x)] = std::sin(u / 31.0);
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bits.data() + stride * static_cast<std::size_t>(y);
        const double v = y + 0.25 * index;
        const double redV = 30 * std::cos(v / 11.0);
        const double cosV = std::cos(v / 31.0);
        const double sinV = std::sin(v / 31.0);
        const double blue = 100 + 70 * std::sin(v / 17.0);
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(x);
            double r = red[i] + redV;
            double g = green[i] + 50 * (cosU[i] * cosV - sinU[i] * sinV); // cos((u + v) / 31)
            double b = blue;
            const double dx = x - discX;
            const double dy = y - discY;
            if (dx * dx + dy * dy < radius * radius) {
                const bool stripe = static_cast<int>(std::floor((dx + dy + 2.0 * index) / 6.0)) % 2 == 0;
                r = stripe ? 230 : 40;
                g = stripe ? 200 : 60;
                b = stripe ? 150 : 90;
            }
            row[x * 3 + 0] = static_cast<std::uint8_t>(std::clamp(b, 0.0, 255.0));
            row[x * 3 + 1] = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0));
            row[x * 3 + 2] = static_cast<std::uint8_t>(std::clamp(r, 0.0, 255.0));
        }
    }
    return bits;
}

double PictureSnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width, int height) {
    const std::size_t stride = Rgb24Stride(width);
    double sum = 0;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = stride * static_cast<std::size_t>(y);
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * 3; ++i) {
            const double d = static_cast<double>(a[row + i]) - b[row + i];
            sum += d * d;
        }
    }
    const double mse = sum / (static_cast<double>(width) * height * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

} // namespace orv::test
