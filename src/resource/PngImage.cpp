#include "resource/PngImage.h"

#include <png.h>

namespace Zem::Resource {

namespace {

// Larger images are refused before any memory is asked for them.
constexpr png_uint_32 largestSide = 16384;

} // namespace

bool PngImage::fail(const std::string& why) {
    error_ = why;
    width = 0;
    height = 0;
    channels = 0;
    pixels.clear();
    return false;
}

bool PngImage::decode(std::string_view bytes) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()) == 0) {
        const std::string why = png.message;
        png_image_free(&png);
        return fail("not a PNG image (" + why + ")");
    }
    // Only what an exporter writes for a texture is taken as it is: 8-bit colour, with or
    // without alpha.
    const bool linear = (png.format & PNG_FORMAT_FLAG_LINEAR) != 0;
    const bool colour = (png.format & PNG_FORMAT_FLAG_COLOR) != 0;
    const bool mapped = (png.format & PNG_FORMAT_FLAG_COLORMAP) != 0;
    if (linear || !colour || mapped) {
        png_image_free(&png);
        return fail(std::string(linear   ? "16 bits a channel"
                                : mapped ? "a palette image"
                                         : "a grey image") +
                    "; only 8-bit RGB and RGBA are read");
    }
    if (png.width == 0 || png.height == 0 || png.width > largestSide || png.height > largestSide) {
        png_image_free(&png);
        return fail("size " + std::to_string(png.width) + " x " + std::to_string(png.height));
    }
    const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    width = static_cast<int32_t>(png.width);
    height = static_cast<int32_t>(png.height);
    channels = alpha ? 4 : 3;
    pixels.resize(PNG_IMAGE_SIZE(png));
    const auto rowBytes = static_cast<png_int_32>(PNG_IMAGE_ROW_STRIDE(png));
    // A negative stride writes the rows bottom-up, as OpenGL wants them.
    if (png_image_finish_read(&png, nullptr, pixels.data(), -rowBytes, nullptr) == 0) {
        const std::string why = png.message;
        png_image_free(&png);
        return fail("damaged image data (" + why + ")");
    }
    return true;
}

} // namespace Zem::Resource
