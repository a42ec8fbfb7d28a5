#pragma once

#include "graphics/FrameImage.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace ZemTest {

// Pictures read back from GL or from PNG files, as the program's own capture reads them.
using ImageCapture = Zem::Graphics::FrameImage;

// Peak signal-to-noise ratio over every channel, in dB; infinite for equal images, 0 for images
// of different sizes.
inline double psnr(const ImageCapture& a, const ImageCapture& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return 0.0;
    }
    double squared = 0.0;
    const std::vector<std::uint8_t>& x = a.data();
    const std::vector<std::uint8_t>& y = b.data();
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double d = static_cast<double>(x[i]) - static_cast<double>(y[i]);
        squared += d * d;
    }
    if (squared == 0.0) {
        return INFINITY;
    }
    const double mean = squared / static_cast<double>(x.size());
    return 10.0 * std::log10(255.0 * 255.0 / mean);
}

} // namespace ZemTest
